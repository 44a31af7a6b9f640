#include "app/util/file_util.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/util/string_util.h"
#include "base/file/path_util.h"
#include "test_support/temp_folder.h"

namespace {

std::string Narrow(const std::wstring& path) {
  std::string narrow;
  WideToMultiByte(path, &narrow, CP_ACP);
  return narrow;
}

// Raw file access that does not go through the code under test.
void PutFile(const std::wstring& path, const std::string& content) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written,
                        nullptr));
  CloseHandle(file);
}

std::string GetFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    content.append(buffer, read);
  CloseHandle(file);
  return content;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> Entries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// Runs a test body with the working folder moved to `folder`.
class ScopedWorkingFolder {
 public:
  explicit ScopedWorkingFolder(const std::wstring& folder) {
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    old_ = old;
    SetCurrentDirectoryW(folder.c_str());
  }
  ~ScopedWorkingFolder() { SetCurrentDirectoryW(old_.c_str()); }

 private:
  std::wstring old_;
};

TEST(WorkingFoldersTest, ValuesAndStablePointers) {
  EXPECT_STREQ(".", GetBaseFolderA());
  EXPECT_STREQ(L".", GetBaseFolderW());
  EXPECT_STREQ(".\\save", GetSaveFolderA());
  EXPECT_STREQ(L".\\save", GetSaveFolderW());
  EXPECT_STREQ(L".\\update", GetUpdateFolder());
  EXPECT_STREQ(L".\\exception", GetExceptionFolder());
  EXPECT_STREQ(".\\update\\predownload", GetPreDownloadFolder());
  EXPECT_EQ(base::GetModuleDirectory() + L"Quorvel Game", GetDefaultGamePath());
  EXPECT_EQ(GetSaveFolderA(), GetSaveFolderA());
  EXPECT_EQ(GetDefaultGamePath(), GetDefaultGamePath());
}

TEST(PathTest, Normalize) {
  struct Case {
    const char* path;
    bool add_separator;
    const char* result;
  } cases[] = {
      {"a/b/", false, "a\\b"},  {"a/b/", true, "a\\b\\"}, {"a\\b//", false, "a\\b"},
      {"a\\b", true, "a\\b\\"}, {"", true, "\\"},          {"", false, ""},
      {"/", false, ""},         {"C:/x", false, "C:\\x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result, NormalizePathA(c.path, c.add_separator)) << c.path;
    std::string path = c.path;
    std::string result = c.result;
    EXPECT_EQ(std::wstring(result.begin(), result.end()),
              NormalizePathW(std::wstring(path.begin(), path.end()), c.add_separator));
  }
}

TEST(PathTest, Split) {
  struct Case {
    const char* path;
    bool ok;
    const char* folder;
    const char* file;
  } cases[] = {
      {"update/game.dat", true, "update", "game.dat"},
      {"a/b\\c.txt", true, "a\\b", "c.txt"},
      {"a\\", true, "a", ""},
      {"game.dat", false, "-", "-"},
      {"\\game.dat", false, "-", "-"},
      {"", false, "-", "-"},
  };
  for (const Case& c : cases) {
    std::string folder = "-", file = "-";
    EXPECT_EQ(c.ok, SplitPathA(c.path, &folder, &file)) << c.path;
    EXPECT_EQ(c.folder, folder) << c.path;
    EXPECT_EQ(c.file, file) << c.path;
    std::string path = c.path;
    std::wstring wide_folder = L"-", wide_file = L"-";
    EXPECT_EQ(c.ok, SplitPathW(std::wstring(path.begin(), path.end()), &wide_folder, &wide_file));
    std::string f = c.folder, n = c.file;
    EXPECT_EQ(std::wstring(f.begin(), f.end()), wide_folder);
    EXPECT_EQ(std::wstring(n.begin(), n.end()), wide_file);
  }
}

TEST(ListingTest, FilesWithExclusionsAndSubfolders) {
  testing_support::TempFolder temp;
  CreateDirectoriesW(temp.Join(L"cef"));
  CreateDirectoriesW(temp.Join(L"data\\cef"));
  CreateDirectoriesW(temp.Join(L"data\\files"));
  CreateDirectoriesW(temp.Join(L"other\\Cef"));
  PutFile(temp.Join(L"root.txt"), "r");
  PutFile(temp.Join(L"cef\\libcef.dll"), "x");
  PutFile(temp.Join(L"data\\cef\\skip.txt"), "x");
  PutFile(temp.Join(L"data\\a.dat"), "a");
  PutFile(temp.Join(L"data\\files\\cef"), "a file named cef");
  // Names are compared case-sensitively.
  PutFile(temp.Join(L"other\\Cef\\keep.txt"), "k");

  const std::string root = Narrow(temp.path());
  std::vector<std::string> files = {"kept"};
  EXPECT_EQ(5, ListFiles(root + "/", &files, {"cef"}));
  std::vector<std::string> expected = {"kept", root + "\\root.txt", root + "\\data\\a.dat",
                                       root + "\\data\\files\\cef",
                                       root + "\\other\\Cef\\keep.txt"};
  // A folder's files come before its sub-folders' files.
  EXPECT_EQ(files[1], root + "\\root.txt");
  std::sort(files.begin(), files.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, files);

  files.clear();
  EXPECT_EQ(6, ListFiles(root, &files, {}));
  EXPECT_EQ(-1, ListFiles(root + "\\missing", &files, {}));
  EXPECT_EQ(6u, files.size());

  std::vector<std::string> names = {"stale"};
  EXPECT_EQ(3, ListSubfolders(root, &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"cef", "data", "other"}), names);
  EXPECT_EQ(-1, ListSubfolders(root + "\\missing", &names));
}

