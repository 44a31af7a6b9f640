// The controller's tracking reports: posted to the update engine's thread,
// where the senders build and send them.
#include "app/controller/launcher_controller.h"
#include "app/tracking/tracking_senders.h"
#include "base/thread/thread_registry.h"
#include "update/download/download_manager.h"

void LauncherController::TrackUiClick(const std::string& uitype, const std::string& action) {
  base::ThreadRegistry::Post(base::kMiscThreadId, [uitype, action] {
    SendUiClickRecord(LauncherController::GetInstance(), DownloadManager::GetInstance(), uitype,
                      action);
  });
}

void LauncherController::TrackLauncherDetail(const std::string& action_id,
                                             const std::string& speed, const std::string& size,
                                             const std::string& download_time) {
  base::ThreadRegistry::Post(base::kMiscThreadId, [this, action_id, speed, size, download_time] {
    SendLauncherDetailRecord(this, DownloadManager::GetInstance(), action_id, speed, size,
                             download_time);
  });
}

void LauncherController::TrackActivity(const std::string& event_name, const std::string& value1,
                                       const std::string& value2, const std::string& value3) {
  base::ThreadRegistry::Post(base::kMiscThreadId, [this, event_name, value1, value2, value3] {
    SendActivityQuery(this, DownloadManager::GetInstance(), event_name, value1, value2, value3);
  });
}

void LauncherController::TrackLauncherStep(const std::string& print_info,
                                           const std::string& speed, const std::string& size,
                                           const std::string& action_type,
                                           const std::string& step, bool immediate) {
  base::ThreadRegistry::Post(
      base::kMiscThreadId, [this, print_info, speed, size, action_type, step, immediate] {
        SendLauncherStepRecord(this, DownloadManager::GetInstance(), print_info, speed, size,
                               action_type, step, immediate);
      });
}

void LauncherController::TrackSettingChange(const std::string& autostart,
                                            const std::string& close,
                                            int32_t install_speed_limit,
                                            int32_t pre_install_speed_limit) {
  base::ThreadRegistry::Post(
      base::kMiscThreadId,
      [this, autostart, close, install_speed_limit, pre_install_speed_limit] {
        SendSettingChangeRecord(this, DownloadManager::GetInstance(), autostart, close,
                                install_speed_limit, pre_install_speed_limit);
      });
}
