// DownloadDelegate: what the download engine needs of the rest of the
// launcher: the player's speed-limit settings, the directory reply's
// cache-busting switch, the main window's progress messages, the download
// statistics record and the tracking reports.
//
// The launcher's controller implements it and hands it to
// DownloadManager::set_delegate before the first download; tests install
// their own to watch the calls. The engine keeps a plain pointer: the
// delegate outlives it (or is replaced by null first). Every call comes from
// the engine thread.
#ifndef UPDATE_DOWNLOAD_DOWNLOAD_DELEGATE_H_
#define UPDATE_DOWNLOAD_DOWNLOAD_DELEGATE_H_

#include <cstdint>
#include <string>

// Main-window messages the engine sends through NotifyMainWindow.
constexpr uint32_t kMsgDownloadSpeed = 2128;     // seconds left, bytes per second
constexpr uint32_t kMsgDownloadProgress = 2129;  // total bytes, done bytes
constexpr uint32_t kMsgDownloadPaused = 2130;    // 0, 1 paused / 0 running again

class DownloadDelegate {
 public:
  // One speed-limit setting of the player: the switch and the number in KB/s.
  struct SpeedSetting {
    bool limited = false;
    int32_t speed = 0;
  };

  // The statistics of the download record that the speed reports read and
  // update.
  struct RecordValues {
    int64_t size = 0;   // downloadSize
    int64_t speed = 0;  // downloadSpeed
    int64_t time = 0;   // downloadTime, seconds
  };

  virtual ~DownloadDelegate() = default;

  // mode 0: the game download's setting; 1: the pre-download's.
  virtual SpeedSetting GetSpeedSetting(int32_t mode) = 0;
  // The directory reply asked for "?t=" behind every file URL.
  virtual bool UseWebExtraParam() = 0;
  virtual void NotifyMainWindow(uint32_t message, int64_t wparam, int64_t lparam) = 0;

  virtual RecordValues GetDownloadRecord() = 0;
  virtual void SetDownloadRecord(const RecordValues& values) = 0;

  // The tracking reports the engine's statistics send.
  virtual void TrackLauncherStep(const std::string& print_info, const std::string& speed,
                                 const std::string& size, const std::string& action_type,
                                 const std::string& step, bool immediate) = 0;
  virtual void TrackLauncherDetail(const std::string& action_id, const std::string& speed,
                                   const std::string& size, const std::string& time) = 0;
  virtual void TrackActivity(const std::string& event_name, const std::string& value1,
                             const std::string& value2, const std::string& value3) = 0;
};

#endif  // UPDATE_DOWNLOAD_DOWNLOAD_DELEGATE_H_