TEST(WholeFileTest, ReadWriteRoundTrip) {
  testing_support::TempFolder temp;
  std::string binary("a\0b\r\n\x1a\xff\n", 8);
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  for (const std::string& content : {std::string(), binary, big}) {
    const std::wstring path = temp.Join(L"round.bin");
    ASSERT_TRUE(WriteFileTextW(path, content));
    EXPECT_EQ(content, GetFile(path));
    std::string read = "stale";
    EXPECT_TRUE(ReadFileTextW(path, &read));
    EXPECT_EQ(content, read);
    EXPECT_TRUE(ReadFileTextA(Narrow(path), &read));
    EXPECT_EQ(content, read);
  }
  // A shorter text replaces a longer file whole, leaving no tail.
  const std::string narrow_path = Narrow(temp.Join(L"narrow.txt"));
  ASSERT_TRUE(WriteFileTextA(narrow_path, big));
  ASSERT_TRUE(WriteFileTextA(narrow_path, "short"));
  EXPECT_EQ("short", GetFile(temp.Join(L"narrow.txt")));
  EXPECT_EQ((std::vector<std::wstring>{L"narrow.txt", L"round.bin"}), Entries(temp.path()));
}

TEST(WholeFileTest, NarrowPathsAreInTheAnsiCodePage) {
  testing_support::TempFolder temp;
  const std::wstring wide_name = L"donn\u00e9es";
  std::string ansi_name;
  std::wstring back;
  WideToMultiByte(wide_name, &ansi_name, CP_ACP);
  MultiByteToWide(ansi_name, &back, CP_ACP);
  if (back != wide_name) GTEST_SKIP() << "the ANSI code page has no \u00e9";
  const std::string folder = Narrow(temp.path()) + "\\" + ansi_name;
  EXPECT_TRUE(CreateDirectoriesA(folder));
  EXPECT_TRUE(IsDirectoryW(temp.Join(wide_name)));
  ASSERT_TRUE(WriteFileTextA(folder + "\\" + ansi_name + ".txt", "ansi"));
  EXPECT_EQ("ansi", GetFile(temp.Join(wide_name + L"\\" + wide_name + L".txt")));
  std::vector<std::string> files;
  EXPECT_EQ(1, ListFiles(Narrow(temp.path()), &files, {}));
  EXPECT_EQ(folder + "\\" + ansi_name + ".txt", files[0]);
  DeleteDirectory(folder);
  EXPECT_FALSE(Exists(temp.Join(wide_name)));
}

