// Whole-file downloads against the sample publisher: parallel pieces, resume,
// failover and the faults a server can show.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "test_support/publisher_client.h"
#include "test_support/publisher_folder_test.h"
#include "test_support/temp_folder.h"
#include "update/download/download_engine_test.h"
#include "update/download/download_manager.h"
#include "update/download/download_test_support.h"
#include "update/download/resume_info.h"

namespace {

using namespace download_testing;
using testing_support::PublisherClient;

Json::Value Fault(const std::string& server, const std::string& path) {
  Json::Value fault;
  fault["server"] = server;
  fault["path"] = path;
  return fault;
}

// "bytes=a-b" -> a, b.
bool ParseRange(const Json::Value& entry, int64_t* first, int64_t* last) {
  if (!entry["range"].isString()) return false;
  long long a = 0, b = 0;
  if (sscanf(entry["range"].asCString(), "bytes=%lld-%lld", &a, &b) != 2) return false;
  *first = a;
  *last = b;
  return true;
}

// The largest number of requests the servers were answering at one moment.
int MostAtOnce(const Json::Value& log) {
  std::vector<std::pair<double, int>> events;
  for (const Json::Value& entry : log) {
    events.push_back({entry["started"].asDouble(), 1});
    events.push_back({entry["finished"].asDouble(), -1});
  }
  // At equal times an end comes before a start.
  std::sort(events.begin(), events.end());
  int now = 0, most = 0;
  for (const auto& event : events) {
    now += event.second;
    most = std::max(most, now);
  }
  return most;
}

std::vector<std::string> Servers(const Json::Value& log) {
  std::vector<std::string> servers;
  for (const Json::Value& entry : log) servers.push_back(entry["server"].asString());
  return servers;
}

class DownloadFilesTest : public DownloadEngineTest {
 protected:
  // Publishes `size` bytes as `path` and returns them.
  std::string Publish(const std::string& path, size_t size, uint32_t seed) {
    std::string bytes = MakeBytes(size, seed);
    EXPECT_TRUE(publisher_.PutFile(path, bytes));
    return bytes;
  }

  void Download(const std::string& path, const std::string& bytes) {
    manager_.DownloadFile(path, Local(path), Md5Hex(bytes), static_cast<int64_t>(bytes.size()),
                          &Completions::OnDone, &Completions::OnSpeed, 5, 0, 0);
  }

  bool WaitFor(const std::string& path, DWORD timeout_ms = 30000) {
    return PumpUntil(&manager_, [&] { return Completions::Get().Of(path).calls > 0; },
                     timeout_ms);
  }

  static std::string Local(const std::string& path) {
    std::string local = "update\\" + path;
    std::replace(local.begin(), local.end(), '/', '\\');
    return local;
  }

  // The file arrived whole, with nothing of the download left beside it.
  void ExpectWhole(const std::string& path, const std::string& bytes) {
    const Completion& done = Completions::Get().Of(path);
    EXPECT_EQ(done.calls, 1) << path;
    EXPECT_EQ(done.code, kDownloadDone) << path << ": " << done.error;
    EXPECT_EQ(done.error, "");
    std::string local;
    ASSERT_TRUE(ReadBytes(Local(path), &local)) << path;
    EXPECT_TRUE(local == bytes) << path << " differs";
    EXPECT_FALSE(Exists(Local(path) + ".cfg")) << path;
  }

