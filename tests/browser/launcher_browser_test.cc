// launcher.exe with the browser runtime's folder beside it: it starts the
// runtime before its main window, runs on when the runtime fails, and shuts
// the runtime down after its main window has closed.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/file/path_util.h"
#include "browser/browser_test_support.h"
#include "test_support/file_bytes.h"
#include "test_support/launcher_copy.h"

namespace {

using browser_test::Contains;
using browser_test::InOrder;
using browser_test::PumpUntil;
using browser_test::ReadLog;

std::wstring Built(const wchar_t* relative) { return base::GetModuleDirectory() + relative; }

// A launcher copy in a folder of its own, with a copy of the runtime folder
// whose options are `options`.
class LauncherWithRuntime : public testing_support::LauncherCopy {
 public:
  explicit LauncherWithRuntime(const std::string& options)
      : testing_support::LauncherCopy(Built(QUORVEL_LAUNCHER_EXE)) {
    CreateDirectoryW(Path(L"cef").c_str(), nullptr);
    for (const wchar_t* name : {L"libcef.dll", L"cef_helper.exe", L"dummy_cmd.exe"}) {
      std::wstring from = Built(QUORVEL_CEF_RUNTIME) + L"\\" + name;
      EXPECT_TRUE(CopyFileW(from.c_str(), Path(std::wstring(L"cef\\") + name).c_str(), FALSE));
    }
    EXPECT_TRUE(testing_support::WriteFileBytes(Path(L"cef\\standin_options.txt"), options));
  }

  std::vector<std::string> Log() const { return ReadLog(Path(L"cef\\standin.log")); }
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
    ASSERT_TRUE(launcher.Start({}));
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
