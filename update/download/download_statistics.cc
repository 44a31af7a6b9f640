#include "update/download/download_statistics.h"

#include <algorithm>

#include "base/util/string_format.h"

namespace {

const size_t kMaxSpeedSamples = 60;
const size_t kLowestSpeedMinSamples = 30;
const uint32_t kSpeedIntervalMs = 1000;
const uint32_t kProgressIntervalMs = 1000;
const int64_t kFastSpeed = 20480;
const uint32_t kSlowAfterMs = 10000;

// Used when no delegate is set: nobody hears the events.
class NullDelegate : public DownloadDelegate {
 public:
  void OnDownloadEvent(const DownloadEvent&) override {}
  bool UseWebExtraParam() override { return false; }
  RecordValues GetDownloadRecord() override { return RecordValues(); }
  void SetDownloadRecord(const RecordValues&) override {}
};

std::string MegabytesText(int64_t bytes) {
  return base::StringFormat("%.3f", static_cast<float>(bytes) / 1048576.0f);
}

std::string GigabytesText(int64_t bytes) {
  return base::StringFormat("%.3f", static_cast<float>(bytes) / 1073741824.0f);
}

}  // namespace

DownloadDelegate* DownloadStatistics::delegate() const {
  static NullDelegate null_delegate;
  return delegate_ != nullptr ? delegate_ : &null_delegate;
}

// --- Bytes --------------------------------------------------------------------

void DownloadStatistics::CountDone(int64_t bytes) {
  done_bytes_ = std::max<int64_t>(done_bytes_ + bytes, 0);
}

void DownloadStatistics::Uncount(int64_t bytes) {
  done_bytes_ = std::max<int64_t>(done_bytes_ - bytes, 0);
}

void DownloadStatistics::SendProgressIfDue(uint32_t tick, bool paused) {
  if (paused) return;
  if (tick - last_progress_tick_ >= kProgressIntervalMs || done_bytes_ >= total_bytes_) {
    last_progress_tick_ = tick;
    delegate()->OnDownloadEvent(DownloadProgressEvent{total_bytes_, done_bytes_});
  }
}

void DownloadStatistics::Clear() {
  total_bytes_ = 0;
  done_bytes_ = 0;
  speed_samples_.clear();
  last_progress_tick_ = 0;
  last_speed_tick_ = 0;
}

// --- Speed --------------------------------------------------------------------

void DownloadStatistics::AddSpeedSample(double speed, uint32_t tick, size_t transfers,
                                        bool paused) {
  speed_samples_.push_back(speed);
  while (speed_samples_.size() > kMaxSpeedSamples) speed_samples_.pop_front();
  if (paused || tick - last_speed_tick_ < kSpeedIntervalMs) return;
  last_speed_tick_ = tick;

  const int64_t count = static_cast<int64_t>(speed_samples_.size());
  int64_t sum = 0;
  for (double sample : speed_samples_) sum += static_cast<int64_t>(sample);
  const int64_t estimate = std::max<int64_t>(static_cast<int64_t>(transfers), 1) * (sum / count);

  int64_t left = 0;
  if (total_bytes_ >= done_bytes_ && estimate > 0) left = (total_bytes_ - done_bytes_) / estimate;
  current_speed_ = estimate;
  if (estimate < lowest_speed_ && speed_samples_.size() > kLowestSpeedMinSamples) {
    lowest_speed_ = estimate;
    lowest_speed_location_ = current_file_;
  }
  if (estimate > highest_speed_) highest_speed_ = estimate;
  if (estimate > kFastSpeed) {
    last_fast_tick_ = tick;
  } else if (tick - last_fast_tick_ >= kSlowAfterMs && estimate > 0) {
    if (slow_speed_ <= 0 || estimate < slow_speed_) slow_speed_ = estimate;
  }
  done_snapshot_ = done_bytes_;
  delegate()->OnDownloadEvent(DownloadSpeedEvent{static_cast<int32_t>(left), estimate});
}

void DownloadStatistics::ResetStats(uint32_t now, uint32_t engine_tick) {
  current_speed_ = 0;
  lowest_speed_ = 100000000000LL;
  highest_speed_ = 0;
  lowest_speed_location_.clear();
  done_snapshot_ = 0;
  stat_start_tick_ = now;
  slow_speed_ = 0;
  last_fast_tick_ = engine_tick;
}

void DownloadStatistics::ReportSpeed(const std::string& event, uint32_t now) {
  if (current_speed_ <= 0) return;
  const int64_t base = delegate()->GetDownloadRecord().size;
  const int64_t seconds = static_cast<int64_t>((now - stat_start_tick_) * 0.001);
  const int64_t average = seconds != 0 ? (done_snapshot_ - base) / seconds : current_speed_;
  delegate()->OnDownloadEvent(DownloadStepReport{
      "", MegabytesText(average), GigabytesText(done_snapshot_ - base), event, "", true});
}

void DownloadStatistics::ReportSpeedEvent(const std::string& action_id,
                                          const std::string& event_name, bool only_when_measured,
                                          uint32_t now) {
  if (current_speed_ <= 0 && only_when_measured) return;
  const int64_t seconds = static_cast<int64_t>((now - stat_start_tick_) * 0.001);
  DownloadDelegate::RecordValues record = delegate()->GetDownloadRecord();
  const int64_t base = record.size;
  const int64_t previous = record.time;
  const int64_t average = seconds > 0 ? (done_snapshot_ - base) / seconds : current_speed_;
  const std::string speed = MegabytesText(average);
  const std::string size = GigabytesText(done_snapshot_ - base);
  const std::string time = base::StringFormat("%d", static_cast<int>(seconds));
  record.speed = average;
  record.size = done_snapshot_;
  record.time = previous + seconds;
  delegate()->SetDownloadRecord(record);
  delegate()->OnDownloadEvent(DownloadDetailReport{action_id, speed, size, time});
  delegate()->OnDownloadEvent(DownloadActivityReport{event_name, speed, size, time});
}

// --- Reports ------------------------------------------------------------------

void DownloadStatistics::QueueReport(const std::string& body, const std::string& url,
                                     bool immediate, const std::string& attribution_url) {
  if (immediate) {
    requests_->Post(url, body, url == attribution_url);
  } else {
    report_queue_[url].push_back(body);
  }
}

void DownloadStatistics::FlushReports(const std::string& attribution_url) {
  for (auto& entry : report_queue_) {
    if (entry.second.empty()) continue;
    std::string body = std::move(entry.second.front());
    entry.second.pop_front();
    const std::string url = entry.first;
    requests_->Post(url, body, url == attribution_url);
    return;
  }
}

size_t DownloadStatistics::queued_report_count() const {
  size_t count = 0;
  for (const auto& entry : report_queue_) count += entry.second.size();
  return count;
}
