// DownloadDelegate: what the download engine tells the rest of the launcher,
// and the little it asks of it.
//
// The engine reports typed events as they happen: progress, speed, pausing,
// and the tracking reports of its statistics. The launcher maps them to the
// main window's messages and to its tracking senders; the engine knows
// neither. It asks only for the directory reply's cache-busting switch and for
// the download statistics record that the speed reports keep.
//
// The launcher's controller implements it and hands it to
// DownloadManager::set_delegate before the first download; tests install
// their own to watch the events. The engine keeps a plain pointer: the
// delegate outlives it (or is replaced by null first). Every call comes from
// the engine thread.
#ifndef UPDATE_DOWNLOAD_DOWNLOAD_DELEGATE_H_
#define UPDATE_DOWNLOAD_DOWNLOAD_DELEGATE_H_

#include <cstdint>
#include <string>
#include <variant>

// One speed-limit setting of the player, as DownloadManager::ApplySpeedLimit
// takes it: the switch and the number in KB/s.
struct SpeedSetting {
  bool limited = false;
  int32_t speed = 0;
};

// Bytes of the current downloads: all of them, and those in.
struct DownloadProgressEvent {
  int64_t total_bytes = 0;
  int64_t done_bytes = 0;
};

// The speed estimate, about once a second.
struct DownloadSpeedEvent {
  int64_t seconds_left = 0;
  int64_t bytes_per_second = 0;
};

// Paused, or running again.
struct DownloadPausedEvent {
  bool paused = false;
};

// The download statistics' tracking reports, with the values of the matching
// record: a step, a detail record and an attribution event.
struct DownloadStepReport {
  std::string print_info;
  std::string speed;
  std::string size;
  std::string action_type;
  std::string step;
  bool immediate = false;
};
struct DownloadDetailReport {
  std::string action_id;
  std::string speed;
  std::string size;
  std::string time;
};
struct DownloadActivityReport {
  std::string event_name;
  std::string value1;
  std::string value2;
  std::string value3;
};

using DownloadEvent = std::variant<DownloadProgressEvent, DownloadSpeedEvent, DownloadPausedEvent,
                                   DownloadStepReport, DownloadDetailReport,
                                   DownloadActivityReport>;

class DownloadDelegate {
 public:
  // The statistics of the download record that the speed reports read and
  // update.
  struct RecordValues {
    int64_t size = 0;   // downloadSize
    int64_t speed = 0;  // downloadSpeed
    int64_t time = 0;   // downloadTime, seconds
  };

  virtual ~DownloadDelegate() = default;

  virtual void OnDownloadEvent(const DownloadEvent& event) = 0;

  // The directory reply asked for "?t=" behind every file URL.
  virtual bool UseWebExtraParam() = 0;

  virtual RecordValues GetDownloadRecord() = 0;
  virtual void SetDownloadRecord(const RecordValues& values) = 0;
};

#endif  // UPDATE_DOWNLOAD_DOWNLOAD_DELEGATE_H_
