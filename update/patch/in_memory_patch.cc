#include "update/patch/in_memory_patch.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "update/patch/patch_container.h"
#include "update/patch/patch_cursor.h"
#include "update/patch/patch_file_util.h"
#include "update/patch/patch_header.h"
#include "update/patch/patch_output_file.h"

namespace {

constexpr int64_t kMaxInMemoryFileSize = 0x7FFFFFFF;

int CorruptPatch() {
  printf("Corrupt patch\n");
  return -1;
}

// The whole file in memory; false for a file that cannot be read or is 2 GiB
// or larger.
bool ReadWholeFile(const wchar_t* path, std::unique_ptr<uint8_t[]>* bytes, int64_t* size) {
  ScopedFileHandle file(OpenFileForPatchRead(path));
  LARGE_INTEGER file_size;
  if (!file.valid() || !GetFileSizeEx(file.get(), &file_size)) return false;
  if (file_size.QuadPart < 0 || file_size.QuadPart > kMaxInMemoryFileSize) return false;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[file_size.QuadPart + 1]);
  if (!buffer) return false;
  if (ReadFully(file.get(), buffer.get(), file_size.QuadPart) != FileIoResult::kOk) return false;
  *bytes = std::move(buffer);
  *size = file_size.QuadPart;
  return true;
}

int PatchFileInternal(const wchar_t* old_path, const wchar_t* new_path, const wchar_t* patch_path,
                      const std::string& old_name, const std::string& new_name,
                      const std::string& patch_name) {
  std::unique_ptr<uint8_t[]> stream;
  int64_t stream_length = 0;
  {
    ScopedFileHandle patch(patch_path ? OpenFileForPatchRead(patch_path) : INVALID_HANDLE_VALUE);
    if (!patch.valid()) return -1;
    if (ReadPatchContainer(patch.get(), &stream, &stream_length) != kContainerOk) return -1;
  }
  PatchHeader header;
  switch (ParsePatchHeader(stream.get(), stream_length, &header)) {
    case PatchHeaderStatus::kTooShort:
      printf("fread(%s)", patch_name.c_str());
      return -1;
    case PatchHeaderStatus::kBadMagic:
    case PatchHeaderStatus::kBadLength:
      return CorruptPatch();
    case PatchHeaderStatus::kOk:
      break;
  }

  std::unique_ptr<uint8_t[]> old_bytes;
  int64_t old_size = 0;
  if (!old_path || !ReadWholeFile(old_path, &old_bytes, &old_size)) {
    printf("old file: %s", old_name.c_str());
    return -1;
  }
  std::unique_ptr<uint8_t[]> new_bytes(new (std::nothrow) uint8_t[header.new_size + 1]);
  if (!new_bytes) {
    printf("Failed to allocate memory for new");
    return -1;
  }
  if (ApplyPatchInMemory(old_bytes.get(), old_size, new_bytes.get(), header.new_size,
                         stream.get(), stream_length) != 0) {
    printf("bapatch failed:");
    return -1;
  }
  old_bytes.reset();
  stream.reset();

  PatchOutputFile output;
  if (!new_path || !output.Create(new_path)) {
    printf("failed to write new file: %s", new_name.c_str());
    return -1;
  }
  int64_t wrote = 0;
  FileIoResult written = WriteFully(output.handle(), new_bytes.get(), header.new_size, &wrote);
  if (written == FileIoResult::kFailed) {
    printf("failed to write to new file: %s", new_name.c_str());
    return -1;
  }
  if (written == FileIoResult::kShort) {
    printf("failed to write to new file: %s, diff size(%u:%u)", new_name.c_str(),
           static_cast<unsigned>(wrote), static_cast<unsigned>(header.new_size));
    return -1;
  }
  if (!output.Commit()) {
    printf("failed to write new file: %s", new_name.c_str());
    return -1;
  }
  return 0;
}

}  // namespace

