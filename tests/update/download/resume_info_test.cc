// Resume records: what is trusted, how files are cut into pieces, and the
// files that need no transfer at all. No server is asked here.
#include "update/download/resume_info.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support/temp_folder.h"
#include "update/download/download_manager.h"
#include "update/download/download_test_support.h"

namespace {

using namespace download_testing;

class ResumeInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
    CreateDirectoryW(L"save", nullptr);
  }
  void TearDown() override { SetCurrentDirectoryW(previous_); }

  testing_support::TempFolder folder_;
  wchar_t previous_[MAX_PATH] = {};
};

const char kMd5[] = "0123456789abcdef0123456789abcdef";

TEST_F(ResumeInfoTest, SavedRecordReadsBack) {
  std::vector<PieceInfo> pieces = {{0, 10, 99}, {1, 150, 199}, {2, 250, 200}};
  ASSERT_TRUE(SaveResumeInfo("deep\\folder\\a.dat", kMd5, pieces));
  std::string text;
  ASSERT_TRUE(ReadBytes("deep\\folder\\a.dat.cfg", &text));
  EXPECT_EQ(text,
            "{\n\t\"infoList\" : \n\t[\n"
            "\t\t{\n\t\t\t\"begin\" : 10,\n\t\t\t\"end\" : 99,\n\t\t\t\"index\" : 0\n\t\t},\n"
            "\t\t{\n\t\t\t\"begin\" : 150,\n\t\t\t\"end\" : 199,\n\t\t\t\"index\" : 1\n\t\t},\n"
            "\t\t{\n\t\t\t\"begin\" : 250,\n\t\t\t\"end\" : 200,\n\t\t\t\"index\" : 2\n\t\t}\n"
            "\t],\n\t\"md5\" : \"0123456789abcdef0123456789abcdef\"\n}");
  EXPECT_FALSE(Exists("deep\\folder\\a.dat.cfg.writing"));
  EXPECT_TRUE(ResumeInfoMatches("deep\\folder\\a.dat", kMd5));
  EXPECT_FALSE(ResumeInfoMatches("deep\\folder\\a.dat", "ffff"));

  // Bytes 0-9, 100-149 and 200-299 are claimed: the partial file must hold
  // them.
  ASSERT_TRUE(WriteBytes("deep\\folder\\a.dat", std::string(299, 'x')));
  std::vector<PieceInfo> loaded;
  EXPECT_FALSE(LoadResumeInfo("deep\\folder\\a.dat", kMd5, 300, &loaded));
  ASSERT_TRUE(WriteBytes("deep\\folder\\a.dat", std::string(300, 'x')));
  ASSERT_TRUE(LoadResumeInfo("deep\\folder\\a.dat", kMd5, 300, &loaded));
  ASSERT_EQ(loaded.size(), 2u);  // the finished piece 2 is left out
  EXPECT_EQ(loaded[0].index, 0);
  EXPECT_EQ(loaded[0].begin, 10);
  EXPECT_EQ(loaded[1].begin, 150);
  EXPECT_EQ(loaded[1].end, 199);

  DeleteResumeInfo("deep\\folder\\a.dat");
  EXPECT_FALSE(Exists("deep\\folder\\a.dat.cfg"));
  EXPECT_TRUE(Exists("deep\\folder\\a.dat"));  // the data is not the record's to delete
}

