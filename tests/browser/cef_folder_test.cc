// The browser runtime's folder: PATH and ComSpec before start-up, and a
// folder without the runtime in it.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/file/path_util.h"
#include "browser/cef_manager.h"
#include "browser/runtime/cef_runtime.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  std::wstring value(32767, L'\0');
  DWORD length = GetEnvironmentVariableW(name, &value[0], 32767);
  value.resize(length);
  return value;
}

// Puts PATH and ComSpec back as they were.
class SavedEnvironment {
 public:
  ~SavedEnvironment() {
    SetEnvironmentVariableW(L"PATH", path_.c_str());
    SetEnvironmentVariableW(L"ComSpec", comspec_.c_str());
  }

 private:
  std::wstring path_ = Environment(L"PATH");
  std::wstring comspec_ = Environment(L"ComSpec");
};

std::wstring Folder() { return base::GetModuleDirectory() + L"cef"; }

TEST(CefFolderTest, WithoutTheFolderNothingChanges) {
  SavedEnvironment saved;
  RemoveDirectoryW(Folder().c_str());
  std::wstring path = Environment(L"PATH");
  std::wstring comspec = Environment(L"ComSpec");

  EXPECT_FALSE(comp::PrependCefFolderToPath());
  EXPECT_EQ(path, Environment(L"PATH"));
  EXPECT_EQ(comspec, Environment(L"ComSpec"));

  // A file of that name is no folder.
  HANDLE file = CreateFileW(Folder().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  EXPECT_FALSE(comp::PrependCefFolderToPath());
  EXPECT_EQ(path, Environment(L"PATH"));
  DeleteFileW(Folder().c_str());
}

TEST(CefFolderTest, TheFolderGoesInFrontOfTheWholePath) {
  SavedEnvironment saved;
  ASSERT_TRUE(CreateDirectoryW(Folder().c_str(), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  // Old values around and well beyond 4096 characters are kept whole.
  for (size_t length : {size_t(0), size_t(20), size_t(4095), size_t(4096), size_t(20000)}) {
    SCOPED_TRACE(length);
    std::wstring old_path;
    for (size_t i = 0; old_path.size() < length; ++i) old_path += L"C:\\p" + std::to_wstring(i) + L";";
    old_path.resize(length);
    if (length) old_path.back() = L'x';
    SetEnvironmentVariableW(L"PATH", length ? old_path.c_str() : nullptr);

    EXPECT_TRUE(comp::PrependCefFolderToPath());
    EXPECT_EQ(Folder() + L";" + old_path, Environment(L"PATH"));
    EXPECT_EQ(Folder() + L"\\dummy_cmd.exe", Environment(L"ComSpec"));
  }
  RemoveDirectoryW(Folder().c_str());
}

TEST(CefFolderTest, AFolderWithoutTheRuntimeStartsNothing) {
  SavedEnvironment saved;
  ASSERT_TRUE(CreateDirectoryW(Folder().c_str(), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  std::wstring cache = base::GetModuleDirectory() + L"cef_temp\\";
  ASSERT_TRUE(comp::PrependCefFolderToPath());

  comp::CefManager* manager = comp::CefManager::GetInstance();
  CefSettings settings;
  EXPECT_FALSE(manager->Initialize(cache, settings));
  EXPECT_FALSE(manager->initialized);
  EXPECT_FALSE(CefRuntimeLoaded());
  // Stopped before the settings: no cache folder either.
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(cache.c_str()));
  cef_shutdown();
  RemoveDirectoryW(Folder().c_str());
}

}  // namespace