TEST(WholeFileTest, MissingFileLeavesTextAlone) {
  testing_support::TempFolder temp;
  std::string text = "kept";
  EXPECT_FALSE(ReadFileTextW(temp.Join(L"missing.txt"), &text));
  EXPECT_FALSE(ReadFileTextA(Narrow(temp.Join(L"missing.txt")), &text));
  EXPECT_FALSE(ReadFileTextW(temp.path(), &text));
  EXPECT_EQ("kept", text);
}

TEST(WholeFileTest, FailedWriteKeepsOldFile) {
  testing_support::TempFolder temp;
  const std::wstring read_only = temp.Join(L"read_only.txt");
  PutFile(read_only, "old settings");
  SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY);
  const std::wstring folder = temp.Join(L"folder");
  CreateDirectoryW(folder.c_str(), nullptr);
  PutFile(folder + L"\\inside.txt", "inside");
  const std::vector<std::wstring> before = Entries(temp.path());

  const std::wstring targets[] = {read_only, folder, temp.Join(L"missing\\file.txt"), L""};
  for (const std::wstring& target : targets) {
    EXPECT_FALSE(WriteFileTextW(target, "new text")) << target;
    EXPECT_FALSE(WriteFileTextA(Narrow(target), "new text")) << target;
  }
  EXPECT_EQ("old settings", GetFile(read_only));
  EXPECT_EQ("inside", GetFile(folder + L"\\inside.txt"));
  EXPECT_FALSE(Exists(temp.Join(L"missing")));
  // Nothing half-written is left beside the targets.
  EXPECT_EQ(before, Entries(temp.path()));
  EXPECT_EQ(std::vector<std::wstring>{L"inside.txt"}, Entries(folder));
  SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WholeFileTest, WriteWhileTargetIsOpenForReading) {
  testing_support::TempFolder temp;
  const std::wstring path = temp.Join(L"version_map.txt");
  PutFile(path, "old");
  // A reader that shares nothing: the target cannot be replaced.
  HANDLE reader =
      CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  EXPECT_FALSE(WriteFileTextW(path, "new"));
  CloseHandle(reader);
  EXPECT_EQ("old", GetFile(path));
  EXPECT_EQ(std::vector<std::wstring>{L"version_map.txt"}, Entries(temp.path()));
  EXPECT_TRUE(WriteFileTextW(path, "new"));
  EXPECT_EQ("new", GetFile(path));
}

TEST(FolderTest, CreateChains) {
  testing_support::TempFolder temp;
  ScopedWorkingFolder working(temp.path());
  EXPECT_FALSE(CreateDirectoriesA(""));
  EXPECT_FALSE(CreateDirectoriesW(L""));
  EXPECT_TRUE(CreateDirectoriesA(".\\save"));
  EXPECT_TRUE(CreateDirectoriesA(".\\save"));
  EXPECT_TRUE(IsDirectoryW(temp.Join(L"save")));
  EXPECT_TRUE(CreateDirectoriesA("./update/predownload/1_2_3"));
  EXPECT_TRUE(IsDirectoryW(temp.Join(L"update\\predownload\\1_2_3")));
  EXPECT_TRUE(CreateDirectoriesW(temp.Join(L"w\\x/y\\")));
  EXPECT_TRUE(IsDirectoryW(temp.Join(L"w\\x\\y")));
  // A file in the way: the call still answers true, as the folders are not checked.
  PutFile(temp.Join(L"blocker"), "");
  EXPECT_TRUE(CreateDirectoriesA("blocker\\below"));
  EXPECT_FALSE(IsDirectoryA("blocker\\below"));
}

