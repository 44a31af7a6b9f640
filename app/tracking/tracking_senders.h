// Tracking senders: on the update engine's thread (kMiscThreadId), read the
// controller's shared fields and the machine's values at the moment of
// sending, build the record (tracking_records.h) and hand it to the download
// engine: queued for its idle tick, or sent at once.
//
// The controller's posting operations (LauncherController::TrackUiClick and
// its kin) post these to that thread; tests call them directly. Nothing here
// is retried or shown to the player: a failed request is simply dropped.
#ifndef APP_TRACKING_TRACKING_SENDERS_H_
#define APP_TRACKING_TRACKING_SENDERS_H_

#include <cstdint>
#include <string>

#include "app/tracking/tracking_records.h"

class DownloadManager;
class LauncherController;

// The values of every record, read now from the controller, the engine's
// statistics and the machine.
TrackingInputs GatherTrackingInputs(LauncherController* controller, DownloadManager* engine);

// Queued.
void SendUiClickRecord(LauncherController* controller, DownloadManager* engine,
                       const std::string& uitype, const std::string& action);
// At once.
void SendLauncherDetailRecord(LauncherController* controller, DownloadManager* engine,
                              const std::string& action_id, const std::string& speed,
                              const std::string& size, const std::string& download_time);
// At once: a GET of the attribution endpoint with the query.
void SendActivityQuery(LauncherController* controller, DownloadManager* engine,
                       const std::string& event_name, const std::string& value1,
                       const std::string& value2, const std::string& value3);
// Queued, or at once when `immediate`.
void SendLauncherStepRecord(LauncherController* controller, DownloadManager* engine,
                            const std::string& print_info, const std::string& speed,
                            const std::string& size, const std::string& action_type,
                            const std::string& step, bool immediate);
// Queued.
void SendSettingChangeRecord(LauncherController* controller, DownloadManager* engine,
                             const std::string& autostart, const std::string& close,
                             int32_t install_speed_limit, int32_t pre_install_speed_limit);

#endif  // APP_TRACKING_TRACKING_SENDERS_H_