  std::string Trace() {
    std::string text;
    ReadBytes("save\\dltrace.log", &text);
    return text;
  }
};

TEST_F(DownloadFilesTest, ManyFilesInParallel) {
  // Slow replies, so that transfers overlap and the cap shows.
  Json::Value slow = Fault("*", "/many/*");
  slow["trickle_bytes"] = 16384;
  slow["trickle_ms"] = 10;
  ASSERT_TRUE(publisher_.AddFault(slow));
  std::vector<std::string> paths, contents;
  int64_t total = 0;
  size_t pieces = 0;
  for (int i = 0; i < 16; ++i) {
    size_t size = 1000 + static_cast<size_t>(i) * 23000;  // up to 6 pieces
    paths.push_back("many/f" + std::to_string(i) + ".bin");
    contents.push_back(Publish(paths.back(), size, 100 + i));
    total += static_cast<int64_t>(size);
    pieces += (size + 65535) / 65536;
  }
  for (size_t i = 0; i < paths.size(); ++i) Download(paths[i], contents[i]);
  manager_.set_total_bytes(total);
  ASSERT_TRUE(PumpUntil(&manager_, [&] { return Completions::Get().Count() == paths.size(); },
                        60000));
  for (size_t i = 0; i < paths.size(); ++i) ExpectWhole(paths[i], contents[i]);

  Json::Value log = publisher_.Log();
  EXPECT_EQ(log.size(), pieces);  // each piece asked for once
  EXPECT_LE(MostAtOnce(log), 5);
  EXPECT_GE(MostAtOnce(log), 3);  // and they did run side by side
  std::set<std::string> seen;
  for (const Json::Value& entry : log) {
    EXPECT_EQ(entry["server"].asString(), "dl0");
    EXPECT_EQ(entry["status"].asInt(), 206);
    EXPECT_TRUE(seen.insert(entry["path"].asString() + entry["range"].asString()).second);
  }

  EXPECT_EQ(manager_.done_bytes(), total);
  std::vector<DownloadProgressEvent> progress = delegate_.Of<DownloadProgressEvent>();
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().total_bytes, total);
  EXPECT_EQ(progress.back().done_bytes, total);
  EXPECT_GT(Completions::Get().speed_readings(), 0);
}

TEST_F(DownloadFilesTest, CancelThenResumeFromTheRecord) {
  Json::Value slow = Fault("*", "/resume/*");
  slow["trickle_bytes"] = 2048;
  slow["trickle_ms"] = 50;
  ASSERT_TRUE(publisher_.AddFault(slow));
  const std::string bytes = Publish("resume/big.bin", 5 * 65536 + 100, 7);
  Download("resume/big.bin", bytes);
  // Run until the record shows progress, then stop everything.
  std::string record;
  ASSERT_TRUE(PumpUntil(&manager_, [&] {
    Json::Value value;
    if (!ReadBytes(Local("resume/big.bin") + ".cfg", &record) || !ParseJsonText(record, &value))
      return false;
    int moved = 0;
    for (const Json::Value& piece : value["infoList"]) {
      if (piece["begin"].asInt64() > piece["index"].asInt64() * 65536) ++moved;
    }
    return moved >= 2;
  }, 20000));
  manager_.CancelAll(kDownloadModeGame);
  EXPECT_EQ(Completions::Get().Of("resume/big.bin").calls, 0);
  ASSERT_TRUE(Exists(Local("resume/big.bin") + ".cfg"));

  std::vector<PieceInfo> left;
  ASSERT_TRUE(LoadResumeInfo(Local("resume/big.bin"), Md5Hex(bytes), bytes.size(), &left));
  int64_t missing = 0;
  for (const PieceInfo& piece : left) missing += piece.end - piece.begin + 1;
  Json::Value before = publisher_.Log();
  ASSERT_FALSE(before.empty());
  const int64_t seq = before[before.size() - 1]["seq"].asInt64();

  Download("resume/big.bin", bytes);
  EXPECT_EQ(manager_.done_bytes(), static_cast<int64_t>(bytes.size()) - missing);
  ASSERT_TRUE(WaitFor("resume/big.bin"));
  ExpectWhole("resume/big.bin", bytes);

  // The second run asked only for what the record listed, from its begins.
  Json::Value again = publisher_.Log("since=" + std::to_string(seq));
  ASSERT_EQ(again.size(), left.size());
  for (const Json::Value& entry : again) {
    int64_t first = 0, last = 0;
    ASSERT_TRUE(ParseRange(entry, &first, &last));
    bool listed = false;
    for (const PieceInfo& piece : left) listed |= piece.begin == first && piece.end == last;
    EXPECT_TRUE(listed) << entry["range"].asString();
  }
}

