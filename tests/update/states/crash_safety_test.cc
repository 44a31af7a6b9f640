// Crash safety of the game road: a game pass in a process of its own
// (road_runner.exe) is killed at random moments (while it downloads, while
// it applies its batches, around the promotion of its map) and started again
// until it ends; every round must end in an install that is exactly the
// target release. Prints the kills, where they fell and the bytes fetched
// again. QUORVEL_CRASH_KILLS sets how many kills (default 24),
// QUORVEL_CRASH_SEED the random seed (default: the time).
#include <gtest/gtest.h>
#include <json/json.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/util/md5_context.h"
#include "base/file/path_util.h"
#include "test_support/publisher_client.h"
#include "test_support/temp_folder.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

Json::Value ReadJson(const std::string& path) {
  std::string text;
  Json::Value root;
  if (!ReadFileTextA(path, &text) || !ParseJson(text, &root, nullptr)) return Json::Value();
  return root;
}

std::map<std::string, std::string> Digests(const std::string& folder) {
  std::map<std::string, std::string> digests;
  std::vector<std::string> files;
  if (ListFiles(folder, &files, {}) < 0) return digests;
  for (const std::string& file : files) {
    std::string name = file.substr(folder.size() + 1);
    for (char& c : name) {
      if (c == '\\') c = '/';
    }
    std::string digest;
    int64_t size = 0;
    FileMatchesMd5(file, "", &digest, &size);
    digests[name] = digest;
  }
  return digests;
}

void CopyTree(const std::string& from, const std::string& to) {
  std::vector<std::string> files;
  ListFiles(from, &files, {});
  for (const std::string& file : files) {
    const std::string target = to + file.substr(from.size());
    CreateParentFoldersA(target);
    CopyFileA(file.c_str(), target.c_str(), FALSE);
  }
}

// road_runner.exe with its output read as it comes.
class Runner {
 public:
  Runner(const std::string& launcher, const std::string& game, const std::string& gate,
         int speed) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE write_end = nullptr;
    CreatePipe(&read_, &write_end, &inherit, 0);
    SetHandleInformation(read_, HANDLE_FLAG_INHERIT, 0);
    std::wstring exe = base::GetModuleDirectory() + L"road_runner.exe";
    std::string line = "\"road_runner.exe\" \"" + launcher + "\" \"" + game + "\" \"" + gate +
                       "\" 0 " + std::to_string(speed);
    std::wstring command(line.begin(), line.end());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info = {};
    started_ = CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                              nullptr, &startup, &info) != FALSE;
    CloseHandle(write_end);
    if (!started_) return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    reader_ = std::thread([this] {
      char buffer[512];
      DWORD got = 0;
      while (ReadFile(read_, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        std::lock_guard<std::mutex> hold(lock_);
        output_.append(buffer, got);
      }
    });
  }
  ~Runner() {
    if (process_) {
      TerminateProcess(process_, 9);
      WaitForSingleObject(process_, 10000);
      CloseHandle(process_);
    }
    if (reader_.joinable()) reader_.join();
    CloseHandle(read_);
  }

  bool started() const { return started_; }
  std::string Output() {
    std::lock_guard<std::mutex> hold(lock_);
    return output_;
  }
  bool Ended() const { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }
  // Waits (bounded) for `text` in the output or for the end.
  bool WaitFor(const std::string& text, DWORD limit_ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < limit_ms) {
      if (Output().find(text) != std::string::npos) return true;
      if (Ended()) return Output().find(text) != std::string::npos;
      Sleep(1);
    }
    return false;
  }
  // The exit code once ended, -1 when it did not end in time.
  int Wait(DWORD limit_ms) {
    if (WaitForSingleObject(process_, limit_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
  }
  // True when it was still running and is now killed.
  bool Kill() {
    if (Ended()) return false;
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 10000);
    return true;
  }

 private:
  bool started_ = false;
  HANDLE process_ = nullptr;
  HANDLE read_ = nullptr;
  std::thread reader_;
  std::mutex lock_;
  std::string output_;
};

struct Scenario {
  const char* installed;  // the release tree installed first, or ""
  const char* served;     // below the publisher's root
  const char* target;
};

class CrashSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(publisher_.Connect(&error)) << error;
    ASSERT_TRUE(publisher_.Reset());
    release_ = NormalizePathA(Env("QUORVEL_SAMPLE_RELEASE"), false);
    ASSERT_FALSE(release_.empty());
    summary_ = ReadJson(release_ + "\\release.json");
  }

  void ServeFrom(const std::string& folder) {
    Json::Value config = ReadJson(release_ + "\\release-2\\publisher.json");
    Json::Value directory = config["directory"];
    for (Json::Value* list : {&directory["DlcAddr"], &directory["Others"]["DlcAddr"]}) {
      for (Json::Value& url : *list) url = url.asString() + "/" + folder + "/";
    }
    Json::Value change;
    change["directory"] = directory;
    ASSERT_TRUE(publisher_.SetConfig(change));
  }

  int64_t BytesSent() {
    int64_t bytes = 0;
    for (const Json::Value& entry : publisher_.Log()) bytes += entry["bytes_sent"].asInt64();
    return bytes;
  }

  std::map<std::string, std::string> TreeOf(const std::string& tree) const {
    std::map<std::string, std::string> files;
    const Json::Value& entries = summary_["trees"][tree];
    for (const std::string& name : entries.getMemberNames()) {
      files[name] = entries[name]["md5"].asString();
    }
    return files;
  }

  testing_support::PublisherClient publisher_;
  std::string release_;
  Json::Value summary_;
};

