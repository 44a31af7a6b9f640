#include "update/patch/patch_container.h"

#include <zlib.h>

#include <algorithm>
#include <new>

#include "update/patch/patch_file_util.h"

namespace {

// Deflate cannot expand data more than 1032 times; a stated unpacked size
// beyond that for the packed bytes given is a lie, refused before allocating.
constexpr int64_t kMaxDeflateRatio = 1032;
constexpr int64_t kDeflateSlack = 1024;
// A stream may unpack to this many bytes more than stated, or to twice the
// stated size when that is more.
constexpr int64_t kStatedSizeSlack = 1000;

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

// Inflates the whole zlib stream in `packed` and keeps its first `unpacked`
// bytes. Patches may unpack to a little more than they state (up to the
// stated size plus 1000 bytes, or twice the stated size): the surplus is
// inflated into scratch space and dropped. A stream that unpacks to fewer
// bytes than stated, to more than that, is corrupt, or ends before or after
// its packed bytes do, fails.
bool InflateCut(const uint8_t* packed, int64_t packed_size, uint8_t* out, int64_t unpacked) {
  const int64_t surplus_allowed = std::max<int64_t>(kStatedSizeSlack, unpacked);
  z_stream zs = {};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = const_cast<Bytef*>(packed);
  zs.avail_in = static_cast<uInt>(packed_size);
  zs.next_out = out;
  zs.avail_out = static_cast<uInt>(unpacked);
  uint8_t scratch[16384];
  int64_t surplus = 0;  // bytes inflated past the stated size
  int status = Z_OK;
  for (;;) {
    if (zs.avail_out == 0) {
      // The stated bytes are in: what follows goes to scratch space, counted.
      if (zs.next_out == scratch + sizeof(scratch)) surplus += sizeof(scratch);
      if (surplus > surplus_allowed) break;
      zs.next_out = scratch;
      zs.avail_out = sizeof(scratch);
    }
    status = inflate(&zs, Z_NO_FLUSH);
    // Anything but progress ends it: the stream's end, corrupt data, or
    // packed bytes that ran out first (Z_BUF_ERROR).
    if (status != Z_OK) break;
  }
  const bool in_scratch = zs.next_out >= scratch && zs.next_out <= scratch + sizeof(scratch);
  if (in_scratch) surplus += zs.next_out - scratch;
  const bool whole = status == Z_STREAM_END && zs.avail_in == 0 &&
                     (in_scratch || zs.avail_out == 0 || unpacked == 0) &&
                     surplus <= surplus_allowed;
  inflateEnd(&zs);
  return whole;
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
  if (!InflateCut(packed_bytes.get(), packed, unpacked_bytes.get(), unpacked))
    return kContainerInflateFailed;
  *stream = std::move(unpacked_bytes);
  *length = unpacked;
  return kContainerOk;
}