// Transfers still waiting for a connection when cancelled (until the first
// reply shows whether the server multiplexes, the others are held back) leave
// their handles fit for the next files.
TEST_F(DownloadFilesTest, CancelWhileWaitingForAConnection) {
  Json::Value late = Fault("*", "/wait/first.bin");
  late["delay_ms"] = 4000;
  ASSERT_TRUE(publisher_.AddFault(late));
  const std::string first = Publish("wait/first.bin", 60000, 31);  // one piece
  std::vector<std::string> paths, contents;
  for (int i = 0; i < 4; ++i) {
    paths.push_back("wait/s" + std::to_string(i) + ".bin");
    contents.push_back(Publish(paths.back(), 20000 + i, 40 + i));
  }
  Download("wait/first.bin", first);
  ASSERT_TRUE(PumpUntil(&manager_, [&] { return manager_.running_task_count() == 1; }, 10000));
  for (size_t i = 0; i < paths.size(); ++i) Download(paths[i], contents[i]);
  for (int i = 0; i < 3; ++i) manager_.Pump();
  EXPECT_EQ(manager_.running_task_count(), 5u);
  manager_.CancelAll(kDownloadModeGame);

  for (size_t i = 0; i < paths.size(); ++i) Download(paths[i], contents[i]);
  for (size_t i = 0; i < paths.size(); ++i) {
    ASSERT_TRUE(WaitFor(paths[i]));
    ExpectWhole(paths[i], contents[i]);
  }
}

// Cancelled at any moment (waiting, receiving, its digest being checked),
// a file reports nothing afterwards, and the next run finishes it whole.
TEST_F(DownloadFilesTest, CancelAtAnyMoment) {
  const std::string bytes = Publish("cancel/c.bin", 40 * 65536 + 77, 11);
  const std::string small = Publish("cancel/s.bin", 30000, 12);
  bool saw_check = false;
  for (int pumps = 0; pumps < 200; ++pumps) {
    Download("cancel/c.bin", bytes);
    Download("cancel/s.bin", small);
    for (int i = 0; i < pumps % 8 && Completions::Get().Count() == 0; ++i) {
      manager_.Pump();
      saw_check |= manager_.verifying_task_count() > 0;
    }
    if (Completions::Get().Count() > 0) break;
    manager_.CancelAll(kDownloadModeGame);
    for (int i = 0; i < 3; ++i) manager_.Pump();
    ASSERT_EQ(Completions::Get().Count(), 0u) << "a cancelled file reported after " << pumps;
    // A small file caught while being put in place may be there, but whole.
    std::string there;
    if (ReadBytes(Local("cancel/s.bin"), &there)) {
      EXPECT_TRUE(there == small) << pumps;
    }
  }
  manager_.CancelAll(kDownloadModeGame);
  Completions::Get().Clear();
  Download("cancel/c.bin", bytes);
  Download("cancel/s.bin", small);
  ASSERT_TRUE(WaitFor("cancel/c.bin"));
  ASSERT_TRUE(WaitFor("cancel/s.bin"));
  ExpectWhole("cancel/c.bin", bytes);
  ExpectWhole("cancel/s.bin", small);
  EXPECT_FALSE(Exists(Local("cancel/s.bin") + ".part"));
  // Whether a cancel met a check depends on timing; say so when it did not.
  if (!saw_check) printf("note: no cancel met a digest check in this run\n");
}

TEST_F(DownloadFilesTest, OtherDigestStartsAnew) {
  const std::string bytes = Publish("anew/a.bin", 100000, 9);
  CreateDirectoryA("update", nullptr);
  CreateDirectoryA("update\\anew", nullptr);
  ASSERT_TRUE(WriteBytes(Local("anew/a.bin"), std::string(50000, 'x')));
  ASSERT_TRUE(SaveResumeInfo(Local("anew/a.bin"), "ffffffffffffffffffffffffffffffff",
                             {{0, 50000, 65535}, {1, 65536, 99999}}));
  Download("anew/a.bin", bytes);
  EXPECT_EQ(manager_.done_bytes(), 0);
  ASSERT_TRUE(WaitFor("anew/a.bin"));
  ExpectWhole("anew/a.bin", bytes);
  // Both pieces whole, from their first bytes.
  std::set<std::string> ranges;
  for (const Json::Value& entry : publisher_.Log()) ranges.insert(entry["range"].asString());
  EXPECT_EQ(ranges, (std::set<std::string>{"bytes=0-65535", "bytes=65536-99999"}));
}

