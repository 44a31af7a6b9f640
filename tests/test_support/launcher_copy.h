// A copy of launcher.exe in a fresh folder of its own (its working folder
// when started), run as a process by the tests.
#ifndef TESTS_TEST_SUPPORT_LAUNCHER_COPY_H_
#define TESTS_TEST_SUPPORT_LAUNCHER_COPY_H_

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/main/single_instance.h"
#include "test_support/pump_until.h"
#include "test_support/temp_folder.h"

namespace testing_support {

class LauncherCopy {
 public:
  explicit LauncherCopy(const std::wstring& built_launcher) {
    exe_ = folder_.Join(L"launcher.exe");
    EXPECT_TRUE(CopyFileW(built_launcher.c_str(), exe_.c_str(), FALSE)) << "no launcher.exe";
  }
  ~LauncherCopy() {
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 5000);
      CloseHandle(process_);
    }
  }
  LauncherCopy(const LauncherCopy&) = delete;
  LauncherCopy& operator=(const LauncherCopy&) = delete;

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
  HWND MainWindow() const {
    HWND window = SingleInstance::FindLauncherWindow();
    DWORD owner = 0;
    if (window) GetWindowThreadProcessId(window, &owner);
    return owner == pid_ ? window : nullptr;
  }

  std::wstring Path(const std::wstring& name) const { return folder_.Join(name); }
  bool Exists(const std::wstring& name) const {
    return GetFileAttributesW(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  const std::wstring& exe() const { return exe_; }
  const std::wstring& folder() const { return folder_.path(); }
  DWORD pid() const { return pid_; }
  HANDLE process() const { return process_; }

 private:
  TempFolder folder_;
  std::wstring exe_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_LAUNCHER_COPY_H_
