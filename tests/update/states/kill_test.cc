// The launcher's process killed while DownloadFilesState fetches, then
// started again: it resumes, asks for no byte a finished piece holds, and
// ends with the same files as an uninterrupted install.
#include <gtest/gtest.h>
#include <json/json.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "update/states/road_fixture.h"

namespace {

using road_testing::RoadTest;
using Intervals = std::vector<std::pair<int64_t, int64_t>>;

constexpr int64_t kPieceBytes = 64 * 1024;

std::string RunnerPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder, file;
  SplitPathA(path, &folder, &file);
  return folder + "\\road_runner.exe";
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What the staging folder holds at one moment: files whole (no record beside
// them) and, for each file with a record, the byte ranges still to fetch.
struct StagingSnapshot {
  std::set<std::string> whole;
  std::map<std::string, Intervals> missing;
};

bool TakeSnapshot(const std::string& staging, StagingSnapshot* snapshot) {
  std::vector<std::string> files;
  if (ListFiles(staging, &files, {}) < 0) return false;
  std::set<std::string> names;
  for (std::string file : files) {
    file = file.substr(staging.size() + 1);
    for (char& c : file) {
      if (c == '\\') c = '/';
    }
    names.insert(file);
  }
  for (const std::string& name : names) {
    if (EndsWith(name, ".cfg") || EndsWith(name, ".part") || EndsWith(name, ".writing")) continue;
    if (!names.count(name + ".cfg")) {
      snapshot->whole.insert(name);
      continue;
    }
    std::string text, error;
    Json::Value record;
    if (!ReadFileTextA(staging + "\\" + NormalizePathA(name, false) + ".cfg", &text) ||
        !ParseJson(text, &record, &error) || !record["infoList"].isArray()) {
      return false;  // being replaced: look again
    }
    Intervals& missing = snapshot->missing[name];
    for (const Json::Value& piece : record["infoList"]) {
      const int64_t begin = piece["begin"].asInt64(), end = piece["end"].asInt64();
      if (begin <= end) missing.push_back({begin, end});
    }
  }
  return true;
}

// Whether [first, last] lies inside one of the intervals.
bool Inside(const Intervals& intervals, int64_t first, int64_t last) {
  for (const auto& interval : intervals) {
    if (first >= interval.first && last <= interval.second) return true;
  }
  return false;
}

class RunnerProcess {
 public:
  bool Start(const std::string& command_line) {
    STARTUPINFOA startup = {sizeof(startup)};
    std::string line = command_line;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_) != 0;
  }
  ~RunnerProcess() {
    if (info_.hProcess) {
      TerminateProcess(info_.hProcess, 9);
      WaitForSingleObject(info_.hProcess, 30000);
      CloseHandle(info_.hProcess);
      CloseHandle(info_.hThread);
    }
  }
  bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  void Kill() {
    TerminateProcess(info_.hProcess, 9);
    WaitForSingleObject(info_.hProcess, 30000);
  }
  // The exit code once it ended within the bound, else -1.
  int Wait(DWORD bound_ms) {
    if (WaitForSingleObject(info_.hProcess, bound_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  PROCESS_INFORMATION info_ = {};
};

TEST_F(RoadTest, KilledMidDownloadResumesWithoutFetchingFinishedPiecesAgain) {
  ServeFrom("release-1");
  // Slow replies, so the kill lands while pieces are in flight.
  Json::Value slow;
  slow["path"] = "/release-1/Tolm_Data/*";
  slow["trickle_bytes"] = 8192;
  slow["trickle_ms"] = 40;
  ASSERT_TRUE(publisher_.AddFault(slow));
  const std::string staging = base_ + "\\update";
  const std::string command = "\"" + RunnerPath() + "\" \"" + base_ + "\" \"" + game_ + "\" " +
                              publisher_.Url("gate") + "/ " + std::to_string(kPieceBytes);

  StagingSnapshot before;
  {
    RunnerProcess first;
    ASSERT_TRUE(first.Start(command));
    // Until the largest file has finished pieces and unfinished ones.
    bool caught = false;
    for (int poll = 0; poll < 6000 && !caught && first.Running(); ++poll) {
      Sleep(10);
      StagingSnapshot now;
      if (!TakeSnapshot(staging, &now)) continue;
      auto level0 = now.missing.find("Tolm_Data/level0");
      if (level0 == now.missing.end()) continue;
      int64_t missing = 0;
      for (const auto& interval : level0->second) missing += interval.second - interval.first + 1;
      if (missing > 0 && missing <= 921600 - 2 * kPieceBytes) {
        before = now;
        caught = true;
      }
    }
    ASSERT_TRUE(caught) << "the download ended before it could be interrupted";
    first.Kill();
  }

  ASSERT_TRUE(publisher_.Reset());
  ServeFrom("release-1");
  RunnerProcess second;
  ASSERT_TRUE(second.Start(command));
  EXPECT_EQ(0, second.Wait(240000));
  EXPECT_EQ(TreeOf("game-1"), StagedFiles());

  int64_t bytes = 0;
  for (const Json::Value& entry : publisher_.Log()) {
    const std::string path = entry["path"].asString();
    if (path.rfind("/release-1/", 0) != 0 || EndsWith(path, "version_map.txt") ||
        path.find("/patchs/") != std::string::npos) {
      continue;
    }
    bytes += entry["bytes_sent"].asInt64();
    const std::string name = path.substr(strlen("/release-1/"));
    EXPECT_EQ(0u, before.whole.count(name)) << name << " was whole, yet fetched again";
    auto missing = before.missing.find(name);
    if (missing == before.missing.end()) continue;
    long long first = 0, last = 0;
    ASSERT_EQ(2, std::sscanf(entry["range"].asString().c_str(), "bytes=%lld-%lld", &first, &last))
        << entry["range"].asString();
    EXPECT_TRUE(Inside(missing->second, first, last))
        << name << " bytes " << first << "-" << last << " were finished before the kill";
  }
  std::printf("killed with %zu files whole and %zu in pieces; the restart fetched %lld bytes\n",
              before.whole.size(), before.missing.size(), static_cast<long long>(bytes));
}

}  // namespace