int ApplyPatchInMemory(const uint8_t* old_bytes, int64_t old_size, uint8_t* new_bytes,
                       int64_t new_size, const uint8_t* stream, int64_t stream_length) {
  if (!stream || stream_length < kPatchHeaderSize) {
    printf("fread(%s)", "patchfile");
    return -1;
  }
  if (memcmp(stream, kPatchMagic, sizeof(kPatchMagic)) != 0) return CorruptPatch();
  int64_t header_new_size = 0;
  if (!ReadPatchInteger(stream + 24, &header_new_size)) return CorruptPatch();
  if (header_new_size != new_size) {
    printf("Corrupt param of newsize\n");
    return -1;
  }
  PatchHeader header;
  if (ParsePatchHeader(stream, stream_length, &header) != PatchHeaderStatus::kOk || new_size < 0)
    return CorruptPatch();
  const int64_t diff_begin = kPatchHeaderSize + header.control_length;
  if (diff_begin > stream_length) {
    printf("fseeko(%s, %lld)", "patchfile", static_cast<long long>(diff_begin));
    return -1;
  }
  const int64_t extra_begin = diff_begin + header.diff_length;
  if (extra_begin > stream_length) {
    printf("fseeko(%s, %lld)", "patchfile", static_cast<long long>(extra_begin));
    return -1;
  }

  PatchCursor control(stream, kPatchHeaderSize, diff_begin);
  // Diff and extra reads may run on to the stream's end, never past it.
  PatchCursor diff(stream, diff_begin, stream_length);
  PatchCursor extra(stream, extra_begin, stream_length);
  int64_t new_position = 0;
  int64_t old_position = 0;
  while (new_position < new_size) {
    const uint8_t* triple = control.Read(kPatchTripleSize);
    if (!triple) return CorruptPatch();
    int64_t add = 0, copy = 0, step = 0;
    if (!ReadPatchInteger(triple, &add) || !ReadPatchInteger(triple + 8, &copy) ||
        !ReadPatchInteger(triple + 16, &step)) {
      return CorruptPatch();
    }
    if (add < 0 || copy < 0 || new_position + add > new_size) return CorruptPatch();
    const uint8_t* diff_bytes = diff.Read(add);
    if (!diff_bytes) return CorruptPatch();
    uint8_t* out = new_bytes + new_position;
    memcpy(out, diff_bytes, static_cast<size_t>(add));
    // Old bytes are added only where they lie inside the old file.
    const int64_t first = std::min(add, std::max<int64_t>(0, -old_position));
    const int64_t last = std::max(first, std::min(add, old_size - old_position));
    for (int64_t i = first; i < last; ++i)
      out[i] = static_cast<uint8_t>(out[i] + old_bytes[old_position + i]);
    new_position += add;
    old_position += add;
    if (new_position + copy > new_size) return CorruptPatch();
    const uint8_t* extra_bytes = extra.Read(copy);
    if (!extra_bytes) return CorruptPatch();
    memcpy(new_bytes + new_position, extra_bytes, static_cast<size_t>(copy));
    new_position += copy;
    old_position += step;
  }
  return 0;
}

int PatchFileW(const wchar_t* old_path, const wchar_t* new_path, const wchar_t* patch_path) {
  return PatchFileInternal(old_path, new_path, patch_path, PathForLog(old_path),
                           PathForLog(new_path), PathForLog(patch_path));
}

int PatchFileA(const char* old_path, const char* new_path, const char* patch_path) {
  std::wstring old_wide, new_wide, patch_wide;
  bool old_ok = WidenAnsiPath(old_path, &old_wide);
  bool new_ok = WidenAnsiPath(new_path, &new_wide);
  bool patch_ok = WidenAnsiPath(patch_path, &patch_wide);
  return PatchFileInternal(old_ok ? old_wide.c_str() : nullptr, new_ok ? new_wide.c_str() : nullptr,
                           patch_ok ? patch_wide.c_str() : nullptr, old_path ? old_path : "",
                           new_path ? new_path : "", patch_path ? patch_path : "");
}
