// The "BSDIFN40" stream layout shared by both appliers: the 32-byte header
// (magic, control length C, diff length D, new size N) and the sign-magnitude
// integers used by the header and the control triples. Stateless; any thread.
#ifndef UPDATE_PATCH_PATCH_HEADER_H_
#define UPDATE_PATCH_PATCH_HEADER_H_

#include <stdint.h>

constexpr int64_t kPatchHeaderSize = 32;
constexpr int64_t kPatchIntegerSize = 8;
constexpr int64_t kPatchTripleSize = 3 * kPatchIntegerSize;
extern const char kPatchMagic[8];  // "BSDIFN40", no terminator

// Reads one 8-byte sign-magnitude integer (bit 7 of the last byte is the sign).
// Only magnitudes below 2^31 are valid: a larger one cannot be meant by a patch
// for files under 2 GiB, and reading it from the low four bytes alone would give
// a different number. False for such a value.
bool ReadPatchInteger(const uint8_t* bytes, int64_t* value);

struct PatchHeader {
  int64_t control_length = 0;
  int64_t diff_length = 0;
  int64_t new_size = 0;
};

enum class PatchHeaderStatus {
  kOk,
  kTooShort,   // fewer than 32 bytes
  kBadMagic,
  kBadLength,  // a negative or unreadable C, D or N
};

PatchHeaderStatus ParsePatchHeader(const uint8_t* stream, int64_t length, PatchHeader* header);

#endif  // UPDATE_PATCH_PATCH_HEADER_H_