TEST(FolderTest, IsDirectoryRelativeAndAbsolute) {
  testing_support::TempFolder temp;
  ScopedWorkingFolder working(temp.path());
  EXPECT_FALSE(IsDirectoryW(L"save"));
  EXPECT_FALSE(IsDirectoryA("save"));
  CreateDirectoryW(temp.Join(L"save").c_str(), nullptr);
  PutFile(temp.Join(L"file"), "");
  EXPECT_TRUE(IsDirectoryW(L"save"));
  EXPECT_TRUE(IsDirectoryA(".\\save"));
  EXPECT_TRUE(IsDirectoryA(Narrow(temp.Join(L"save"))));
  EXPECT_FALSE(IsDirectoryW(L"file"));
  EXPECT_FALSE(IsDirectoryW(L""));
}

TEST(FolderTest, DeleteTree) {
  testing_support::TempFolder temp;
  const std::wstring root = temp.Join(L"tree");
  CreateDirectoriesW(root + L"\\a\\b");
  PutFile(root + L"\\top.txt", "t");
  PutFile(root + L"\\a\\b\\read_only.txt", "r");
  SetFileAttributesW((root + L"\\a\\b\\read_only.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  DeleteDirectory(Narrow(root) + "/");
  EXPECT_FALSE(Exists(root));

  // A file that cannot be deleted keeps its folder and the folders above it.
  CreateDirectoriesW(root + L"\\a\\b");
  PutFile(root + L"\\a\\b\\busy.txt", "busy");
  PutFile(root + L"\\a\\gone.txt", "gone");
  HANDLE busy = CreateFileW((root + L"\\a\\b\\busy.txt").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, busy);
  DeleteDirectory(Narrow(root));
  EXPECT_TRUE(Exists(root + L"\\a\\b\\busy.txt"));
  EXPECT_FALSE(Exists(root + L"\\a\\gone.txt"));
  CloseHandle(busy);
  DeleteDirectory(Narrow(root));
  EXPECT_FALSE(Exists(root));
  DeleteDirectory(Narrow(root));  // a missing folder is no error
}

TEST(FolderTest, DeleteTreeLeavesLinkedFoldersAlone) {
  testing_support::TempFolder temp;
  const std::wstring outside = temp.Join(L"outside");
  CreateDirectoriesW(outside);
  PutFile(outside + L"\\keep.txt", "keep");
  const std::wstring root = temp.Join(L"tree");
  CreateDirectoriesW(root);
  const std::wstring link = root + L"\\link";
  if (!CreateSymbolicLinkW(link.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      !(GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "no folder links here";
  DeleteDirectory(Narrow(root));
  EXPECT_FALSE(Exists(root));
  EXPECT_EQ("keep", GetFile(outside + L"\\keep.txt"));
}

TEST(ReadWholeHandleTest, ExactAndShortReads) {
  testing_support::TempFolder temp;
  const std::wstring path = temp.Join(L"patch.bin");
  PutFile(path, std::string("abc\0def", 7));
  auto open = [&path] {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  };
  int64_t length = -1;
  char* buffer = ReadWholeHandle(open(), 7, &length);
  ASSERT_NE(nullptr, buffer);
  EXPECT_EQ(7, length);
  EXPECT_EQ(std::string("abc\0def", 7), std::string(buffer, 7));
  free(buffer);

  length = -1;
  EXPECT_EQ(nullptr, ReadWholeHandle(open(), 8, &length));
  EXPECT_EQ(-1, length);
  EXPECT_EQ(nullptr, ReadWholeHandle(open(), -1, &length));
  EXPECT_EQ(nullptr, ReadWholeHandle(INVALID_HANDLE_VALUE, 1, &length));
  buffer = ReadWholeHandle(open(), 0, nullptr);
  EXPECT_NE(nullptr, buffer);
  free(buffer);
  // Every handle was closed: the file can now be opened without sharing.
  HANDLE exclusive =
      CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, exclusive);
  CloseHandle(exclusive);
}

}  // namespace