// Records that must not be trusted, whatever they say.
TEST_F(ResumeInfoTest, UntrustedRecords) {
  struct Case {
    const char* name;
    std::string record;
    int64_t file_length;  // -1: no partial file
    bool trusted;
  };
  auto record = [](const std::string& md5, const std::string& list) {
    return "{\"md5\": \"" + md5 + "\", \"infoList\": [" + list + "]}";
  };
  const std::string md5 = kMd5;
  const std::vector<Case> cases = {
      {"good", record(md5, R"({"index":0,"begin":40,"end":99})"), 40, true},
      {"nothing written yet, no file", record(md5, R"({"index":0,"begin":0,"end":99})"), -1,
       true},
      {"other digest", record("ffffffffffffffffffffffffffffffff",
                              R"({"index":0,"begin":40,"end":99})"),
       40, false},
      {"every piece finished", record(md5, R"({"index":0,"begin":100,"end":99})"), 100, false},
      {"empty list", record(md5, ""), 100, false},
      {"begin below 0", record(md5, R"({"index":0,"begin":-5,"end":99})"), 40, false},
      {"end past the file", record(md5, R"({"index":0,"begin":40,"end":100})"), 40, false},
      {"overlapping pieces",
       record(md5, R"({"index":0,"begin":10,"end":60},{"index":1,"begin":50,"end":99})"), 10,
       false},
      {"index twice",
       record(md5, R"({"index":0,"begin":10,"end":49},{"index":0,"begin":50,"end":99})"), 10,
       false},
      {"partial file shorter than claimed", record(md5, R"({"index":0,"begin":40,"end":99})"), 39,
       false},
      {"claimed bytes missing, no file", record(md5, R"({"index":0,"begin":40,"end":99})"), -1,
       false},
      {"partial file longer than the file", record(md5, R"({"index":0,"begin":40,"end":99})"),
       101, false},
      {"begin not a number", record(md5, R"({"index":0,"begin":"40","end":99})"), 40, false},
      {"md5 not a string", R"({"md5": 5, "infoList": []})", 40, false},
      {"torn record", R"({"md5": "0123456789abcdef0123456789abcdef", "infoLi)", 40, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileA("f.dat");
    ASSERT_TRUE(WriteBytes("f.dat.cfg", c.record));
    if (c.file_length >= 0) {
      ASSERT_TRUE(WriteBytes("f.dat", std::string(c.file_length, 'x')));
    }
    std::vector<PieceInfo> pieces;
    EXPECT_EQ(LoadResumeInfo("f.dat", md5, 100, &pieces), c.trusted);
    EXPECT_EQ(pieces.empty(), !c.trusted);
    // Loading deletes nothing.
    EXPECT_TRUE(Exists("f.dat.cfg"));
    EXPECT_EQ(Exists("f.dat"), c.file_length >= 0);
  }
}

