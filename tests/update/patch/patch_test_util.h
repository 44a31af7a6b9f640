// Helpers of the patch-engine tests: whole-file reads and writes, and
// hand-made "BSDIFN40" streams and patch containers.
#ifndef TESTS_UPDATE_PATCH_PATCH_TEST_UTIL_H_
#define TESTS_UPDATE_PATCH_PATCH_TEST_UTIL_H_

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace patch_test {

using Bytes = std::vector<uint8_t>;

struct Triple {
  int64_t add;
  int64_t copy;
  int64_t step;
};

bool ReadFileBytes(const std::wstring& path, Bytes* bytes);
bool WriteFileBytes(const std::wstring& path, const Bytes& bytes);
bool FileExists(const std::wstring& path);
Bytes ToBytes(const std::string& text);

// bsdiff's sign-magnitude integer.
void AppendPatchInteger(Bytes* out, int64_t value);
// "BSDIFN40", C, D, N, then the three blocks.
Bytes MakeStream(const std::vector<Triple>& triples, const Bytes& diff, const Bytes& extra,
                 int64_t new_size);
// Unpacked size, packed size, zlib stream of `stream`.
Bytes MakeContainer(const Bytes& stream, int level = 6);
// Same, with the two size fields as given.
Bytes MakeContainerWithSizes(const Bytes& stream, uint32_t unpacked, uint32_t packed, int level = 6);

}  // namespace patch_test

#endif  // TESTS_UPDATE_PATCH_PATCH_TEST_UTIL_H_