TEST_F(CrashSafetyTest, EveryKilledPassEndsInAVerifiedInstall) {
  const int wanted_kills =
      Env("QUORVEL_CRASH_KILLS").empty() ? 24 : std::atoi(Env("QUORVEL_CRASH_KILLS").c_str());
  const unsigned seed = Env("QUORVEL_CRASH_SEED").empty()
                            ? GetTickCount()
                            : static_cast<unsigned>(std::atoll(Env("QUORVEL_CRASH_SEED").c_str()));
  std::printf("seed %u\n", seed);
  std::mt19937 random(seed);
  const std::string gate = publisher_.Url("gate") + "/";
  const Scenario scenarios[] = {
      {"", "release-1", "game-1"},          // first install
      {"game-1", "release-2", "game-2"},    // patches
      {"game-2", "release-3", "game-3"},    // whole files
  };
  // The download speed limit (settings units): slow enough that a kill can
  // fall inside a download.
  const int speed = 20000;

  int kills = 0, rounds = 0, verified = 0, starts = 0;
  std::map<std::string, int> fell;
  std::map<int, int64_t> clean_bytes;  // scenario -> bytes of a pass never killed
  int64_t refetched = 0;
  for (int round = 0; kills < wanted_kills || round < 6; ++round) {
    const int which = round % 3;
    const Scenario& scenario = scenarios[which];
    const bool clean = round < 3;  // the first round of each measures a whole pass
    testing_support::TempFolder folder;
    const std::string launcher(folder.path().begin(), folder.path().end());
    const std::string game = launcher + "\\game";
    CreateDirectoriesA(game);
    if (*scenario.installed) CopyTree(release_ + "\\installed\\" + scenario.installed, game);
    publisher_.Reset();
    ServeFrom(scenario.served);

    int planned = clean ? 0 : 1 + static_cast<int>(random() % 3);
    bool done = false;
    for (int start = 0; !done && start < 40; ++start) {
      ++starts;
      Runner runner(launcher, game, gate, speed);
      ASSERT_TRUE(runner.started());
      if (planned > 0) {
        // Half the kills during the download, half in the apply batches and
        // around the promotion of the map.
        const bool in_apply = random() % 2 == 0;
        const std::string phase = in_apply ? "state 6" : "state 5";
        runner.WaitFor(phase, 60000);
        Sleep(in_apply ? random() % 40 : random() % 80);
        const std::string said = runner.Output();
        if (runner.Kill()) {
          --planned;
          ++kills;
          // Where it fell, as the disk tells it.
          std::string where = said.find("state 6") != std::string::npos ? "apply" : "download";
          if (where == "apply") {
            std::string map, served;
            ReadFileTextA(game + "\\version_map.txt", &map);
            ReadFileTextA(release_ + "\\" + scenario.served + "\\version_map.txt", &served);
            if (map == served) {
              where = "after map promotion";
            } else if (GetFileAttributesA((launcher + "\\update\\apply_list.txt").c_str()) !=
                       INVALID_FILE_ATTRIBUTES) {
              where = "between apply batches";
            } else {
              where = "before the first batch";
            }
          }
          ++fell[where];
          continue;
        }
      }
      const int code = runner.Wait(120000);
      ASSERT_EQ(0, code) << runner.Output();
      done = true;
    }
    ASSERT_TRUE(done);
    ++rounds;

    std::map<std::string, std::string> installed = Digests(game);
    std::string map, served;
    ReadFileTextA(game + "\\version_map.txt", &map);
    ReadFileTextA(release_ + "\\" + scenario.served + "\\version_map.txt", &served);
    EXPECT_EQ(served, map) << "round " << round;
    installed.erase("version_map.txt");
    // The game pass leaves the files an older release had.
    if (*scenario.installed) installed.erase("Tolm_Data/old_only_in_1.bin");
    EXPECT_EQ(TreeOf(scenario.target), installed) << "round " << round;
    EXPECT_EQ((std::map<std::string, std::string>{}), Digests(launcher + "\\update"))
        << "round " << round;
    if (installed == TreeOf(scenario.target) && map == served) ++verified;

    const int64_t bytes = BytesSent();
    if (clean) {
      clean_bytes[which] = bytes;
    } else {
      refetched += bytes - clean_bytes[which];
    }
  }
  std::printf("crash safety: %d kills in %d rounds (%d starts); fell:", kills, rounds, starts);
  for (const auto& where : fell) std::printf(" %s %d;", where.first.c_str(), where.second);
  std::printf(" verified installs %d/%d; bytes fetched again %lld\n", verified, rounds,
              static_cast<long long>(refetched));
  EXPECT_GE(kills, wanted_kills);
  EXPECT_EQ(rounds, verified);
}

}  // namespace
