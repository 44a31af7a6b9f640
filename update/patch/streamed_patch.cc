#include "update/patch/streamed_patch.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "update/patch/old_file_reader.h"
#include "update/patch/patch_block_writer.h"
#include "update/patch/patch_cancel_flag.h"
#include "update/patch/patch_container.h"
#include "update/patch/patch_cursor.h"
#include "update/patch/patch_file_util.h"
#include "update/patch/patch_header.h"
#include "update/patch/patch_output_file.h"

namespace {

int RunTriples(OldFileReader* old, PatchBlockWriter* writer, int64_t new_size,
               PatchCursor* control, PatchCursor* diff, PatchCursor* extra) {
  int64_t new_position = 0;
  int64_t old_position = 0;
  for (;;) {
    const uint8_t* triple = control->Read(kPatchTripleSize);
    if (!triple) return kPatchDetailControlCut;
    int64_t add = 0, copy = 0, step = 0;
    if (!ReadPatchInteger(triple, &add) || !ReadPatchInteger(triple + 8, &copy) ||
        !ReadPatchInteger(triple + 16, &step)) {
      return kPatchDetailBadTriple;
    }
    if (add < 0 || copy < 0 || new_position + add > new_size) return kPatchDetailBadTriple;
    if (diff->WriteRange(add, writer, old, old_position) != add) return kPatchDetailDiffFailed;
    if (new_position + add + copy > new_size) return kPatchDetailCopyPastEnd;
    if (extra->WriteRange(copy, writer, nullptr, 0) != copy) return kPatchDetailExtraFailed;
    if (PatchCancelFlag.load(std::memory_order_relaxed)) return kPatchDetailCancelled;
    old_position += add + step;
    new_position += add + copy;
    if (new_position >= new_size) break;
  }
  return writer->Flush() ? kPatchDetailOk : kPatchDetailFinalWriteFailed;
}

int PatchFileStreamedInternal(const wchar_t* old_path, const wchar_t* new_path,
                              const wchar_t* patch_path, int* detail) {
  std::unique_ptr<uint8_t[]> stream;
  int64_t stream_length = 0;
  {
    ScopedFileHandle patch(patch_path ? OpenFileForPatchRead(patch_path) : INVALID_HANDLE_VALUE);
    if (!patch.valid()) {
      *detail = patch_path ? static_cast<int>(GetLastError()) : ERROR_INVALID_NAME;
      return kStreamedPatchUnreadable;
    }
    if (ReadPatchContainer(patch.get(), &stream, &stream_length) != kContainerOk)
      return kStreamedPatchUnreadable;
  }
  PatchHeader header;
  if (ParsePatchHeader(stream.get(), stream_length, &header) != PatchHeaderStatus::kOk)
    return kStreamedPatchBadHeader;

  ScopedFileHandle old_file(old_path ? OpenFileForPatchRead(old_path) : INVALID_HANDLE_VALUE);
  LARGE_INTEGER old_size;
  if (!old_file.valid() || !GetFileSizeEx(old_file.get(), &old_size))
    return kStreamedPatchOldFileFailed;
  PatchOutputFile output;
  if (!new_path || !output.Create(new_path)) return kStreamedPatchNewFileFailed;

  *detail = kPatchDetailOk;
  int result = ApplyPatchStreamed(old_file.get(), old_size.QuadPart, output.handle(),
                                  header.new_size, stream.get(), stream_length, detail);
  old_file.Close();
  if (result != kStreamedPatchOk) return result;  // the output is deleted unseen
  if (!output.Commit()) {
    *detail = static_cast<int>(GetLastError());
    return kStreamedPatchReplaceFailed;
  }
  return kStreamedPatchOk;
}

}  // namespace

int ApplyPatchStreamed(HANDLE old_file, int64_t old_size, HANDLE new_file, int64_t new_size,
                       const uint8_t* stream, int64_t stream_length, int* detail) {
  PatchHeader header;
  if (ParsePatchHeader(stream, stream_length, &header) != PatchHeaderStatus::kOk)
    return kStreamedPatchCorruptStream;
  const int64_t diff_begin = kPatchHeaderSize + header.control_length;
  if (diff_begin > stream_length) return kStreamedPatchDiffPastEnd;
  const int64_t extra_begin = diff_begin + header.diff_length;
  if (extra_begin > stream_length) return kStreamedPatchExtraPastEnd;

  *detail = kPatchDetailOk;
  if (new_size <= 0) return kStreamedPatchOk;

  // The buffers need not exceed what they will hold.
  const int64_t block_capacity = std::min(kPatchBlockSize, new_size);
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[block_capacity]);
  if (!block) return kStreamedPatchNoBlockBuffer;
  const int64_t old_capacity = std::max<int64_t>(1, std::min(kPatchBlockSize, old_size));
  std::unique_ptr<uint8_t[]> old_data(new (std::nothrow) uint8_t[old_capacity]);
  if (!old_data) return kStreamedPatchNoOldBuffer;

  PatchCursor control(stream, kPatchHeaderSize, diff_begin);
  // Diff and extra reads may run on to the stream's end, never past it.
  PatchCursor diff(stream, diff_begin, stream_length);
  PatchCursor extra(stream, extra_begin, stream_length);
  OldFileReader old(old_file, std::max<int64_t>(0, old_size), old_data.get(), old_capacity);
  PatchBlockWriter writer(new_file, block.get(), block_capacity);
  *detail = RunTriples(&old, &writer, new_size, &control, &diff, &extra);
  return *detail < 0 ? kStreamedPatchApplyFailed : kStreamedPatchOk;
}

int PatchFileStreamedW(const wchar_t* old_path, const wchar_t* new_path, const wchar_t* patch_path,
                       int* detail) {
  return PatchFileStreamedInternal(old_path, new_path, patch_path, detail);
}

int PatchFileStreamedA(const char* old_path, const char* new_path, const char* patch_path,
                       int* detail) {
  std::wstring old_wide, new_wide, patch_wide;
  bool old_ok = WidenAnsiPath(old_path, &old_wide);
  bool new_ok = WidenAnsiPath(new_path, &new_wide);
  bool patch_ok = WidenAnsiPath(patch_path, &patch_wide);
  return PatchFileStreamedInternal(old_ok ? old_wide.c_str() : nullptr,
                                   new_ok ? new_wide.c_str() : nullptr,
                                   patch_ok ? patch_wide.c_str() : nullptr, detail);
}
