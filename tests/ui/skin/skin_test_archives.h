// The archives tests/ui/skin/make_skin_archives.py builds beside the tests.
#ifndef TESTS_UI_SKIN_SKIN_TEST_ARCHIVES_H_
#define TESTS_UI_SKIN_SKIN_TEST_ARCHIVES_H_

#include <string>

#include "test_support/file_bytes.h"

namespace skin_test {

inline const wchar_t kSkinZip[] = L"skin_test.zip";
inline const wchar_t kEdgeZip[] = L"skin_edge.zip";

inline const std::string& SkinZipBytes() {
  static const std::string bytes = testing_support::ReadFileBytes(std::wstring(kSkinZip));
  return bytes;
}

inline const std::string& EdgeZipBytes() {
  static const std::string bytes = testing_support::ReadFileBytes(std::wstring(kEdgeZip));
  return bytes;
}

// Offset of an entry's data in a zip: after its local header, name and extra.
inline size_t LocalDataOffset(const std::string& zip, const std::string& name) {
  for (size_t at = zip.find("PK\x03\x04"); at != std::string::npos;
       at = zip.find("PK\x03\x04", at + 4)) {
    if (at + 30 > zip.size()) break;
    const size_t name_length = static_cast<unsigned char>(zip[at + 26]) |
                               static_cast<unsigned char>(zip[at + 27]) << 8;
    const size_t extra_length = static_cast<unsigned char>(zip[at + 28]) |
                                static_cast<unsigned char>(zip[at + 29]) << 8;
    if (zip.compare(at + 30, name_length, name) == 0 && name.size() == name_length) {
      return at + 30 + name_length + extra_length;
    }
  }
  return std::string::npos;
}

}  // namespace skin_test

#endif  // TESTS_UI_SKIN_SKIN_TEST_ARCHIVES_H_
