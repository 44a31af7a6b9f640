#include "update/patch/patch_cancel_flag.h"

std::atomic<bool> PatchCancelFlag{false};
