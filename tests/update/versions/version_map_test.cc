#include "update/versions/version_map.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "update/versions/file_list.h"
#include "update/versions/server_replies.h"

namespace {

const char kMd5A[] = "0123456789abcdef0123456789abcdef";
const char kMd5B[] = "fedcba9876543210fedcba9876543210";

void WriteFile(const std::wstring& path, const std::string& text) {
  ASSERT_TRUE(testing_support::WriteFileBytes(path, text));
}

std::string ReadFile(const std::wstring& path) { return testing_support::ReadFileBytes(path); }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(VersionMapTest, BothLayouts) {
  const std::string flat = std::string(R"({"version": {"md5": "1_2_3"}, "a/b.dll": {"md5": ")") +
                           kMd5A + R"(", "size": 10}})";
  const std::string list = std::string(R"({"version": "1_2_3", "list": {"a/b.dll": {"md5": ")") +
                           kMd5A + R"(", "size": 10}}})";
  VersionMap map;
  std::string error;
  ASSERT_TRUE(ParseVersionMap(flat, &map, &error)) << error;
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(GetMapVersion(map), "1_2_3");
  EXPECT_EQ(map["a/b.dll"].md5, kMd5A);
  EXPECT_EQ(map["a/b.dll"].size, 10);

  ASSERT_TRUE(ParseVersionMap(list, &map, &error)) << error;
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(GetMapVersion(map), "");
  EXPECT_EQ(map["a/b.dll"].md5, kMd5A);

  testing_support::TempFolder folder;
  const std::wstring flat_path = folder.Join(L"flat.txt");
  const std::wstring list_path = folder.Join(L"list.txt");
  WriteFile(flat_path, flat);
  WriteFile(list_path, list);
  std::string version;
  ReadVersionFromFile(flat_path, &version, "x");
  EXPECT_EQ(version, "1_2_3");
  ReadVersionFromFile(list_path, &version, "x");
  EXPECT_EQ(version, "1_2_3");
  ReadVersionFromFile(folder.Join(L"missing.txt"), &version, "1.0.0");
  EXPECT_EQ(version, "1.0.0");
  WriteFile(list_path, R"({"version": "../../evil", "list": null})");
  ReadVersionFromFile(list_path, &version, "1.0.0");
  EXPECT_EQ(version, "1.0.0");

  ASSERT_TRUE(LoadVersionMapFile(flat_path, &map, &error)) << error;
  EXPECT_EQ(map.size(), 2u);
  EXPECT_FALSE(LoadVersionMapFile(folder.Join(L"missing.txt"), &map, &error));
  EXPECT_TRUE(map.empty());
}

TEST(VersionMapTest, MapsOfNothingAndLargeFiles) {
  VersionMap map;
  std::string error;
  // What the tool writes when it hashed nothing.
  ASSERT_TRUE(ParseVersionMap(R"({"list": null, "version": "1.0.0"})", &map, &error)) << error;
  EXPECT_TRUE(map.empty());
  // Sizes are 64-bit; missing members read as empty and 0.
  ASSERT_TRUE(ParseVersionMap(std::string(R"({"version": "1_2_3", "list": {"big.pak": {"md5": ")") +
                                  kMd5B + R"(", "size": 6000000000}, "x": {}}})",
                              &map, &error))
      << error;
  EXPECT_EQ(map["big.pak"].size, 6000000000LL);
  EXPECT_EQ(map["x"].md5, "");
  EXPECT_EQ(map["x"].size, 0);
}

TEST(VersionMapTest, BrokenAndHostileMapsAreRefused) {
  const std::string md5 = kMd5A;
  auto entry = [&md5](const std::string& name) {
    return R"({"version": "1_2_3", "list": {")" + name + R"(": {"md5": ")" + md5 +
           R"(", "size": 1}}})";
  };
  const std::string cases[] = {
      "",
      "not json",
      "[1, 2]",
      R"("text")",
      R"({"list": [1]})",
      R"({"list": {"a": 5}})",
      R"({"list": {"a": {"md5": 5}}})",
      R"({"list": {"a": {"size": "12"}}})",
      R"({"list": {"a": {"size": -1}}})",
      R"({"list": {"a": {"size": 1.5}}})",
      R"({"list": {"a": {"md5": "0123"}}})",
      R"({"list": {"a": {"md5": "0123456789abcdef0123456789abcdeg"}}})",
      R"({"a": "flat layout member that is not an object"})",
      R"({"version": {"md5": "..\\..\\x"}})",
      R"({"version": "1/2", "list": {}})",
      entry(".."),
      entry("../launcher.exe"),
      entry("a/../../b"),
      entry("a\\\\..\\\\..\\\\b"),
      entry("/etc/passwd"),
      entry("\\\\server\\\\share\\\\x"),
      entry("C:/Windows/x.dll"),
      entry("c:x.dll"),
      entry("a/./b"),
      entry("a//b"),
      entry("a/"),
      entry("..."),
      entry("a/.. /b"),
      entry("a\\u0001b"),
      entry("a\\nb"),
      entry("file.txt:stream"),
      entry("NUL"),
      entry("a/con.txt"),
      entry("Com1.dll"),
      entry("lpt9"),
  };
  for (const std::string& text : cases) {
    VersionMap map{{"stale", {}}};
    std::string error;
    EXPECT_FALSE(ParseVersionMap(text, &map, &error)) << text;
    EXPECT_TRUE(map.empty()) << text;
    if (!text.empty()) {
      EXPECT_FALSE(error.empty()) << text;
    }
  }
  // Ordinary names pass, non-ASCII ones included.
  for (const std::string name : {"a", "TOLM_Data/Plugins/x86_64/a b.dll", "cef/locales/ko.pak",
                                 "\xed\x95\x9c.txt", ".hidden", "a..b", "console.txt",
                                 "COM10", "nul_data/x"}) {
    VersionMap map;
    std::string error;
    EXPECT_TRUE(ParseVersionMap(entry(name), &map, &error)) << name << ": " << error;
  }
}

