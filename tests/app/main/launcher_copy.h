// A copy of the built launcher.exe in a folder of its own, which becomes the
// copy's working folder, run as a process.
#ifndef TESTS_APP_MAIN_LAUNCHER_COPY_H_
#define TESTS_APP_MAIN_LAUNCHER_COPY_H_

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main/launcher_window_of.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "base/file/path_util.h"
#include "test_support/temp_folder.h"

namespace app_testing {

inline constexpr DWORD kProcessTimeoutMs = 30000;

inline std::wstring BuiltLauncher() { return base::GetModuleDirectory() + QUORVEL_LAUNCHER_EXE; }

// Runs `condition` until it holds or the time is up, dispatching this
// thread's messages meanwhile.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD timeout_ms = kProcessTimeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (condition()) return true;
    if (GetTickCount() - start > timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

class LauncherCopy {
 public:
  LauncherCopy() {
    exe_ = folder_.Join(L"launcher.exe");
    EXPECT_TRUE(CopyFileW(BuiltLauncher().c_str(), exe_.c_str(), FALSE)) << "no launcher.exe";
  }
  ~LauncherCopy() {
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 5000);
      CloseHandle(process_);
    }
  }

  bool Start(const std::vector<std::wstring>& arguments) {
    std::wstring command_line = L"\"" + exe_ + L"\"";
    for (const std::wstring& argument : arguments) command_line += L" \"" + argument + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe_.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder_.path().c_str(), &startup, &info)) {
      return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    return true;
  }

  bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  // The exit code, or -1 when the process did not end in time.
  int WaitForExit(DWORD timeout_ms = kProcessTimeoutMs) {
    if (!PumpUntil([this] { return !Running(); }, timeout_ms)) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
  }

  // Starts with `arguments` and waits for the end; the exit code or -1.
  int Run(const std::vector<std::wstring>& arguments) {
    if (!Start(arguments)) return -2;
    return WaitForExit();
  }

  // The copy's main window, once it has one.
  HWND MainWindow() const { return pid_ ? app_testing::LauncherWindowOf(pid_) : nullptr; }

  std::wstring Path(const std::wstring& name) const { return folder_.Join(name); }
  bool Exists(const std::wstring& name) const {
    return GetFileAttributesW(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  std::string MapVersion(const std::wstring& name) const {
    std::string text;
    Json::Value root;
    if (!ReadFileTextW(Path(name), &text) || !ParseJson(text, &root, nullptr)) return "";
    return root["version"].asString();
  }
  const std::wstring& exe() const { return exe_; }

 private:
  testing_support::TempFolder folder_;
  std::wstring exe_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

}  // namespace app_testing

#endif  // TESTS_APP_MAIN_LAUNCHER_COPY_H_
