// LauncherDownloadDelegate: the download engine's view of the launcher. The
// engine's events go to the main window, as the messages of the one table
// below, to the controller's published snapshot (progress, speed, pause) and
// to the tracking senders; the directory reply's "?t=" switch and the
// download statistics record come from the controller.
//
// Each controller owns one over itself and hands it to the engine when the
// engine starts (LauncherServices::InitDownloadEngine); tests make their own.
// Its calls come from the engine's thread (1): the messages and reports are
// posted on, and the record is read and written under the controller's lock.
#ifndef APP_CONTROLLER_LAUNCHER_DOWNLOAD_DELEGATE_H_
#define APP_CONTROLLER_LAUNCHER_DOWNLOAD_DELEGATE_H_

#include <cstdint>

#include "update/download/download_delegate.h"

class LauncherController;

// A main-window message with its parameters; message 0 when the event is not
// one for the main window (the tracking reports).
struct MainWindowMessage {
  uint32_t message = 0;
  int64_t wparam = 0;
  int64_t lparam = 0;
};

// The one table from engine events to the main window's messages
// (app/controller/launcher_messages.h).
MainWindowMessage MainWindowMessageOf(const DownloadEvent& event);

class LauncherDownloadDelegate : public DownloadDelegate {
 public:
  explicit LauncherDownloadDelegate(LauncherController* controller) : controller_(controller) {}

  void OnDownloadEvent(const DownloadEvent& event) override;
  bool UseWebExtraParam() override;
  RecordValues GetDownloadRecord() override;
  void SetDownloadRecord(const RecordValues& values) override;

 private:
  LauncherController* controller_;
};

#endif  // APP_CONTROLLER_LAUNCHER_DOWNLOAD_DELEGATE_H_