// The staging folder holds a file's patch beside it under either suffix: a
// map may not list both, or one would overwrite the other there.
TEST(VersionMapTest, AFileAndItsPatchNameAreRefusedTogether) {
  auto map = [](const std::string& a, const std::string& b) {
    return std::string(R"({"list": {")") + a + R"(": {"md5": ")" + kMd5A + R"(", "size": 1}, ")" +
           b + R"(": {"md5": ")" + kMd5A + R"(", "size": 1}}})";
  };
  VersionMap parsed;
  std::string error;
  for (const char* patch : {"a.dll.patch", "A.DLL.CVDIFF"}) {
    EXPECT_FALSE(ParseVersionMap(map("a.dll", patch), &parsed, &error)) << patch;
    EXPECT_TRUE(ParseVersionMap(map("b.dll", patch), &parsed, &error)) << patch << error;
  }
}

TEST(VersionMapTest, Diff) {
  const VersionMapEntry a{kMd5A, 1};
  const VersionMapEntry b{kMd5B, 2};
  std::string upper = kMd5A;
  for (char& c : upper) c = static_cast<char>(toupper(c));
  const VersionMapEntry a_upper{upper, 1};
  const VersionMapEntry version{"1_2_3", 0};

  struct Case {
    const char* name;
    VersionMap local;
    VersionMap remote;
    VersionMap fetch;
    std::vector<std::string> deleted;
    VersionMap local_after;
  };
  const Case cases[] = {
      {"empty local fetches all", {}, {{"version", version}, {"x", a}, {"y", b}},
       {{"x", a}, {"y", b}}, {}, {}},
      {"same files", {{"x", a}}, {{"x", a}}, {}, {}, {}},
      {"no case folding", {{"x", a}}, {{"x", a_upper}}, {{"x", a_upper}}, {}, {}},
      {"sizes are not compared", {{"x", a}}, {{"x", {kMd5A, 99}}}, {}, {}, {}},
      {"new and changed", {{"x", a}, {"y", a}}, {{"x", a}, {"y", b}, {"z", b}},
       {{"y", b}, {"z", b}}, {}, {}},
      {"dropped file", {{"gone", a}, {"x", a}}, {{"x", a}}, {}, {"gone"}, {{"gone", a}}},
      {"version is never fetched but may be deleted", {{"version", {"1_2_2", 0}}, {"x", a}},
       {{"x", a}}, {}, {"version"}, {{"version", {"1_2_2", 0}}}},
  };
  for (const Case& c : cases) {
    VersionMap local = c.local;
    VersionMap fetch{{"stale", a}};
    std::vector<std::string> deleted;
    DiffVersionMaps(&local, c.remote, &fetch, &deleted);
    EXPECT_EQ(fetch.size(), c.fetch.size()) << c.name;
    for (const auto& item : c.fetch) {
      ASSERT_EQ(fetch.count(item.first), 1u) << c.name << ": " << item.first;
      EXPECT_EQ(fetch[item.first].md5, item.second.md5) << c.name;
    }
    EXPECT_EQ(deleted, c.deleted) << c.name;
    EXPECT_EQ(local.size(), c.local_after.size()) << c.name;
  }
}

