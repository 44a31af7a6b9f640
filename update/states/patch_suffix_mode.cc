#include "update/states/patch_suffix_mode.h"

std::atomic<uint8_t> PatchSuffixMode{0};

const char* PatchSuffix() { return PatchSuffixMode == 1 ? ".cvdiff" : ".patch"; }