// A record that claims bytes the disk lost (a power cut after the record was
// written): the digest catches it and the file is fetched again.
TEST_F(DownloadFilesTest, RecordClaimingLostBytes) {
  const std::string bytes = Publish("lost/a.bin", 100000, 11);
  CreateDirectoryA("update", nullptr);
  CreateDirectoryA("update\\lost", nullptr);
  ASSERT_TRUE(WriteBytes(Local("lost/a.bin"), std::string(100000, '\0')));
  ASSERT_TRUE(SaveResumeInfo(Local("lost/a.bin"), Md5Hex(bytes),
                             {{0, 50000, 65535}, {1, 65536, 99999}}));
  Download("lost/a.bin", bytes);
  ASSERT_TRUE(WaitFor("lost/a.bin"));
  ExpectWhole("lost/a.bin", bytes);
  std::multiset<std::string> ranges;
  for (const Json::Value& entry : publisher_.Log()) ranges.insert(entry["range"].asString());
  EXPECT_EQ(ranges, (std::multiset<std::string>{"bytes=50000-65535", "bytes=65536-99999",
                                                "bytes=0-65535", "bytes=65536-99999"}));
  EXPECT_NE(Trace().find("lost/a.bin:" + Md5Hex(bytes) + "!="), std::string::npos);
}

// Each fault on the first server, and what the engine makes of it.
TEST_F(DownloadFilesTest, FaultsOnTheFirstServer) {
  struct Case {
    const char* name;
    Json::Value fault;                // on dl0, for this file's path
    std::vector<std::string> served;  // servers in the order asked (of the one piece)
  };
  auto make = [](std::initializer_list<std::pair<const char*, Json::Value>> members) {
    Json::Value fault(Json::objectValue);
    for (const auto& m : members) fault[m.first] = m.second;
    return fault;
  };
  const std::vector<Case> cases = {
      {"404", make({{"status", 404}}), {"dl0", "dl0", "dl0", "dl1"}},
      {"500 with a page", make({{"status", 500}, {"body", "<html>oops</html>"}}),
       {"dl0", "dl0", "dl0", "dl1"}},
      // Wrong bytes fail the digest; the file is fetched anew, on dl1 at last.
      {"corrupt", make({{"corrupt", true}}), {"dl0", "dl0", "dl0", "dl1"}},
      // The server says more than it sends and closes: the bytes it did send
      // are the whole range.
      {"longer length", make({{"length_delta", 1000}}), {"dl0"}},
      // It says less: the rest is asked for again from where it stopped.
      {"shorter length", make({{"length_delta", -1000}, {"times", 1}}), {"dl0", "dl0"}},
  };
  int seed = 20;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(publisher_.Reset());
    Completions::Get().Clear();
    const std::string path = std::string("faults/") + std::to_string(seed) + ".bin";
    const std::string bytes = Publish(path, 50000, seed++);
    Json::Value fault = c.fault;
    fault["server"] = "dl0";
    fault["path"] = "/" + path;
    ASSERT_TRUE(publisher_.AddFault(fault));
    Download(path, bytes);
    ASSERT_TRUE(WaitFor(path));
    ExpectWhole(path, bytes);
    Json::Value log = publisher_.Log();
    EXPECT_EQ(Servers(log), c.served);
    if (std::string(c.name) == "shorter length") {
      EXPECT_EQ(log[1]["range"].asString(), "bytes=49000-49999");
    }
  }
}

TEST_F(DownloadFilesTest, DropMidPieceResumesWhereItStopped) {
  const std::string bytes = Publish("drop/a.bin", 60000, 31);
  Json::Value drop = Fault("dl0", "/drop/a.bin");
  drop["drop_after"] = 30000;
  drop["trickle_bytes"] = 5000;
  drop["trickle_ms"] = 30;
  drop["times"] = 1;
  ASSERT_TRUE(publisher_.AddFault(drop));
  Download("drop/a.bin", bytes);
  ASSERT_TRUE(WaitFor("drop/a.bin"));
  ExpectWhole("drop/a.bin", bytes);
  Json::Value log = publisher_.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0]["range"].asString(), "bytes=0-59999");
  int64_t first = 0, last = 0;
  ASSERT_TRUE(ParseRange(log[1], &first, &last));
  // The bytes that arrived are kept (what was still unread when the
  // connection died is lost with it).
  EXPECT_GT(first, 0);
  EXPECT_LE(first, 30000);
  EXPECT_EQ(last, 59999);
  EXPECT_EQ(log[1]["server"].asString(), "dl0");
}

