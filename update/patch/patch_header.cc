#include "update/patch/patch_header.h"

#include <string.h>

const char kPatchMagic[8] = {'B', 'S', 'D', 'I', 'F', 'N', '4', '0'};

bool ReadPatchInteger(const uint8_t* bytes, int64_t* value) {
  uint32_t low = uint32_t{bytes[0]} | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) |
                 (uint32_t{bytes[3]} << 24);
  if (low & 0x80000000u) return false;
  if (bytes[4] | bytes[5] | bytes[6] | (bytes[7] & 0x7F)) return false;
  *value = (bytes[7] & 0x80) ? -int64_t{low} : int64_t{low};
  return true;
}

PatchHeaderStatus ParsePatchHeader(const uint8_t* stream, int64_t length, PatchHeader* header) {
  if (!stream || length < kPatchHeaderSize) return PatchHeaderStatus::kTooShort;
  if (memcmp(stream, kPatchMagic, sizeof(kPatchMagic)) != 0) return PatchHeaderStatus::kBadMagic;
  PatchHeader parsed;
  if (!ReadPatchInteger(stream + 8, &parsed.control_length) ||
      !ReadPatchInteger(stream + 16, &parsed.diff_length) ||
      !ReadPatchInteger(stream + 24, &parsed.new_size)) {
    return PatchHeaderStatus::kBadLength;
  }
  if (parsed.control_length < 0 || parsed.diff_length < 0 || parsed.new_size < 0)
    return PatchHeaderStatus::kBadLength;
  *header = parsed;
  return PatchHeaderStatus::kOk;
}
