// launcher.exe with the browser runtime's folder beside it: it starts the
// runtime before its main window, runs on when the runtime fails, and shuts
// the runtime down after its main window has closed.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/main/single_instance.h"
#include "base/file/path_util.h"
#include "browser/browser_test_support.h"
#include "test_support/temp_folder.h"

namespace {

using browser_test::Contains;
using browser_test::InOrder;
using browser_test::PumpUntil;
using browser_test::ReadLog;

std::wstring Built(const wchar_t* relative) { return base::GetModuleDirectory() + relative; }

// A launcher copy in a folder of its own, with a copy of the runtime folder.
class LauncherWithRuntime {
 public:
  explicit LauncherWithRuntime(const std::string& options) {
    exe_ = folder_.Join(L"launcher.exe");
    EXPECT_TRUE(CopyFileW(Built(QUORVEL_LAUNCHER_EXE).c_str(), exe_.c_str(), FALSE));
    CreateDirectoryW(folder_.Join(L"cef").c_str(), nullptr);
    for (const wchar_t* name : {L"libcef.dll", L"cef_helper.exe", L"dummy_cmd.exe"}) {
      std::wstring from = Built(QUORVEL_CEF_RUNTIME) + L"\\" + name;
      EXPECT_TRUE(CopyFileW(from.c_str(), Path(std::wstring(L"cef\\") + name).c_str(), FALSE));
    }
    HANDLE file = CreateFileW(Path(L"cef\\standin_options.txt").c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, options.data(), static_cast<DWORD>(options.size()), &written, nullptr);
    CloseHandle(file);
  }
  ~LauncherWithRuntime() {
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 5000);
      CloseHandle(process_);
    }
  }

  bool Start() {
    std::wstring command_line = L"\"" + exe_ + L"\"";
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

  HWND MainWindow() const {
    HWND window = SingleInstance::FindLauncherWindow();
    DWORD owner = 0;
    if (window) GetWindowThreadProcessId(window, &owner);
    return owner == pid_ ? window : nullptr;
  }

  // The exit code, or -1 when the process did not end in time.
  int WaitForExit() {
    if (!PumpUntil([this] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; })) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
  }

  std::wstring Path(const std::wstring& name) const { return folder_.Join(name); }
  std::vector<std::string> Log() const { return ReadLog(Path(L"cef\\standin.log")); }

 private:
  testing_support::TempFolder folder_;
  std::wstring exe_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

TEST(LauncherBrowserRuntimeTest, RunsWithTheRuntimeAndWhenItFails) {
  struct Case {
    const char* options;
    std::vector<std::string> start_up;
    std::vector<std::string> shut_down;
  } cases[] = {
      {"",
       {"cef_initialize", "cef_initialize -> 1", "OnContextInitialized",
        "SetSupportedSchemes http,https"},
       {"cef_shutdown", "cef_shutdown done"}},
      {"fail_initialize",
       {"cef_initialize", "cef_initialize: told to fail -> 0"},
       {"cef_shutdown", "cef_shutdown: not running"}},
      {"wrong_version",
       {"cef_api_hash 0 (another version)"},
       {"cef_shutdown", "cef_shutdown: not running"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    LauncherWithRuntime launcher(c.options);
    ASSERT_TRUE(launcher.Start());
    HWND window = nullptr;
    // The main window comes after the runtime's start-up, whatever its result.
    ASSERT_TRUE(PumpUntil([&] { return (window = launcher.MainWindow()) != nullptr; }));
    std::vector<std::string> log = launcher.Log();
    EXPECT_TRUE(InOrder(log, {"cef_enable_highdpi_support", c.start_up.front()}));
    for (const std::string& line : c.start_up) {
      EXPECT_TRUE(browser_test::WaitForLine(launcher.Path(L"cef\\standin.log"), line)) << line;
    }
    EXPECT_FALSE(Contains(launcher.Log(), "cef_shutdown"));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, launcher.WaitForExit());
    log = launcher.Log();
    EXPECT_TRUE(InOrder(log, c.shut_down));
    EXPECT_EQ(std::string(c.options).empty(),
              GetFileAttributesW(launcher.Path(L"cef_temp\\cef.log").c_str()) !=
                  INVALID_FILE_ATTRIBUTES);
  }
}

}  // namespace