// A reply that ignores the range is never written at another offset; a 200
// for a whole file asked from its start is fine.
TEST_F(DownloadFilesTest, ReplyThatIgnoresTheRange) {
  const std::string pieces = Publish("range/pieces.bin", 150000, 41);
  const std::string single = Publish("range/single.bin", 40000, 42);
  Json::Value whole = Fault("dl0", "/range/*");
  whole["ignore_range"] = true;
  ASSERT_TRUE(publisher_.AddFault(whole));
  Download("range/single.bin", single);
  ASSERT_TRUE(WaitFor("range/single.bin"));
  ExpectWhole("range/single.bin", single);
  EXPECT_EQ(publisher_.Log().size(), 1u);

  Download("range/pieces.bin", pieces);
  ASSERT_TRUE(WaitFor("range/pieces.bin"));
  ExpectWhole("range/pieces.bin", pieces);
  // Each of the three pieces: three refused replies on dl0, then dl1.
  Json::Value log = publisher_.Log("path=/range/pieces.bin");
  int on_dl0 = 0, on_dl1 = 0;
  for (const Json::Value& entry : log) {
    if (entry["server"].asString() == "dl0") ++on_dl0;
    if (entry["server"].asString() == "dl1") ++on_dl1;
  }
  EXPECT_EQ(on_dl0, 9);
  EXPECT_EQ(on_dl1, 3);
  EXPECT_NE(Trace().find("refused reply:range/pieces.bin:200"), std::string::npos);
}

// Faults on every server end in a clear error and never in a file that
// looks whole. A file with a record keeps its partial bytes for a later
// resume; a small one leaves nothing behind.
TEST_F(DownloadFilesTest, FaultsEverywhere) {
  struct Case {
    const char* name;
    Json::Value fault;
    size_t size;
    int code;
    std::string error;
    bool partial_kept;
  };
  Json::Value missing(Json::objectValue);
  missing["status"] = 404;
  Json::Value corrupt(Json::objectValue);
  corrupt["corrupt"] = true;
  Json::Value shorter(Json::objectValue);
  shorter["length_delta"] = -1000;
  const std::vector<Case> cases = {
      {"404, small", missing, 20000, kDownloadFailed, "0,404", false},
      {"404, two pieces", missing, 100000, kDownloadFailed, "0,404", true},
      {"corrupt, small", corrupt, 20000, kDownloadBadDigest, "check md5 error", false},
      {"corrupt, two pieces", corrupt, 100000, kDownloadBadDigest, "check md5 error", false},
      {"shorter, small", shorter, 20000, kDownloadIncomplete, "incomplete:", false},
      {"shorter, two pieces", shorter, 100000, kDownloadIncomplete, "incomplete:", true},
  };
  int seed = 60;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(publisher_.Reset());
    Completions::Get().Clear();
    const std::string path = "every/" + std::to_string(seed) + ".bin";
    const std::string bytes = Publish(path, c.size, seed++);
    Json::Value fault = c.fault;
    fault["server"] = "*";
    fault["path"] = "/" + path;
    ASSERT_TRUE(publisher_.AddFault(fault));
    Download(path, bytes);
    ASSERT_TRUE(WaitFor(path));
    // Each piece's failure ends the file once: the first one to give up.
    const Completion& done = Completions::Get().Of(path);
    EXPECT_GE(done.calls, 1);
    EXPECT_EQ(done.code, c.code);
    EXPECT_EQ(done.error.substr(0, c.error.size()), c.error);
    PumpUntil(&manager_, [] { return false; }, 200);
    manager_.CancelAll(kDownloadModeGame);
    EXPECT_EQ(Exists(Local(path) + ".cfg"), c.partial_kept);
    EXPECT_FALSE(Exists(Local(path) + kStagedSuffix));
    std::string local;
    if (ReadBytes(Local(path), &local)) {
      EXPECT_TRUE(c.partial_kept);
      EXPECT_NE(Md5Hex(local), Md5Hex(bytes));
    }
  }
  EXPECT_NE(Trace().find("!="), std::string::npos);
  EXPECT_NE(Trace().find("<="), std::string::npos);
}

