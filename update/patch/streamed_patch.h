// The streamed patch applier: turns an old file and a patch file into the new
// file through two fixed buffers of at most 50 MiB (the block buffer that
// gathers the new file and the old-data buffer), so its memory is the unpacked
// patch stream plus those two buffers whatever the file sizes. It stops when
// PatchCancelFlag is set. The file-level entries write the new file beside its
// target and move it into place only when it is complete: a refused, failed or
// cancelled patch leaves the target untouched. Called on the engine thread;
// keeps no state between calls.
#ifndef UPDATE_PATCH_STREAMED_PATCH_H_
#define UPDATE_PATCH_STREAMED_PATCH_H_

#include <windows.h>
#include <stdint.h>

constexpr int64_t kPatchBlockSize = 52428800;  // 50 MiB

// Results of PatchFileStreamedA/W and ApplyPatchStreamed.
enum StreamedPatchResult {
  kStreamedPatchOk = 0,
  kStreamedPatchUnreadable = -1,        // patch file not opened (detail = system error) or container refused
  kStreamedPatchBadHeader = -2,
  kStreamedPatchOldFileFailed = -3,     // the old file cannot be opened or sized
  kStreamedPatchNewFileFailed = -4,     // the new file cannot be created beside the target
  kStreamedPatchCorruptStream = -6,     // shorter than 32 bytes, other magic, bad header length
  kStreamedPatchDiffPastEnd = -8,       // 32 + C passes the end of the stream
  kStreamedPatchExtraPastEnd = -9,      // 32 + C + D passes it
  kStreamedPatchNoBlockBuffer = -10,
  kStreamedPatchNoOldBuffer = -11,
  kStreamedPatchApplyFailed = -12,      // the detail says where
  kStreamedPatchReplaceFailed = -13,    // the finished file could not replace the target (detail = system error)
};

// Detail codes of ApplyPatchStreamed.
enum StreamedPatchDetail {
  kPatchDetailOk = 0,
  kPatchDetailControlCut = -1,      // a triple is cut off by the end of the control block
  kPatchDetailBadTriple = -2,       // negative or unreadable add/copy length, or add length past the new size
  kPatchDetailDiffFailed = -3,      // diff segment past the stream, write failed or cancelled, old file unreadable
  kPatchDetailCopyPastEnd = -4,     // the copy length passes the new size
  kPatchDetailExtraFailed = -5,     // extra segment past the stream, write failed or cancelled
  kPatchDetailCancelled = -6,       // PatchCancelFlag found set after a triple
  kPatchDetailFinalWriteFailed = -8,  // writing the last gathered block failed
};

// Narrow paths are in the ANSI code page. `detail` receives the detail code
// (or the system error code when the patch file cannot be opened, or the
// replacement fails); it is left as it was for -1 with a refused container,
// -2, -3 and -4.
int PatchFileStreamedA(const char* old_path, const char* new_path, const char* patch_path,
                       int* detail);
int PatchFileStreamedW(const wchar_t* old_path, const wchar_t* new_path, const wchar_t* patch_path,
                       int* detail);

// Applies `stream` to the old file (read from the positions the triples give)
// and writes `new_size` bytes at the new file's current position. Control
// triples are read only inside the control block, diff and extra segments
// only up to the stream's end (anything else is refused), and old bytes are
// added only where they lie inside the old file's `old_size` bytes.
int ApplyPatchStreamed(HANDLE old_file, int64_t old_size, HANDLE new_file, int64_t new_size,
                       const uint8_t* stream, int64_t stream_length, int* detail);

#endif  // UPDATE_PATCH_STREAMED_PATCH_H_
