// A fresh folder under the system temp folder, removed with everything in it.
#ifndef TESTS_TEST_SUPPORT_TEMP_FOLDER_H_
#define TESTS_TEST_SUPPORT_TEMP_FOLDER_H_

#include <windows.h>

#include <string>

namespace testing_support {

class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    for (;;) {
      wchar_t name[MAX_PATH];
      swprintf(name, MAX_PATH, L"%lsqv_%lu_%ld", base, GetCurrentProcessId(),
               InterlockedIncrement(&counter));
      if (CreateDirectoryW(name, nullptr)) {
        path_ = name;
        break;
      }
    }
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring Join(const std::wstring& name) const { return path_ + L"\\" + name; }

  static void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring child = path + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(child);
        } else {
          SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(child.c_str());
        }
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
  }

 private:
  std::wstring path_;
};

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_TEMP_FOLDER_H_
