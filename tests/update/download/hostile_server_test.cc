// Hostile servers and maps: whatever a server replies and a map lists, the
// launcher does not crash, writes nothing outside the game folder, and never
// reports a file done whose bytes differ from what its map names.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "test_support/publisher_client.h"
#include "update/download/download_engine_test.h"
#include "update/download/download_manager.h"
#include "update/download/download_test_support.h"
#include "update/download/resume_info.h"
#include "update/patch/patch_output_file.h"
#include "update/versions/server_replies.h"
#include "update/versions/version_map.h"

namespace {

using namespace download_testing;

// The last blocking reply; its callback is a plain function.
struct MemoryReply {
  int calls = 0;
  int code = 99;
  std::string data;
  std::string error;
};
MemoryReply g_memory;

void OnMemory(int, int code, const std::string&, const char* data, int length,
              const std::string& error) {
  ++g_memory.calls;
  g_memory.code = code;
  g_memory.data = data != nullptr ? std::string(data, length) : std::string();
  g_memory.error = error;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

// Names in `folder` (files and folders), without "." and "..".
std::vector<std::string> List(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

std::string Nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

class HostileTest : public DownloadEngineTest {
 protected:
  void SetUp() override {
    DownloadEngineTest::SetUp();
    g_memory = MemoryReply();
  }

  // A blocking request, as the states make them.
  void Fetch(const std::string& path) {
    g_memory = MemoryReply();
    manager_.DownloadMemory(path, "", &OnMemory, 2);
    ASSERT_EQ(g_memory.calls, 1) << path;
  }

  void AddFault(const std::string& json) {
    Json::Value fault;
    ASSERT_TRUE(ParseJsonText(json, &fault)) << json;
    ASSERT_TRUE(publisher_.AddFault(fault)) << json;
  }

  // Pumps until nothing of the engine's is left waiting, running or being
  // checked, so that late callbacks show.
  bool PumpUntilIdle(DWORD timeout_ms = 60000) {
    return PumpUntil(&manager_,
                     [&] {
                       return manager_.waiting_task_count() == 0 &&
                              manager_.running_task_count() == 0 &&
                              manager_.verifying_task_count() == 0;
                     },
                     timeout_ms);
  }
};

// A reply of a few thousand nested brackets is refused with the reader's
// text, wherever it comes: the directory reply, a map, the patch list.
TEST_F(HostileTest, DeeplyNestedRepliesAreRefusedNotFatal) {
  const std::string deep = Nested(20000);
  for (const char* path : {"/gate/get/urls", "/game/version_map.txt", "/game/patch_list.txt"}) {
    ASSERT_TRUE(publisher_.Reset());
    AddFault(std::string("{\"path\": \"") + path + "\", \"body\": \"" + deep + "\"}");
    Fetch(path + 1);
    EXPECT_EQ(g_memory.code, kRequestAnswered) << path;
    EXPECT_EQ(g_memory.data.size(), deep.size()) << path;
    EXPECT_FALSE(g_memory.error.empty()) << path << ": deep nesting taken as JSON";

    std::string error;
    std::vector<std::string> download, pre;
    EXPECT_FALSE(ParseDlcAddresses(g_memory.data, &download, &pre, &error, true));
    EXPECT_FALSE(error.empty());
    VersionMap map;
    error.clear();
    EXPECT_FALSE(ParseVersionMap(g_memory.data, &map, &error));
    EXPECT_FALSE(error.empty());
  }
  std::string error;
  EXPECT_FALSE(IsValidJson(deep.data(), static_cast<int64_t>(deep.size()), &error));
  EXPECT_FALSE(error.empty());
}

// A size no file of ours can have is refused at once with a reason, before
// anything is queued: cut into pieces it would exhaust memory or flood the
// servers with requests that all fail.
TEST_F(HostileTest, HugeSizesAreRefusedBeforeAnythingIsQueued) {
  ASSERT_TRUE(publisher_.PutFile("game/h.bin", MakeBytes(1000, 7)));
  manager_.SetPieceSizeForTesting(kPieceSize);
  for (int64_t size : {1LL << 40, 1LL << 62, INT64_MAX}) {
    Completions::Get().Clear();
    manager_.DownloadFile("game/h.bin", "game\\h.bin", Md5Hex("x"), size, &Completions::OnDone,
                          &Completions::OnSpeed, 5, 0, 0);
    ASSERT_EQ(manager_.waiting_task_count(), 0u) << size << " bytes queued";
    const Completion& done = Completions::Get().Of("game/h.bin");
    EXPECT_EQ(done.calls, 1) << size;
    EXPECT_LT(done.code, 0) << size;
    EXPECT_NE(done.error.find("bytes"), std::string::npos) << done.error;
    EXPECT_FALSE(Exists("game\\h.bin.cfg")) << size;
    manager_.CancelAll(kDownloadModeGame);
  }
}

bool TenMiBFree(const std::string&, int64_t* free_bytes) {
  *free_bytes = 10 << 20;
  return true;
}

TEST_F(HostileTest, FileLargerThanItsDrivesRoomIsRefused) {
  manager_.SetFreeSpaceSourceForTesting(&TenMiBFree);
  manager_.DownloadFile("game/big.bin", "game\\big.bin", Md5Hex("x"), 11 << 20,
                        &Completions::OnDone, &Completions::OnSpeed, 5, 0, 0);
  EXPECT_EQ(manager_.waiting_task_count(), 0u);
  const Completion& refused = Completions::Get().Of("game/big.bin");
  EXPECT_EQ(refused.code, kDownloadNoRoom);
  EXPECT_NE(refused.error.find("free"), std::string::npos) << refused.error;

  // What the file already holds needs no more room.
  CreateDirectoryA("game", nullptr);
  ASSERT_TRUE(WriteBytes("game\\big.bin", std::string(2 << 20, 'x')));
  manager_.DownloadFile("game/big.bin", "game\\big.bin", Md5Hex("x"), 11 << 20,
                        &Completions::OnDone, &Completions::OnSpeed, 5, 0, 0);
  EXPECT_GT(manager_.waiting_task_count(), 0u);
  EXPECT_EQ(Completions::Get().Of("game/big.bin").calls, 1);
  manager_.SetFreeSpaceSourceForTesting(nullptr);
}

// The names the launcher's own parts keep beside a file, taken from those
// parts, each refuse a map that lists them with that file: a new kind of
// bookkeeping cannot slip past the map check unnoticed.
TEST(BookkeepingNamesTest, EveryNameKeptBesideAFileRefusesTheMap) {
  const std::wstring patch_suffix = PatchOutputFile::kSuffix;
  const std::string names[] = {
      ResumeRecordPath("a.bin"),
      ResumeRecordPath("a.bin") + ".writing",
      std::string("a.bin") + kStagedSuffix,
      "a.bin" + std::string(patch_suffix.begin(), patch_suffix.end()),
      "a.bin.~12",
  };
  for (const std::string& name : names) {
    const std::string text = "{\"a.bin\": {\"md5\": \"\", \"size\": 1}, \"" + name +
                             "\": {\"md5\": \"\", \"size\": 1}}";
    VersionMap map;
    std::string error;
    EXPECT_FALSE(ParseVersionMap(text, &map, &error)) << name;
    EXPECT_NE(error.find("beside \"a.bin\""), std::string::npos) << error;
  }
}

// A file already in place is recognised by a digest in either case.
TEST_F(HostileTest, FileInPlaceMatchesAnUpperCaseDigest) {
  const std::string bytes = MakeBytes(150000, 3);
  CreateDirectoryA("game", nullptr);
  ASSERT_TRUE(WriteBytes("game\\p.bin", bytes));
  manager_.DownloadFile("game/p.bin", "game\\p.bin", Upper(Md5Hex(bytes)), 150000,
                        &Completions::OnDone, &Completions::OnSpeed, 5, 0, 0);
  EXPECT_EQ(Completions::Get().Of("game/p.bin").code, kDownloadDone);
  EXPECT_EQ(manager_.waiting_task_count(), 0u);
}

// A file's callback runs once, however many of its pieces fail: the states
// count finished files by it.
TEST_F(HostileTest, OneCallbackPerFileHoweverManyPiecesFail) {
  struct Case {
    const char* label;
    const char* fault;   // on every server
    int64_t size_error;  // the map's size minus the file's
  } cases[] = {
      {"every piece refused", R"({"path": "/game/three.bin", "status": 500})", 0},
      {"every piece empty", R"({"path": "/game/three.bin", "empty_body": true})", 0},
      {"every piece cut short",
       R"({"path": "/game/three.bin", "http10": true, "drop_after": 100})", 0},
      {"map states more bytes", nullptr, 1000},
      {"map states fewer bytes", nullptr, -1000},
  };
  const std::string bytes = MakeBytes(150000, 9);  // three pieces
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(publisher_.Reset());
    ASSERT_TRUE(publisher_.PutFile("game/three.bin", bytes));
    if (c.fault != nullptr) AddFault(c.fault);
    Completions::Get().Clear();
    manager_.DownloadFile("game/three.bin", "game\\three.bin", Md5Hex(bytes),
                          static_cast<int64_t>(bytes.size()) + c.size_error, &Completions::OnDone,
                          &Completions::OnSpeed, 5, 0, 0);
    EXPECT_TRUE(PumpUntilIdle());
    const Completion& done = Completions::Get().Of("game/three.bin");
    EXPECT_EQ(done.calls, 1);
    EXPECT_LT(done.code, 0);
    manager_.CancelAll(kDownloadModeGame);
  }
}

// --- A table of hostile maps and replies -------------------------------------

// One file a case publishes under "/game/" and lists in its map.
struct Listed {
  const char* name;
  int64_t size;                // bytes published
  const char* md5 = "right";   // "right", "upper" (right, upper-case), "" or a text
  int64_t map_size = -1;       // the size the map states; -1: the published size
};

struct HostileCase {
  const char* label;
  std::vector<Listed> files;
  std::vector<const char*> faults;  // publisher faults (JSON)
  std::string raw_map;              // the map's text; empty: built from `files`
  const char* refused;              // the map is refused with this in its error; null: taken
  bool all_done;                    // every file ends done (else at least one fails)
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.label; }

const int64_t kTiB = 1LL << 40;

const HostileCase kCases[] = {
    {"plain_map", {{"a.bin", 1000}, {"k/b.bin", 150000}}, {}, "", nullptr, true},
    {"escape_the_folder", {{"k/../../x.bin", 1000}}, {}, "", "relative path", false},
    // 1: nesting deeper than the reader's stack.
    {"deep_map", {}, {}, Nested(5000), "", false},
    // 2: sizes no file of ours can have.
    {"size_2_40", {{"h.bin", 1000, "right", kTiB}}, {}, "", "size", false},
    {"size_2_62", {{"h.bin", 1000, "right", kTiB << 22}}, {}, "", "size", false},
    // 3: replies that end early; without a digest only the size can tell.
    {"http10_closed_half_way",
     {{"s.bin", 200000, ""}, {"t.bin", 5000, ""}},
     {R"({"path": "/game/?.bin", "http10": true, "drop_after": 1000})"}, "", nullptr, false},
    {"http10_closed_half_way_then_whole",
     {{"s.bin", 200000, ""}},
     {R"({"path": "/game/s.bin", "http10": true, "drop_after": 1000, "times": 2})"}, "", nullptr,
     true},
    {"empty_206", {{"e.bin", 5000, ""}}, {R"({"path": "/game/e.bin", "empty_body": true})"}, "",
     nullptr, false},
    {"empty_206_with_digest", {{"e.bin", 150000}},
     {R"({"path": "/game/e.bin", "empty_body": true})"}, "", nullptr, false},
    // 4: names the launcher keeps beside a file it fetches, patches or writes.
    {"resume_record", {{"a.bin", 150000}, {"a.bin.cfg", 1000}}, {}, "", "beside", false},
    {"record_being_written", {{"a.bin", 150000}, {"a.bin.cfg.writing", 1000}}, {}, "", "beside",
     false},
    {"staged_file", {{"a.bin", 1000}, {"a.bin.part", 1000}}, {}, "", "beside", false},
    {"patched_file", {{"a.bin", 1000}, {"a.bin.qvpatch", 1000}}, {}, "", "beside", false},
    {"whole_file_write", {{"a.bin", 1000}, {"a.bin.~0", 1000}}, {}, "", "beside", false},
    {"resume_record_as_windows_names_it", {{"k/a.bin", 150000}, {"K/A.BIN.CFG.", 1000}}, {}, "",
     "beside", false},
    {"record_name_alone", {{"a.bin.cfg", 1000}, {"b.part", 150000}}, {}, "", nullptr, true},
    // 6: digests in upper-case hexadecimal, a small file and one of pieces.
    {"upper_case_digest", {{"u.bin", 1000, "upper"}, {"v.bin", 150000, "upper"}}, {}, "", nullptr,
     true},
    // 5: names Windows takes for one file.
    {"case_twins", {{"k/Data.bin", 1000}, {"k/data.BIN", 2000}}, {}, "", "one file", false},
    {"folder_case_twins", {{"K/x.bin", 1000}, {"k/x.bin", 2000}}, {}, "", "one file", false},
    {"non_ascii_case_twins", {{"\xc3\xbc.bin", 1000}, {"\xc3\x9c.bin", 2000}}, {}, "", "one file",
     false},
    {"trailing_dot", {{"evil.", 1000}, {"evil", 2000}}, {}, "", "one file", false},
    {"trailing_blank", {{"evil ", 1000}, {"evil", 2000}}, {}, "", "one file", false},
    {"folder_trailing_dot", {{"dir./x", 1000}, {"dir/x", 2000}}, {}, "", "one file", false},
    {"backslash_twin", {{"dir\\x", 1000}, {"dir/x", 2000}}, {}, "", "one file", false},
};

class HostileMapTest : public HostileTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileMapTest, ClearErrorNoCrashNothingOutsideNothingWrongDone) {
  const HostileCase& c = GetParam();
  // The game folder sits inside "box", so a write beside it shows too.
  const std::string game = "box\\game";
  ASSERT_TRUE(CreateDirectoryA("box", nullptr));
  ASSERT_TRUE(CreateDirectoryA(game.c_str(), nullptr));

