#include "app/controller/launcher_download_delegate.h"

#include <windows.h>

#include "app/controller/launcher_controller.h"

LauncherDownloadDelegate* LauncherDownloadDelegate::GetInstance() {
  static LauncherDownloadDelegate delegate(LauncherController::GetInstance());
  return &delegate;
}

DownloadDelegate::SpeedSetting LauncherDownloadDelegate::GetSpeedSetting(int32_t mode) {
  const LauncherSettings& settings = controller_->settings;
  SpeedSetting setting;
  setting.limited = mode == 1 ? settings.predlcLimit : settings.downloadLimit;
  setting.speed = mode == 1 ? settings.predlcSpeed : settings.downloadSpeed;
  return setting;
}

bool LauncherDownloadDelegate::UseWebExtraParam() { return controller_->useWebExtraParam; }

void LauncherDownloadDelegate::NotifyMainWindow(uint32_t message, int64_t wparam,
                                                int64_t lparam) {
  controller_->NotifyMainWindow(message, static_cast<WPARAM>(wparam),
                                static_cast<LPARAM>(lparam));
}

DownloadDelegate::RecordValues LauncherDownloadDelegate::GetDownloadRecord() {
  RecordValues values;
  values.size = controller_->downloadRecord.downloadSize;
  values.speed = controller_->downloadRecord.downloadSpeed;
  values.time = controller_->downloadRecord.downloadTime;
  return values;
}

void LauncherDownloadDelegate::SetDownloadRecord(const RecordValues& values) {
  controller_->downloadRecord.downloadSize = values.size;
  controller_->downloadRecord.downloadSpeed = values.speed;
  controller_->downloadRecord.downloadTime = values.time;
}

void LauncherDownloadDelegate::TrackLauncherStep(const std::string& print_info,
                                                 const std::string& speed,
                                                 const std::string& size,
                                                 const std::string& action_type,
                                                 const std::string& step, bool immediate) {
  controller_->TrackLauncherStep(print_info, speed, size, action_type, step, immediate);
}

void LauncherDownloadDelegate::TrackLauncherDetail(const std::string& action_id,
                                                   const std::string& speed,
                                                   const std::string& size,
                                                   const std::string& time) {
  controller_->TrackLauncherDetail(action_id, speed, size, time);
}

void LauncherDownloadDelegate::TrackActivity(const std::string& event_name,
                                             const std::string& value1,
                                             const std::string& value2,
                                             const std::string& value3) {
  controller_->TrackActivity(event_name, value1, value2, value3);
}