// Files are cut into pieces of the piece size; the record is written when
// the file is queued. A small file of one piece is fetched beside its name
// instead and has no record.
TEST_F(ResumeInfoTest, PiecesOfAFile) {
  DownloadManager manager;
  manager.Init(DownloadManager::ServerOverrides());
  manager.set_active_servers({"http://127.0.0.1:1"});
  struct Case {
    int64_t piece_size;
    int64_t size;
    std::vector<std::vector<int64_t>> pieces;  // index, begin, end; empty: staged
  };
  const int64_t mib32 = 33554432;
  const std::vector<Case> cases = {
      {kPieceSize, mib32, {{0, 0, mib32 - 1}}},
      {kPieceSize, mib32 + 1, {{0, 0, mib32 - 1}, {1, mib32, mib32}}},
      {kPieceSize, 2 * mib32, {{0, 0, mib32 - 1}, {1, mib32, 2 * mib32 - 1}}},
      {kPieceSize, kStagedFileLimit + 1, {{0, 0, kStagedFileLimit}}},
      {kPieceSize, kStagedFileLimit, {}},
      {kPieceSize, 5, {}},
      {1000, 2500, {{0, 0, 999}, {1, 1000, 1999}, {2, 2000, 2499}}},
      {1000, 1001, {{0, 0, 999}, {1, 1000, 1000}}},
      {1000, 1000, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    manager.SetPieceSizeForTesting(c.piece_size);
    manager.DownloadFile("a.dat", "cut\\a.dat", kMd5, c.size, &Completions::OnDone, nullptr, 5, 0,
                         0);
    EXPECT_EQ(manager.waiting_task_count(), std::max<size_t>(c.pieces.size(), 1));
    if (c.pieces.empty()) {
      EXPECT_FALSE(Exists("cut\\a.dat.cfg"));
      manager.CancelAll(kDownloadModeGame);
      continue;
    }
    std::string text;
    Json::Value record;
    ASSERT_TRUE(ReadBytes("cut\\a.dat.cfg", &text));
    ASSERT_TRUE(ParseJsonText(text, &record));
    EXPECT_EQ(record["md5"].asString(), kMd5);
    ASSERT_EQ(record["infoList"].size(), c.pieces.size());
    for (Json::ArrayIndex i = 0; i < record["infoList"].size(); ++i) {
      const Json::Value& piece = record["infoList"][i];
      EXPECT_EQ(piece["index"].asInt64(), c.pieces[i][0]);
      EXPECT_EQ(piece["begin"].asInt64(), c.pieces[i][1]);
      EXPECT_EQ(piece["end"].asInt64(), c.pieces[i][2]);
    }
    // Cancelling keeps the record, and nothing was fetched or created.
    manager.CancelAll(kDownloadModeGame);
    EXPECT_EQ(manager.waiting_task_count(), 0u);
    EXPECT_TRUE(Exists("cut\\a.dat.cfg"));
    EXPECT_FALSE(Exists("cut\\a.dat"));
    DeleteFileA("cut\\a.dat.cfg");
  }
}

// Files that need no transfer: empty ones, ones already whole, and no servers.
TEST_F(ResumeInfoTest, FilesDoneWithoutTransfer) {
  DownloadManager manager;
  manager.Init(DownloadManager::ServerOverrides());
  Completions::Get().Clear();

  manager.DownloadFile("none.dat", "none.dat", kMd5, 10, &Completions::OnDone, nullptr, 5, 0, 0);
  EXPECT_EQ(Completions::Get().Of("none.dat").code, kDownloadNoServers);
  EXPECT_EQ(Completions::Get().Of("none.dat").error, "DownloadFile URL is empty");

  manager.set_active_servers({"http://127.0.0.1:1"});
  manager.DownloadFile("empty.dat", "sub\\empty.dat", "", 0, &Completions::OnDone, nullptr, 5, 0,
                       0);
  EXPECT_EQ(Completions::Get().Of("empty.dat").code, kDownloadDone);
  std::string bytes;
  ASSERT_TRUE(ReadBytes("sub\\empty.dat", &bytes));
  EXPECT_EQ(bytes, "");
  // An "empty" file that has bytes in it is emptied, not passed as done.
  ASSERT_TRUE(WriteBytes("sub\\empty.dat", "junk"));
  manager.DownloadFile("empty.dat", "sub\\empty.dat", "", 0, &Completions::OnDone, nullptr, 5, 0,
                       0);
  ASSERT_TRUE(ReadBytes("sub\\empty.dat", &bytes));
  EXPECT_EQ(bytes, "");

  // Already whole: done at once, its size counted, no record written.
  const std::string whole = MakeBytes(3000, 1);
  ASSERT_TRUE(WriteBytes("whole.dat", whole));
  manager.DownloadFile("whole.dat", "whole.dat", Md5Hex(whole), 3000, &Completions::OnDone,
                       nullptr, 5, 0, 0);
  EXPECT_EQ(Completions::Get().Of("whole.dat").code, kDownloadDone);
  EXPECT_EQ(Completions::Get().Of("whole.dat").user_value, 5);
  EXPECT_EQ(manager.done_bytes(), 3000);
  EXPECT_FALSE(Exists("whole.dat.cfg"));
  EXPECT_EQ(manager.waiting_task_count(), 0u);

  // Whole, but its record was left behind (every piece had finished when the
  // launcher stopped): the digest decides before anything is thrown away.
  ASSERT_TRUE(SaveResumeInfo("whole.dat", Md5Hex(whole), {{0, 3000, 2999}}));
  manager.DownloadFile("whole.dat", "whole.dat", Md5Hex(whole), 3000, &Completions::OnDone,
                       nullptr, 5, 0, 0);
  EXPECT_EQ(Completions::Get().Of("whole.dat").calls, 2);
  EXPECT_EQ(Completions::Get().Of("whole.dat").code, kDownloadDone);
  EXPECT_FALSE(Exists("whole.dat.cfg"));
  ASSERT_TRUE(ReadBytes("whole.dat", &bytes));
  EXPECT_EQ(bytes, whole);

  // Not whole and no record to trust: the stale bytes go, the file is
  // fetched anew (small: beside its name, without a record).
  ASSERT_TRUE(WriteBytes("stale.dat", "stale bytes that are longer than nothing"));
  ASSERT_TRUE(SaveResumeInfo("stale.dat", "ffffffffffffffffffffffffffffffff", {{0, 5, 2999}}));
  manager.DownloadFile("stale.dat", "stale.dat", Md5Hex(whole), 3000, &Completions::OnDone,
                       nullptr, 5, 0, 0);
  EXPECT_EQ(Completions::Get().Of("stale.dat").calls, 0);
  EXPECT_FALSE(Exists("stale.dat"));
  EXPECT_FALSE(Exists("stale.dat.cfg"));
  EXPECT_EQ(manager.waiting_task_count(), 1u);
}

}  // namespace
