// PatchSuffixMode: which suffix the servers' game patches carry. Each
// existence probe of "TOLM.exe.patch" (the game pass's and the
// pre-download's) sets it: ".patch" when that file exists, ".cvdiff" when it
// does not. The launcher pass does not probe and keeps what the last probe
// found (".patch" before any).
//
// Process-wide; the worker thread sets and reads it.
#ifndef UPDATE_STATES_PATCH_SUFFIX_MODE_H_
#define UPDATE_STATES_PATCH_SUFFIX_MODE_H_

// True selects ".cvdiff".
bool GetPatchSuffixMode();
void SetPatchSuffixMode(bool cvdiff);
// ".cvdiff" or ".patch", as the mode says.
const char* PatchSuffix();

#endif  // UPDATE_STATES_PATCH_SUFFIX_MODE_H_
