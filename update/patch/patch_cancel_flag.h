// PatchCancelFlag: the process-wide request to stop a streamed patch.
// The main window sets it on the UI thread when the player exits the launcher;
// ApplyUpdateState clears it on the engine thread before it applies anything;
// the streamed applier reads it on the engine thread after every full block and
// after every control triple. Atomic, so no lock is needed on either side.
#ifndef UPDATE_PATCH_PATCH_CANCEL_FLAG_H_
#define UPDATE_PATCH_PATCH_CANCEL_FLAG_H_

#include <atomic>

extern std::atomic<bool> PatchCancelFlag;

#endif  // UPDATE_PATCH_PATCH_CANCEL_FLAG_H_
