#include "update/states/patch_suffix_mode.h"

#include <atomic>

namespace {
std::atomic<bool> g_cvdiff{false};
}  // namespace

bool GetPatchSuffixMode() { return g_cvdiff; }

void SetPatchSuffixMode(bool cvdiff) { g_cvdiff = cvdiff; }

const char* PatchSuffix() { return g_cvdiff ? ".cvdiff" : ".patch"; }