// A small file is fetched beside its name and moved into place once whole.
TEST_F(DownloadFilesTest, SmallFileTakesItsNameOnlyWhenWhole) {
  const std::string bytes = Publish("staged/a.bin", 40000, 77);
  Json::Value slow = Fault("dl0", "/staged/a.bin");
  slow["trickle_bytes"] = 4000;
  slow["trickle_ms"] = 30;
  ASSERT_TRUE(publisher_.AddFault(slow));
  Download("staged/a.bin", bytes);
  ASSERT_TRUE(PumpUntil(&manager_, [&] { return manager_.done_bytes() > 0; }, 10000));
  // Half way nothing is on disk: its bytes wait in memory until they prove right.
  EXPECT_FALSE(Exists(Local("staged/a.bin")));
  EXPECT_FALSE(Exists(Local("staged/a.bin") + ".cfg"));
  EXPECT_FALSE(Exists(Local("staged/a.bin") + kStagedSuffix));
  ASSERT_TRUE(WaitFor("staged/a.bin"));
  ExpectWhole("staged/a.bin", bytes);
  EXPECT_FALSE(Exists(Local("staged/a.bin") + kStagedSuffix));
}

// A file keeps the server list it was queued with.
// A file the game holds open cannot be replaced: a clear error, the held
// file untouched and nothing staged left behind.
TEST_F(DownloadFilesTest, StagedFileCannotReplaceAFileInUse) {
  const std::string bytes = Publish("held/a.bin", 30000, 78);
  CreateDirectoryA("update", nullptr);
  CreateDirectoryA("update\\held", nullptr);
  ASSERT_TRUE(WriteBytes(Local("held/a.bin"), "old version"));
  HANDLE held = CreateFileA(Local("held/a.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Download("held/a.bin", bytes);
  ASSERT_TRUE(WaitFor("held/a.bin"));
  CloseHandle(held);
  const Completion& done = Completions::Get().Of("held/a.bin");
  EXPECT_EQ(done.code, kDownloadFailed);
  EXPECT_NE(done.error.find("move:"), std::string::npos) << done.error;
  std::string local;
  ASSERT_TRUE(ReadBytes(Local("held/a.bin"), &local));
  EXPECT_EQ(local, "old version");
  EXPECT_FALSE(Exists(Local("held/a.bin") + kStagedSuffix));

  // Once it is free the next run puts the new one in its place.
  Completions::Get().Clear();
  Download("held/a.bin", bytes);
  ASSERT_TRUE(WaitFor("held/a.bin"));
  ExpectWhole("held/a.bin", bytes);
}

// What an interrupted run left staged, even longer than the new file, is
// never part of it.
TEST_F(DownloadFilesTest, LeftoversNeverBecomePartOfAFile) {
  const std::string bytes = Publish("left/a.bin", 30000, 79);
  CreateDirectoryA("update", nullptr);
  CreateDirectoryA("update\\left", nullptr);
  ASSERT_TRUE(WriteBytes(Local("left/a.bin") + kStagedSuffix, std::string(50000, 'x')));
  // A record of the same digest beside a missing file, left by an earlier
  // run: once the file is whole it must not look partial.
  const std::string other = Publish("left/b.bin", 30000, 80);
  ASSERT_TRUE(SaveResumeInfo(Local("left/b.bin"), Md5Hex(other), {PieceInfo{0, 100, 29999}}));
  ASSERT_TRUE(ResumeInfoMatches(Local("left/b.bin"), Md5Hex(other)));
  Download("left/a.bin", bytes);
  Download("left/b.bin", other);
  ASSERT_TRUE(WaitFor("left/a.bin"));
  ASSERT_TRUE(WaitFor("left/b.bin"));
  ExpectWhole("left/a.bin", bytes);
  ExpectWhole("left/b.bin", other);
  EXPECT_FALSE(ResumeInfoMatches(Local("left/b.bin"), Md5Hex(other)));
}

TEST_F(DownloadFilesTest, FileKeepsItsServerList) {
  const std::string bytes = Publish("list/a.bin", 200000, 71);
  Json::Value status = Fault("dl0", "/list/a.bin");
  status["status"] = 503;
  ASSERT_TRUE(publisher_.AddFault(status));
  manager_.set_active_servers({publisher_.Url("dl0"), publisher_.Url("dl1")});
  Download("list/a.bin", bytes);
  // The shared list changes (shrinks to one bogus server) before any piece ran.
  manager_.set_active_servers({"http://127.0.0.1:1"});
  ASSERT_TRUE(WaitFor("list/a.bin"));
  ExpectWhole("list/a.bin", bytes);
  for (const Json::Value& entry : publisher_.Log()) {
    EXPECT_TRUE(entry["server"].asString() == "dl0" || entry["server"].asString() == "dl1");
  }
}

// A transfer that keeps moving is not cut off for being slow; one that
// stalls fails over.
TEST_F(DownloadFilesTest, StallNotSlowness) {
  DownloadManager::Timeouts timeouts;
  timeouts.piece_connect_ms = 2000;
  timeouts.piece_stall_seconds = 2;
  manager_.SetTimeoutsForTesting(timeouts);
  // Slow but moving: a little every 100 ms, 4 s in all, twice the stall limit.
  const std::string slow_bytes = Publish("stall/slow.bin", 40000, 81);
  const std::string stuck_bytes = Publish("stall/stuck.bin", 1000, 82);
  Json::Value slow = Fault("dl0", "/stall/slow.bin");
  slow["trickle_bytes"] = 1000;
  slow["trickle_ms"] = 100;
  ASSERT_TRUE(publisher_.AddFault(slow));
  // Silent for longer than the stall limit, on every request to dl0.
  Json::Value stuck = Fault("dl0", "/stall/stuck.bin");
  stuck["delay_ms"] = 6000;
  ASSERT_TRUE(publisher_.AddFault(stuck));
  Download("stall/slow.bin", slow_bytes);
  Download("stall/stuck.bin", stuck_bytes);
  ASSERT_TRUE(PumpUntil(&manager_, [&] { return Completions::Get().Count() == 2; }, 60000));
  ExpectWhole("stall/slow.bin", slow_bytes);
  ExpectWhole("stall/stuck.bin", stuck_bytes);
  // The rule, whatever order the servers log in: the slow file is fetched
  // once; the stuck one fails on each of dl0's attempts and dl1 serves it.
  EXPECT_EQ(Servers(publisher_.Log("path=/stall/slow.bin")), std::vector<std::string>{"dl0"});
  std::vector<std::string> stuck_servers = Servers(publisher_.Log("path=/stall/stuck.bin"));
  std::sort(stuck_servers.begin(), stuck_servers.end());
  EXPECT_EQ(stuck_servers, (std::vector<std::string>{"dl0", "dl0", "dl0", "dl1"}));
}

TEST_F(DownloadFilesTest, PauseHoldsTransfersAndResumeFinishes) {
  Json::Value slow = Fault("*", "/pause/*");
  slow["trickle_bytes"] = 4096;
  slow["trickle_ms"] = 20;
  ASSERT_TRUE(publisher_.AddFault(slow));
  const std::string bytes = Publish("pause/a.bin", 150000, 91);
  Download("pause/a.bin", bytes);
  ASSERT_TRUE(PumpUntil(&manager_, [&] { return manager_.done_bytes() > 20000; }, 20000));
  manager_.Pause();
  EXPECT_TRUE(manager_.paused());
  // Let what was in flight settle, then nothing more arrives.
  PumpUntil(&manager_, [] { return false; }, 300);
  const int64_t held = manager_.done_bytes();
  PumpUntil(&manager_, [] { return false; }, 500);
  EXPECT_EQ(manager_.done_bytes(), held);
  EXPECT_EQ(Completions::Get().Of("pause/a.bin").calls, 0);

  manager_.Resume();
  EXPECT_FALSE(manager_.paused());
  ASSERT_TRUE(WaitFor("pause/a.bin"));
  ExpectWhole("pause/a.bin", bytes);

  std::vector<DownloadPausedEvent> paused = delegate_.Of<DownloadPausedEvent>();
  ASSERT_EQ(paused.size(), 2u);
  EXPECT_EQ(paused[0].paused, true);
  EXPECT_EQ(paused[1].paused, false);
  bool continued = false;
  for (const RecordingDelegate::Report& report : delegate_.reports) {
    if (report.kind == "detail" && report.values[0] == "16") continued = true;
    if (report.kind == "activity" &&
        report.values[0] == "click_launch_continue_download_game") {
      EXPECT_EQ(report.values[1], "");
    }
  }
  EXPECT_TRUE(continued);
}

TEST_F(DownloadFilesTest, CacheBustingParameter) {
  const std::string bytes = Publish("bust/a.bin", 1000, 95);
  delegate_.web_extra_param = true;
  Download("bust/a.bin", bytes);
  ASSERT_TRUE(WaitFor("bust/a.bin"));
  ExpectWhole("bust/a.bin", bytes);
  Json::Value log = publisher_.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0]["query"].asString().substr(0, 2), "t=");
}

}  // namespace
