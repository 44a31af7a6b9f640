#include "app/controller/launcher_download_delegate.h"

#include <windows.h>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"

namespace {

struct ToMainWindowMessage {
  MainWindowMessage operator()(const DownloadProgressEvent& e) const {
    return {MsgDownloadProgress, e.total_bytes, e.done_bytes};
  }
  MainWindowMessage operator()(const DownloadSpeedEvent& e) const {
    return {MsgDownloadSpeed, e.seconds_left, e.bytes_per_second};
  }
  MainWindowMessage operator()(const DownloadPausedEvent& e) const {
    return {MsgDownloadPaused, 0, e.paused ? 1 : 0};
  }
  template <typename Report>
  MainWindowMessage operator()(const Report&) const {
    return {};
  }
};

// What the snapshot and the tracking senders make of each event.
struct Dispatch {
  LauncherController* controller;

  void operator()(const DownloadProgressEvent& e) const {
    controller->PublishSnapshot([&e](LauncherController::Snapshot* next) {
      next->totalBytes = e.total_bytes;
      next->doneBytes = e.done_bytes;
    });
  }
  void operator()(const DownloadSpeedEvent& e) const {
    controller->PublishSnapshot([&e](LauncherController::Snapshot* next) {
      next->secondsLeft = e.seconds_left;
      next->bytesPerSecond = e.bytes_per_second;
    });
  }
  void operator()(const DownloadPausedEvent& e) const {
    controller->PublishSnapshot([&e](LauncherController::Snapshot* next) { next->paused = e.paused; });
  }
  void operator()(const DownloadStepReport& r) const {
    controller->TrackLauncherStep(r.print_info, r.speed, r.size, r.action_type, r.step,
                                  r.immediate);
  }
  void operator()(const DownloadDetailReport& r) const {
    controller->TrackLauncherDetail(r.action_id, r.speed, r.size, r.time);
  }
  void operator()(const DownloadActivityReport& r) const {
    controller->TrackActivity(r.event_name, r.value1, r.value2, r.value3);
  }
};

}  // namespace

MainWindowMessage MainWindowMessageOf(const DownloadEvent& event) {
  return std::visit(ToMainWindowMessage(), event);
}

void LauncherDownloadDelegate::OnDownloadEvent(const DownloadEvent& event) {
  std::visit(Dispatch{controller_}, event);
  const MainWindowMessage message = MainWindowMessageOf(event);
  if (message.message != 0) {
    controller_->NotifyMainWindow(message.message, static_cast<WPARAM>(message.wparam),
                                  static_cast<LPARAM>(message.lparam));
  }
}

bool LauncherDownloadDelegate::UseWebExtraParam() { return controller_->useWebExtraParam; }

DownloadDelegate::RecordValues LauncherDownloadDelegate::GetDownloadRecord() {
  const DownloadRecord record = controller_->GetDownloadRecord();
  RecordValues values;
  values.size = record.downloadSize;
  values.speed = record.downloadSpeed;
  values.time = record.downloadTime;
  return values;
}

void LauncherDownloadDelegate::SetDownloadRecord(const RecordValues& values) {
  controller_->SetDownloadStatistics(values.size, values.speed, values.time);
}
