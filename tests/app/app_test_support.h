// Helpers for the application-core tests: a working folder of their own and
// a LauncherServices that records the calls the controller makes.
#ifndef TESTS_APP_APP_TEST_SUPPORT_H_
#define TESTS_APP_APP_TEST_SUPPORT_H_

#include <windows.h>

#include <string>
#include <vector>

#include "app/config/command_line_overrides.h"
#include "app/controller/launcher_services.h"
#include "base/thread/framework_thread.h"
#include "base/thread/thread_registry.h"
#include "test_support/temp_folder.h"

namespace app_testing {

// Makes a fresh temporary folder the working folder for the test's life, so
// that "save" and "update" land there; the command-line overrides start
// unset and are cleared again afterwards.
class ScopedWorkingFolder {
 public:
  ScopedWorkingFolder() {
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    previous_ = previous;
    SetCurrentDirectoryW(folder_.path().c_str());
    CommandLineOverrides::Get() = CommandLineOverrides();
  }
  ~ScopedWorkingFolder() {
    CommandLineOverrides::Get() = CommandLineOverrides();
    SetCurrentDirectoryW(previous_.c_str());
  }
  const testing_support::TempFolder& folder() const { return folder_; }

 private:
  testing_support::TempFolder folder_;
  std::wstring previous_;
};

struct TrackedSettings {
  std::string start_text;
  std::string close_text;
  int32_t game_limit;
  int32_t predownload_limit;
};

// Installed for its life. The registry calls answer as configured unless
// real_registry is set.
class RecordingServices : public LauncherServices {
 public:
  RecordingServices() { LauncherServices::SetForTesting(this); }
  ~RecordingServices() override { LauncherServices::SetForTesting(nullptr); }

  void InitDownloadEngine(const ServerOverrides&, DownloadDelegate*) override { ++engine_inits; }
  void StopDownloadEngine() override { ++engine_stops; }
  void ApplySpeedLimit(int32_t mode, SpeedSetting setting) override {
    speed_limit_modes.push_back(mode);
    speed_limits.push_back(setting);
  }
  bool InstallFonts() override {
    ++font_installs;
    return true;
  }
  void SetUiChannel(const std::wstring& value) override { channel = value; }
  void TrackSettingChange(LauncherController*, const std::string& start_text,
                          const std::string& close_text, int32_t game_limit,
                          int32_t predownload_limit) override {
    tracked.push_back({start_text, close_text, game_limit, predownload_limit});
  }
  uint32_t GetUserLocale() override { return locale; }
  int WriteRunValue() override {
    ++run_writes;
    return real_registry ? LauncherServices::WriteRunValue() : run_write_result;
  }
  void DeleteRunValue() override {
    ++run_deletes;
    if (real_registry) LauncherServices::DeleteRunValue();
  }

  int engine_inits = 0;
  int engine_stops = 0;
  std::vector<int32_t> speed_limit_modes;
  std::vector<SpeedSetting> speed_limits;  // beside the modes
  int font_installs = 0;
  std::wstring channel;
  std::vector<TrackedSettings> tracked;
  uint32_t locale = 0x0409;  // en-US
  bool real_registry = false;
  int run_write_result = 1;
  int run_writes = 0;
  int run_deletes = 0;
};

// Thread 1 (kMiscThreadId) for tests: a framework thread enrolled under that
// id for its run, once started with StartWithLoop.
class MiscThread : public base::FrameworkThread {
 public:
  MiscThread() : base::FrameworkThread("MiscThread") {}
  ~MiscThread() override { Stop(); }

 protected:
  void Init() override { base::ThreadRegistry::Enroll(base::kMiscThreadId); }
  void Cleanup() override { base::ThreadRegistry::Withdraw(); }
};

}  // namespace app_testing

#endif  // TESTS_APP_APP_TEST_SUPPORT_H_
