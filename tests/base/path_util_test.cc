#include "base/file/path_util.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "test_support/temp_folder.h"

namespace {

TEST(PathUtilTest, GetDirectoryOfPath) {
  struct Case { const wchar_t* path; bool ok; const wchar_t* folder; };
  const Case cases[] = {
      {L"C:\\game\\launcher", true, L"C:\\game\\"},
      {L"C:\\game\\", true, L"C:\\game\\"},
      {L"C:/game/x.txt", true, L"C:/game/"},
      {L"a", false, L"untouched"},
      {L"\\a", false, L"untouched"},
      {L"", false, L"untouched"},
      {L"ab\\", true, L"ab\\"},
  };
  for (const Case& c : cases) {
    std::wstring folder = L"untouched";
    EXPECT_EQ(base::GetDirectoryOfPath(c.path, &folder), c.ok) << c.path;
    EXPECT_EQ(folder, c.folder) << c.path;
  }
}

TEST(PathUtilTest, SplitPathComponents) {
  struct Case { const wchar_t* path; std::vector<std::wstring> parts; };
  const Case cases[] = {
      {L"C:\\a//b\\", {L"C:\\", L"a\\", L"b\\"}},
      {L"\\a", {L"\\", L"a"}},
      {L"a", {L"a"}},
      {L"", {}},
      {L"x/y\\\\\\", {L"x\\", L"y\\"}},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> parts{L"stale"};
    EXPECT_TRUE(base::SplitPathComponents(c.path, &parts));
    EXPECT_EQ(parts, c.parts) << c.path;
  }
  std::vector<std::wstring> parts{L"stale"};
  EXPECT_FALSE(base::SplitPathComponents(nullptr, &parts));
  EXPECT_TRUE(parts.empty());
}

TEST(PathUtilTest, CreateDirectoryTree) {
  testing_support::TempFolder temp;
  std::wstring deep = temp.path() + L"\\a\\b/c\\";
  EXPECT_TRUE(base::CreateDirectoryTree(deep.c_str()));
  EXPECT_NE(GetFileAttributesW((temp.path() + L"\\a\\b\\c").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(base::CreateDirectoryTree(deep.c_str()));  // exists: true, nothing made

  std::wstring file = temp.path() + L"\\file";
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_FALSE(base::CreateDirectoryTree((file + L"\\sub").c_str()));
  EXPECT_FALSE(base::CreateDirectoryTree(nullptr));
}

TEST(PathUtilTest, ModuleDirectoryHoldsThisExecutable) {
  std::wstring folder = base::GetModuleDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  std::wstring path = base::GetModulePath(base::GetCurrentModuleHandle());
  EXPECT_EQ(path.compare(0, folder.size(), folder), 0);
  EXPECT_EQ(base::GetCurrentModuleHandle(), GetModuleHandleW(nullptr));
}

TEST(PathUtilTest, RegisterAtExitCallsNothing) {
  static int calls = 0;
  base::RegisterAtExit([](void*) { ++calls; }, nullptr);
  EXPECT_EQ(calls, 0);
}

}  // namespace
