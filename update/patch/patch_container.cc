#include "update/patch/patch_container.h"

#include <zlib.h>

#include <new>

#include "update/patch/patch_file_util.h"

namespace {

// Deflate cannot expand data more than 1032 times; a stated unpacked size
// beyond that for the packed bytes given is a lie, refused before allocating.
constexpr int64_t kMaxDeflateRatio = 1032;
constexpr int64_t kDeflateSlack = 1024;

uint32_t LittleEndian32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) |
         (uint32_t{bytes[3]} << 24);
}

// Bytes from the file's current position to its end; -1 when unknown.
int64_t RemainingBytes(HANDLE file) {
  LARGE_INTEGER size, position, zero;
  zero.QuadPart = 0;
  if (!GetFileSizeEx(file, &size) || !SetFilePointerEx(file, zero, &position, FILE_CURRENT))
    return -1;
  return size.QuadPart > position.QuadPart ? size.QuadPart - position.QuadPart : 0;
}

}  // namespace

int ReadPatchContainer(HANDLE file, std::unique_ptr<uint8_t[]>* stream, int64_t* length) {
  uint8_t field[4];
  switch (ReadFully(file, field, sizeof(field))) {
    case FileIoResult::kFailed: return kContainerUnpackedSizeReadFailed;
    case FileIoResult::kShort: return kContainerUnpackedSizeShort;
    case FileIoResult::kOk: break;
  }
  const int64_t unpacked = LittleEndian32(field);
  switch (ReadFully(file, field, sizeof(field))) {
    case FileIoResult::kFailed: return kContainerPackedSizeReadFailed;
    case FileIoResult::kShort: return kContainerPackedSizeShort;
    case FileIoResult::kOk: break;
  }
  const int64_t packed = static_cast<int32_t>(LittleEndian32(field));

  if (packed < 0 || unpacked > kMaxUnpackedPatchSize ||
      unpacked > packed * kMaxDeflateRatio + kDeflateSlack) {
    return kContainerSizesOutOfRange;
  }
  const int64_t remaining = RemainingBytes(file);
  if (remaining >= 0 && remaining < packed) return kContainerPackedShort;

  std::unique_ptr<uint8_t[]> packed_bytes(new (std::nothrow) uint8_t[packed > 0 ? packed : 1]);
  if (!packed_bytes) return kContainerPackedReadFailed;
  switch (ReadFully(file, packed_bytes.get(), packed)) {
    case FileIoResult::kFailed: return kContainerPackedReadFailed;
    case FileIoResult::kShort: return kContainerPackedShort;
    case FileIoResult::kOk: break;
  }

  std::unique_ptr<uint8_t[]> unpacked_bytes(new (std::nothrow) uint8_t[unpacked > 0 ? unpacked : 1]);
  if (!unpacked_bytes) return kContainerInflateFailed;
  uLongf produced = static_cast<uLongf>(unpacked);
  uLong consumed = static_cast<uLong>(packed);
  int status = uncompress2(unpacked_bytes.get(), &produced, packed_bytes.get(), &consumed);
  // Exactly the stated sizes on both sides: a stream that inflates to more or
  // fewer bytes, or ends before its packed bytes do, is not the stated patch.
  if (status != Z_OK || static_cast<int64_t>(produced) != unpacked ||
      static_cast<int64_t>(consumed) != packed) {
    return kContainerInflateFailed;
  }
  *stream = std::move(unpacked_bytes);
  *length = unpacked;
  return kContainerOk;
}