  std::map<std::string, std::string> published;
  Json::Value list(Json::objectValue);
  uint32_t seed = 1;
  for (const Listed& file : c.files) {
    std::string bytes = MakeBytes(static_cast<size_t>(file.size), seed++);
    ASSERT_TRUE(publisher_.PutFile(std::string("game/") + file.name, bytes)) << file.name;
    published[file.name] = bytes;
    std::string md5 = file.md5;
    if (md5 == "right") md5 = Md5Hex(bytes);
    if (md5 == "upper") md5 = Upper(Md5Hex(bytes));
    Json::Value entry(Json::objectValue);
    entry["md5"] = md5;
    entry["size"] = static_cast<Json::Int64>(file.map_size >= 0 ? file.map_size : file.size);
    list[file.name] = entry;
  }
  std::string map_text = c.raw_map;
  if (map_text.empty()) {
    Json::Value root(Json::objectValue);
    root["version"] = "1_2_3";
    root["list"] = list;
    Json::StreamWriterBuilder builder;
    map_text = Json::writeString(builder, root);
  }
  ASSERT_TRUE(publisher_.PutFile("game/version_map.txt", map_text));
  for (const char* fault : c.faults) AddFault(fault);

  // The map comes as the states fetch it.
  Fetch("game/version_map.txt");
  EXPECT_EQ(g_memory.code, kRequestAnswered);
  VersionMap map;
  std::string error;
  const bool taken = ParseVersionMap(g_memory.data, &map, &error);
  if (c.refused != nullptr) {
    // Downloading what should have been refused may never end.
    ASSERT_FALSE(taken) << "a map that should be refused was taken";
    EXPECT_NE(error.find(c.refused), std::string::npos) << error;
    EXPECT_TRUE(map.empty());
  } else {
    EXPECT_TRUE(taken) << error;
  }

