// Whole-file reads and writes for test fixtures, by narrow (ANSI) or wide path.
#ifndef TESTS_TEST_SUPPORT_FILE_BYTES_H_
#define TESTS_TEST_SUPPORT_FILE_BYTES_H_

#include <cstdio>
#include <string>

namespace testing_support {

inline bool WriteFileBytes(FILE* file, const std::string& bytes) {
  if (file == nullptr) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}
inline bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  return WriteFileBytes(fopen(path.c_str(), "wb"), bytes);
}
inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  return WriteFileBytes(_wfopen(path.c_str(), L"wb"), bytes);
}

// The file's bytes, or "<missing>" when it cannot be opened.
inline std::string ReadFileBytes(FILE* file) {
  if (file == nullptr) return "<missing>";
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0) text.append(buffer, n);
  fclose(file);
  return text;
}
inline std::string ReadFileBytes(const std::string& path) {
  return ReadFileBytes(fopen(path.c_str(), "rb"));
}
inline std::string ReadFileBytes(const std::wstring& path) {
  return ReadFileBytes(_wfopen(path.c_str(), L"rb"));
}

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_FILE_BYTES_H_
