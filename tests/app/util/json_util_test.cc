#include "app/util/json_util.h"

#include <gtest/gtest.h>

#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "test_support/temp_folder.h"

namespace {

std::string NarrowPath(const std::wstring& path) {
  std::string narrow;
  WideToMultiByte(path, &narrow, CP_ACP);
  return narrow;
}

TEST(ParseJsonTest, GoodAndBrokenText) {
  Json::Value root;
  std::string error = "untouched";
  EXPECT_FALSE(ParseJson("", &root, &error));
  EXPECT_EQ("untouched", error);

  EXPECT_TRUE(ParseJson("{\"version\": \"1_2_3\", \"list\": {}}", &root, &error));
  EXPECT_TRUE(error.empty());
  ASSERT_TRUE(root.isObject());
  EXPECT_EQ("1_2_3", root["version"].asString());

  const std::string broken[] = {
      "word",
      "{\"version\": \"1_2_3\", \"list\": {",  // cut off, as by a full disk
      "{\"a\" 1}",
      "[1, 2",
      std::string(100000, '['),  // deeper than the reader allows
  };
  for (const std::string& text : broken) {
    Json::Value kept("kept");
    error.clear();
    EXPECT_FALSE(ParseJson(text, &kept, &error)) << text.substr(0, 40);
    EXPECT_FALSE(error.empty()) << text.substr(0, 40);
    // A failed parse leaves the caller's value alone.
    EXPECT_EQ(Json::Value("kept"), kept);
  }
  EXPECT_FALSE(ParseJson("nope", &root, nullptr));
}

TEST(WriteJsonFileTest, TabIndentedAndSortedByBytes) {
  testing_support::TempFolder temp;
  const std::string path = NarrowPath(temp.Join(L"settings.txt"));
  Json::Value root(Json::objectValue);
  root["zeta"] = "z";
  root["Alpha"] = 1;
  root["alpha"] = true;
  root["\xc3\xa9t\xc3\xa9"] = "utf-8 name";
  root["list"].append("a");
  root["list"].append("b");
  root["nested"]["b"] = 2;
  root["nested"]["a"] = 1;
  ASSERT_TRUE(WriteJsonFile(path, root));

  std::string text;
  ASSERT_TRUE(ReadFileTextA(path, &text));
  EXPECT_EQ(
      "{\n"
      "\t\"Alpha\" : 1,\n"
      "\t\"alpha\" : true,\n"
      "\t\"list\" : \n"
      "\t[\n"
      "\t\t\"a\",\n"
      "\t\t\"b\"\n"
      "\t],\n"
      "\t\"nested\" : \n"
      "\t{\n"
      "\t\t\"a\" : 1,\n"
      "\t\t\"b\" : 2\n"
      "\t},\n"
      "\t\"zeta\" : \"z\",\n"
      "\t\"\\u00e9t\\u00e9\" : \"utf-8 name\"\n"
      "}",
      text);
  Json::Value back;
  ASSERT_TRUE(ParseJson(text, &back, nullptr));
  EXPECT_EQ(root, back);
}

TEST(WriteJsonFileTest, FailureKeepsOldFile) {
  testing_support::TempFolder temp;
  const std::wstring path = temp.Join(L"version_map.txt");
  ASSERT_TRUE(WriteFileTextW(path, "{\"version\" : \"1_0_0\"}"));
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  Json::Value root;
  root["version"] = "2_0_0";
  EXPECT_FALSE(WriteJsonFile(NarrowPath(path), root));
  EXPECT_FALSE(WriteJsonFile(NarrowPath(temp.Join(L"missing\\map.txt")), root));
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  std::string text;
  ASSERT_TRUE(ReadFileTextW(path, &text));
  EXPECT_EQ("{\"version\" : \"1_0_0\"}", text);
}

TEST(JsonToStringListTest, MemberSearch) {
  struct Case {
    const char* json;
    std::vector<std::string> list;
  } cases[] = {
      {"{\"a\": [{\"DlcAddr\": [\"x\", \"y\"]}]}", {"x", "y"}},
      {"{\"a\": {\"DlcAddr\": [\"x\"]}}", {}},
      {"{\"DlcAddr\": \"x\"}", {"x"}},
      {"{\"DlcAddr\": null}", {}},
      {"{\"DlcAddr\": null, \"b\": [{\"DlcAddr\": \"late\"}]}", {"late"}},
      {"{\"DlcAddr\": []}", {}},
      {"[{\"DlcAddr\": \"x\"}]", {}},
      {"\"DlcAddr\"", {}},
      // Wrong-typed elements: scalars become text, arrays and objects are left out.
      {"{\"DlcAddr\": [\"x\", 7, true, [\"in\"], {\"o\": 1}, \"y\"]}", {"x", "7", "true", "y"}},
      {"{\"DlcAddr\": {\"o\": \"x\"}}", {}},
      {"{\"DlcAddr\": 5}", {"5"}},
      // Names are visited in byte order: "A" before "b".
      {"{\"b\": [{\"DlcAddr\": \"from b\"}], \"A\": [{\"DlcAddr\": \"from A\"}]}", {"from A"}},
  };
  for (const Case& c : cases) {
    Json::Value root;
    ASSERT_TRUE(ParseJson(c.json, &root, nullptr)) << c.json;
    std::vector<std::string> list = {"stale"};
    EXPECT_EQ(!c.list.empty(), JsonToStringList(root, "DlcAddr", &list)) << c.json;
    EXPECT_EQ(c.list, list) << c.json;
  }
}

TEST(JsonFileTest, DamagedFilesReadAsFailures) {
  testing_support::TempFolder temp;
  const std::wstring path = temp.Join(L"apply_list.txt");
  Json::Value root;
  root["version"] = "1_2_3";
  root["fileList"].append("a.dat");
  ASSERT_TRUE(WriteJsonFile(NarrowPath(path), root));
  std::string text;
  ASSERT_TRUE(ReadFileTextW(path, &text));
  // Every cut of the file is rejected, none throws.
  for (size_t length = 1; length < text.size(); ++length) {
    Json::Value parsed;
    std::string error;
    EXPECT_FALSE(ParseJson(text.substr(0, length), &parsed, &error)) << length;
  }
  Json::Value parsed;
  ASSERT_TRUE(ParseJson(text, &parsed, nullptr));
  EXPECT_EQ(root, parsed);
}

}  // namespace
