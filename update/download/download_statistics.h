// DownloadStatistics: the download engine's byte counts and speed
// statistics, the events that report them to its DownloadDelegate, and the
// tracking reports' queue (one queue per endpoint, drained one report per
// FlushReports, sent through the blocking requests).
//
// The engine hands it the clock readings and what it needs of the
// transfers; it owns the delegate pointer (a null delegate hears nothing).
// Engine thread only.
#ifndef UPDATE_DOWNLOAD_DOWNLOAD_STATISTICS_H_
#define UPDATE_DOWNLOAD_DOWNLOAD_STATISTICS_H_

#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "update/download/blocking_requests.h"
#include "update/download/download_delegate.h"

class DownloadStatistics {
 public:
  explicit DownloadStatistics(BlockingRequests* requests) : requests_(requests) {}

  DownloadDelegate* delegate() const;
  void set_delegate(DownloadDelegate* delegate) { delegate_ = delegate; }

  // --- Bytes -------------------------------------------------------------
  void CountDone(int64_t bytes);
  // Takes back a file's bytes (it is fetched again).
  void Uncount(int64_t bytes);
  // The progress event, at most once a second (or when all is done); none
  // while paused.
  void SendProgressIfDue(uint32_t tick, bool paused);
  // No bytes, no samples, and the progress and speed events due at once.
  void Clear();

  // --- Speed -------------------------------------------------------------
  // A transfer's reading; about once a second the estimate over the last
  // readings, times the running transfers, becomes the speed event.
  void AddSpeedSample(double speed, uint32_t tick, size_t transfers, bool paused);
  void ClearSamples() { speed_samples_.clear(); }
  // `now` is the millisecond clock, `engine_tick` the engine's.
  void ResetStats(uint32_t now, uint32_t engine_tick);
  void ReportSpeed(const std::string& event, uint32_t now);
  void ReportSpeedEvent(const std::string& action_id, const std::string& event_name,
                        bool only_when_measured, uint32_t now);
  void set_current_file(const std::string& file) { current_file_ = file; }

  // --- Reports -----------------------------------------------------------
  void QueueReport(const std::string& body, const std::string& url, bool immediate,
                   const std::string& attribution_url);
  void FlushReports(const std::string& attribution_url);
  void ClearReports() { report_queue_.clear(); }
  size_t queued_report_count() const;

  int64_t total_bytes() const { return total_bytes_; }
  void set_total_bytes(int64_t bytes) { total_bytes_ = bytes; }
  int64_t done_bytes() const { return done_bytes_; }
  uint32_t stat_start_tick() const { return stat_start_tick_; }
  void set_stat_start_tick(uint32_t tick) { stat_start_tick_ = tick; }
  int64_t current_speed() const { return current_speed_; }
  int64_t lowest_speed() const { return lowest_speed_; }
  int64_t highest_speed() const { return highest_speed_; }
  int64_t slow_speed() const { return slow_speed_; }
  const std::string& lowest_speed_location() const { return lowest_speed_location_; }
  size_t speed_sample_count() const { return speed_samples_.size(); }

 private:
  BlockingRequests* requests_;
  DownloadDelegate* delegate_ = nullptr;
  int64_t total_bytes_ = 0;
  int64_t done_bytes_ = 0;
  int64_t current_speed_ = 0;
  int64_t lowest_speed_ = 100000000000LL;
  int64_t highest_speed_ = 0;
  int64_t done_snapshot_ = 0;
  std::string lowest_speed_location_;
  std::string current_file_;
  uint32_t last_progress_tick_ = 0;
  std::deque<double> speed_samples_;
  uint32_t last_speed_tick_ = 0;
  int64_t slow_speed_ = 0;
  uint32_t last_fast_tick_ = 0;
  uint32_t stat_start_tick_ = 0;
  std::map<std::string, std::deque<std::string>> report_queue_;
};

#endif  // UPDATE_DOWNLOAD_DOWNLOAD_STATISTICS_H_
