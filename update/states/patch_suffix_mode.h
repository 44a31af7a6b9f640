// PatchSuffixMode: how the servers name the patch files of the game being
// updated, as the last suffix probe found it. 0 (the start value): a file's
// patch is its name plus ".patch"; 1: plus ".cvdiff". Each game-pass probe
// and each pre-download probe sets it; the fetching and applying states read
// it, the launcher pass included (it does not probe). Engine thread; atomic,
// so a reader elsewhere never sees a torn value.
#ifndef UPDATE_STATES_PATCH_SUFFIX_MODE_H_
#define UPDATE_STATES_PATCH_SUFFIX_MODE_H_

#include <atomic>
#include <cstdint>

extern std::atomic<uint8_t> PatchSuffixMode;

// ".cvdiff" in mode 1, else ".patch".
const char* PatchSuffix();

#endif  // UPDATE_STATES_PATCH_SUFFIX_MODE_H_