  // Whatever was taken is downloaded, and what is reported done is checked.
  std::vector<std::string> queued;
  for (const auto& item : map) {
    if (item.first == kVersionEntryName) continue;
    std::string local = game + "\\" + item.first;
    std::replace(local.begin(), local.end(), '/', '\\');
    manager_.DownloadFile("game/" + item.first, local, item.second.md5, item.second.size,
                          &Completions::OnDone, &Completions::OnSpeed, 5, 0, 0);
    queued.push_back(item.first);
  }
  EXPECT_TRUE(PumpUntilIdle()) << "the engine did not settle";
  bool any_failed = false;
  for (const std::string& name : queued) {
    const Completion& done = Completions::Get().Of("game/" + name);
    EXPECT_EQ(done.calls, 1) << name;
    if (done.code != kDownloadDone) {
      any_failed = true;
      EXPECT_FALSE(done.error.empty()) << name << ": a failure without a reason";
      // Without a digest nothing could tell its bytes from whole ones later.
      if (map[name].md5.empty()) {
        EXPECT_FALSE(Exists(game + "\\" + name)) << name;
      }
      continue;
    }
    std::string local = game + "\\" + name, bytes;
    std::replace(local.begin(), local.end(), '/', '\\');
    ASSERT_TRUE(ReadBytes(local, &bytes)) << name << " reported done but is gone";
    const VersionMapEntry& entry = map[name];
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), entry.size) << name << " reported done";
    if (!entry.md5.empty()) {
      EXPECT_EQ(Md5Hex(bytes), Lower(entry.md5)) << name << " reported done";
    } else {
      EXPECT_TRUE(bytes == published[name]) << name << " reported done";
    }
  }
  if (c.refused == nullptr) {
    EXPECT_EQ(!any_failed, c.all_done) << (any_failed ? "a file failed" : "every file was done");
  }
  EXPECT_EQ(List("."), (std::vector<std::string>{"box", "save"}));
  EXPECT_EQ(List("box"), std::vector<std::string>{"game"});
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileMapTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                           return std::string(info.param.label);
                         });

}  // namespace
