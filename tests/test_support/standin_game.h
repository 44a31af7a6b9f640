// The stand-in game (testing/game) for process tests: a copy of TOLM.exe in a
// game folder of the test's, its options, its commands and its log.
//
// The test target defines QUORVEL_STANDIN_GAME_EXE, the built TOLM.exe
// relative to the test's executable. Tests that run stand-ins hold the CTest
// resource lock "game_instance": the game's mutex and window property are
// machine-wide.
#ifndef TESTS_TEST_SUPPORT_STANDIN_GAME_H_
#define TESTS_TEST_SUPPORT_STANDIN_GAME_H_

#include <windows.h>

#include <json/json.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file/path_util.h"
#include "test_support/file_bytes.h"
#include "test_support/pump_until.h"

namespace testing_support {

inline std::wstring BuiltStandinGame() {
  return base::GetModuleDirectory() + QUORVEL_STANDIN_GAME_EXE;
}

class StandinGame {
 public:
  // Copies TOLM.exe into `folder` (which must exist) with the window kind
  // "normal", "classonly", "late" or "hung".
  explicit StandinGame(const std::wstring& folder, const std::string& window = "normal")
      : folder_(folder) {
    exe_ = folder_ + L"\\TOLM.exe";
    copied_ = CopyFileW(BuiltStandinGame().c_str(), exe_.c_str(), FALSE) != FALSE;
    WriteFileBytes(folder_ + L"\\TOLM.standin", "window=" + window + "\n");
  }
  ~StandinGame() { Stop(); }
  StandinGame(const StandinGame&) = delete;
  StandinGame& operator=(const StandinGame&) = delete;

  // Ends every stand-in that logged its start here.
  void Stop() {
    for (const Json::Value& record : Log()) {
      if (record["event"].asString() != "start") continue;
      HANDLE process =
          OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, record["pid"].asUInt());
      if (!process) continue;
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
    }
  }

  bool copied() const { return copied_; }
  const std::wstring& exe() const { return exe_; }

  // Starts the copy directly, as the player would, in its folder.
  bool Start() {
    std::wstring line = L"\"" + exe_ + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe_.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder_.c_str(), &startup, &info)) {
      return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
  }

  void Command(const std::string& line) {
    HANDLE file = CreateFileW((folder_ + L"\\tolm_commands.txt").c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }

  // Every whole line of the log, parsed.
  std::vector<Json::Value> Log() const {
    std::string text = ReadFileBytes(folder_ + L"\\tolm_log.jsonl");
    std::vector<Json::Value> records;
    if (text == "<missing>") return records;
    Json::CharReaderBuilder builder;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      Json::Value record;
      std::string errors;
      std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
      if (reader->parse(text.data() + start, text.data() + end, &record, &errors)) {
        records.push_back(record);
      }
    }
    return records;
  }

  // The first logged record that `match` accepts, waiting for it with this
  // thread's messages pumped; null when none came in time.
  Json::Value WaitFor(const std::function<bool(const Json::Value&)>& match,
                      DWORD timeout_ms = 30000) {
    Json::Value found;
    PumpUntil(
        [&] {
          for (const Json::Value& record : Log()) {
            if (match(record)) {
              found = record;
              return true;
            }
          }
          return false;
        },
        timeout_ms);
    return found;
  }
  Json::Value WaitForEvent(const std::string& event, DWORD timeout_ms = 30000) {
    return WaitFor([&](const Json::Value& record) { return record["event"] == event; },
                   timeout_ms);
  }
  // The window the stand-in logged for `thread` ("main" or "hung").
  HWND WaitForWindow(const std::string& thread = "main") {
    Json::Value record = WaitFor([&](const Json::Value& r) {
      return r["event"] == "window" && r["thread"] == thread;
    });
    return record.isNull() ? nullptr
                           : reinterpret_cast<HWND>(
                                 static_cast<uintptr_t>(record["window"].asUInt64()));
  }
  // Whether a game window logged `message` from the launcher.
  Json::Value WaitForReceived(unsigned message, DWORD timeout_ms = 30000) {
    return WaitFor(
        [&](const Json::Value& r) {
          return r["event"] == "received" && r["message"].asUInt() == message;
        },
        timeout_ms);
  }

 private:
  std::wstring folder_;
  std::wstring exe_;
  bool copied_ = false;
};

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_STANDIN_GAME_H_