TEST(VersionMapTest, IsValidJson) {
  std::string error;
  EXPECT_TRUE(IsValidJson("{\"a\": 1}", 8, &error));
  EXPECT_TRUE(error.empty());
  EXPECT_FALSE(IsValidJson("<html>", 6, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(IsValidJson("", 0, &error));
  EXPECT_FALSE(IsValidJson(nullptr, 0, &error));
}

TEST(FileListTest, ReadAndWrite) {
  testing_support::TempFolder folder;
  const std::wstring path = folder.Join(L"apply_list.txt");
  const std::string narrow = Narrow(path);

  FileList list{"10_1_2", {"b.dll", "a/c.pak"}};
  ASSERT_TRUE(WriteFileList(narrow, list));
  EXPECT_NE(ReadFile(path).find("\t\"fileList\""), std::string::npos) << ReadFile(path);
  FileList read;
  ASSERT_TRUE(ReadFileList(narrow, &read));
  EXPECT_EQ(read.version, "10_1_2");
  EXPECT_EQ(read.files, list.files);

  // An empty list or version writes nothing; the older file stays.
  EXPECT_FALSE(WriteFileList(narrow, FileList{"10_1_3", {}}));
  EXPECT_FALSE(WriteFileList(narrow, FileList{"", {"x"}}));
  ASSERT_TRUE(ReadFileList(narrow, &read));
  EXPECT_EQ(read.version, "10_1_2");

  struct Case {
    const char* text;
    const char* version;  // what the reader took before refusing
  };
  const Case cases[] = {
      {"not json", ""},
      {R"({"version": 5, "fileList": []})", ""},
      {R"({"version": "1_1_1", "fileList": "a"})", "1_1_1"},
      {R"({"version": "1_1_1", "fileList": ["a", 5]})", "1_1_1"},
      {R"({"version": "1_1_1", "fileList": ["a", "../../b"]})", "1_1_1"},
  };
  for (const Case& c : cases) {
    WriteFile(path, c.text);
    FileList out;
    EXPECT_FALSE(ReadFileList(narrow, &out)) << c.text;
    EXPECT_EQ(out.version, c.version) << c.text;
    EXPECT_TRUE(out.files.empty()) << c.text;
  }
  FileList out;
  EXPECT_FALSE(ReadFileList(Narrow(folder.Join(L"missing.txt")), &out));
}

TEST(ServerRepliesTest, DirectoryReply) {
  struct Case {
    const char* reply;
    bool take_pre;
    bool ok;
    std::vector<std::string> download;
    std::vector<std::string> pre;
    bool error;
  };
  const Case cases[] = {
      {R"({"DlcAddr": ["http://a/", "http://b/"], "Others": "{\"PreDlcAddr\": [\"http://p/\"]}"})",
       true, true, {"http://a/", "http://b/"}, {"http://p/"}, false},
      {R"({"DlcAddr": "http://a/", "Others": "{\"PreDlcAddr\": \"http://p/\"}"})", false, true,
       {"http://a/"}, {"kept"}, false},
      {R"({"DlcAddr": "http://a/", "Others": "not json"})", true, true, {"http://a/"}, {}, true},
      {R"({"DlcAddr": "http://a/"})", true, true, {"http://a/"}, {}, false},
      {R"({"Others": "{}"})", true, false, {}, {}, true},
      {R"({"DlcAddr": null})", true, false, {}, {}, true},
      {R"({"DlcAddr": [{"x": 1}]})", true, false, {}, {}, true},
      {"<html>", true, false, {}, {}, true},
      {"", true, false, {}, {}, false},
  };
  for (const Case& c : cases) {
    std::vector<std::string> download{"stale"};
    std::vector<std::string> pre{"kept"};
    std::string error;
    EXPECT_EQ(ParseDlcAddresses(c.reply, &download, &pre, &error, c.take_pre), c.ok) << c.reply;
    EXPECT_EQ(download, c.download) << c.reply;
    EXPECT_EQ(pre, c.pre) << c.reply;
    EXPECT_EQ(!error.empty(), c.error) << c.reply << ": " << error;
  }
  std::vector<std::string> download, pre;
  std::string error;
  ParseDlcAddresses(R"({"Others": "{}"})", &download, &pre, &error, true);
  EXPECT_EQ(error, "Get DlcAddr failed");
}

TEST(ServerRepliesTest, RegionReply) {
  struct Case {
    const char* reply;
    bool ok;
    std::vector<std::string> servers;
  };
  const Case cases[] = {
      {R"({"info": ["{\"KOREA_pc_addr\": [\"http://p1/\", \"http://p2/\"]}"]})", true,
       {"http://p1/", "http://p2/"}},
      {R"({"info": "{\"KOREA_pc_addr\": \"http://p1/\"}"})", true, {"http://p1/"}},
      {R"({"info": ["{\"other\": 1}"]})", false, {}},
      {R"({"info": ["not json"]})", false, {}},
      {R"({"info": []})", false, {}},
      {R"({"nothing": 1})", false, {}},
      {"broken", false, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> servers{"stale"};
    std::string error;
    EXPECT_EQ(ParseRegionAddresses(c.reply, &servers, &error), c.ok) << c.reply;
    EXPECT_EQ(servers, c.servers) << c.reply;
  }
}

}  // namespace
