// LauncherDownloadDelegate: the download engine's view of the launcher: the
// player's speed-limit settings, the directory reply's "?t=" switch, the main
// window's messages, the download statistics record and the tracking
// reports, all over one controller.
//
// LauncherServices::InitDownloadEngine hands the process-wide one (over the
// process-wide controller) to the engine; tests make their own. Its calls
// come from the engine's thread (1): the settings are read as they stand
// (the UI thread writes them), the record belongs to thread 1, and the
// messages and reports are posted on.
#ifndef APP_CONTROLLER_LAUNCHER_DOWNLOAD_DELEGATE_H_
#define APP_CONTROLLER_LAUNCHER_DOWNLOAD_DELEGATE_H_

#include <cstdint>
#include <string>

#include "update/download/download_delegate.h"

class LauncherController;

class LauncherDownloadDelegate : public DownloadDelegate {
 public:
  explicit LauncherDownloadDelegate(LauncherController* controller) : controller_(controller) {}

  // Over the process-wide controller.
  static LauncherDownloadDelegate* GetInstance();

  SpeedSetting GetSpeedSetting(int32_t mode) override;
  bool UseWebExtraParam() override;
  void NotifyMainWindow(uint32_t message, int64_t wparam, int64_t lparam) override;
  RecordValues GetDownloadRecord() override;
  void SetDownloadRecord(const RecordValues& values) override;
  void TrackLauncherStep(const std::string& print_info, const std::string& speed,
                         const std::string& size, const std::string& action_type,
                         const std::string& step, bool immediate) override;
  void TrackLauncherDetail(const std::string& action_id, const std::string& speed,
                           const std::string& size, const std::string& time) override;
  void TrackActivity(const std::string& event_name, const std::string& value1,
                     const std::string& value2, const std::string& value3) override;

 private:
  LauncherController* controller_;
};

#endif  // APP_CONTROLLER_LAUNCHER_DOWNLOAD_DELEGATE_H_
