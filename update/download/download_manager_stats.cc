// DownloadManager: speed limits, speed statistics and the tracking reports.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/util/string_format.h"
#include "update/download/download_manager.h"
#include "update/download/download_task.h"

namespace {

// The per-transfer limit is the player's KB/s times this: with five
// transfers the total stays near the number the player set.
const int64_t kLimitFactor = 204;
const size_t kMaxSpeedSamples = 60;
const size_t kLowestSpeedMinSamples = 30;
const uint32_t kSpeedIntervalMs = 1000;
const int64_t kFastSpeed = 20480;
const uint32_t kSlowAfterMs = 10000;
// A transfer may run ahead of its limit by this share of a second.
const double kBurstSeconds = 0.25;
const long kMaxBufferSize = 500000;
const long kMinBufferSize = 4096;
const char kReportContentType[] = "Content-Type:application/json; charset=UTF-8";
const long kReportTimeoutSeconds = 6;

// Used when no delegate is set: nobody hears the events.
class NullDelegate : public DownloadDelegate {
 public:
  void OnDownloadEvent(const DownloadEvent&) override {}
  bool UseWebExtraParam() override { return false; }
  RecordValues GetDownloadRecord() override { return RecordValues(); }
  void SetDownloadRecord(const RecordValues&) override {}
};

double NowSeconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string MegabytesText(int64_t bytes) {
  return base::StringFormat("%.3f", static_cast<float>(bytes) / 1048576.0f);
}

std::string GigabytesText(int64_t bytes) {
  return base::StringFormat("%.3f", static_cast<float>(bytes) / 1073741824.0f);
}

}  // namespace

DownloadDelegate* DownloadManager::delegate() const {
  static NullDelegate null_delegate;
  return delegate_ != nullptr ? delegate_ : &null_delegate;
}

uint32_t DownloadManager::TickCount() const {
  return tick_source_ != nullptr ? tick_source_() : GetTickCount();
}

double DownloadManager::BudgetSeconds() const {
  return tick_source_ != nullptr ? tick_source_() / 1000.0 : NowSeconds();
}

// --- Speed limits -----------------------------------------------------------

int64_t DownloadManager::SpeedLimitFor(DownloadMode mode) {
  const SpeedSetting& setting = speed_limits_[mode == kDownloadModePreDownload ? 1 : 0];
  if (!setting.limited || setting.speed <= 0) return 0;
  return static_cast<int64_t>(setting.speed) * kLimitFactor;
}

void DownloadManager::ApplySpeedLimit(int mode, SpeedSetting setting) {
  if (mode != kDownloadModeGame && mode != kDownloadModePreDownload) return;
  std::lock_guard<std::mutex> hold(speed_limit_lock_);
  pending_speed_limits_[mode].setting = setting;
  pending_speed_limits_[mode].pending = true;
}

void DownloadManager::ApplyPendingSpeedLimit() {
  bool changed[2] = {false, false};
  {
    std::lock_guard<std::mutex> hold(speed_limit_lock_);
    for (int m = 0; m < 2; ++m) {
      if (!pending_speed_limits_[m].pending) continue;
      speed_limits_[m] = pending_speed_limits_[m].setting;
      pending_speed_limits_[m].pending = false;
      changed[m] = true;
    }
  }
  if (!changed[mode_ == kDownloadModePreDownload ? 1 : 0]) return;
  const int64_t limit = SpeedLimitFor(mode_);
  EnterCriticalSection(&lock_);
  std::vector<DownloadTask*> running(running_tasks_.begin(), running_tasks_.end());
  LeaveCriticalSection(&lock_);
  for (DownloadTask* task : running) {
    if (task->handle != nullptr) SetTaskLimit(task, limit, false);
  }
  speed_samples_.clear();
  ReleaseThrottled();
}

CURLcode DownloadManager::SetTaskLimit(DownloadTask* task, int64_t limit, bool starting) {
  CURLcode result = curl_easy_setopt(task->handle, CURLOPT_MAX_RECV_SPEED_LARGE,
                                     static_cast<curl_off_t>(limit));
  if (starting && result == CURLE_OK) {
    // Reads of a quarter second's worth keep a limited transfer smooth.
    long buffer = kMaxBufferSize;
    if (limit > 0) {
      buffer = static_cast<long>(std::min<int64_t>(std::max<int64_t>(limit / 4, kMinBufferSize),
                                                   kMaxBufferSize));
    }
    result = curl_easy_setopt(task->handle, CURLOPT_BUFFERSIZE, buffer);
  }
  task->limit = limit;
  const double burst = static_cast<double>(limit) * kBurstSeconds;
  if (starting || task->tokens > burst) task->tokens = burst;
  task->tokens_time = BudgetSeconds();
  return result;
}

bool DownloadManager::TakeBudget(DownloadTask* task, int64_t bytes) {
  if (task->limit <= 0) return true;
  const double now = BudgetSeconds();
  const double burst = static_cast<double>(task->limit) * kBurstSeconds;
  task->tokens = std::min(task->tokens + (now - task->tokens_time) * task->limit, burst);
  task->tokens_time = now;
  if (task->tokens <= 0) return false;
  // May go below 0: the next bytes then wait until the budget is back.
  task->tokens -= static_cast<double>(bytes);
  return true;
}

void DownloadManager::ReleaseThrottled() {
  if (paused_) return;
  EnterCriticalSection(&lock_);
  std::vector<DownloadTask*> held;
  for (DownloadTask* task : running_tasks_) {
    if (task->throttled) held.push_back(task);
  }
  LeaveCriticalSection(&lock_);
  const double now = BudgetSeconds();
  for (DownloadTask* task : held) {
    if (task->handle == nullptr) continue;
    if (task->limit > 0 && task->tokens + (now - task->tokens_time) * task->limit <= 0) continue;
    task->throttled = false;
    // The held bytes are handed to OnWriteData from in here.
    curl_easy_pause(task->handle, CURLPAUSE_CONT);
  }
}

// --- Statistics -------------------------------------------------------------

void DownloadManager::AddSpeedSample(double speed) {
  speed_samples_.push_back(speed);
  while (speed_samples_.size() > kMaxSpeedSamples) speed_samples_.pop_front();
  if (paused_ || tick_ - last_speed_tick_ < kSpeedIntervalMs) return;
  last_speed_tick_ = tick_;

  const int64_t count = static_cast<int64_t>(speed_samples_.size());
  int64_t sum = 0;
  for (double sample : speed_samples_) sum += static_cast<int64_t>(sample);
  const int64_t transfers = std::max<int64_t>(static_cast<int64_t>(running_task_count()), 1);
  const int64_t estimate = transfers * (sum / count);

  int64_t left = 0;
  if (total_bytes_ >= done_bytes_ && estimate > 0) left = (total_bytes_ - done_bytes_) / estimate;
  current_speed_ = estimate;
  if (estimate < lowest_speed_ && speed_samples_.size() > kLowestSpeedMinSamples) {
    lowest_speed_ = estimate;
    lowest_speed_location_ = current_file_;
  }
  if (estimate > highest_speed_) highest_speed_ = estimate;
  if (estimate > kFastSpeed) {
    last_fast_tick_ = tick_;
  } else if (tick_ - last_fast_tick_ >= kSlowAfterMs && estimate > 0) {
    if (slow_speed_ <= 0 || estimate < slow_speed_) slow_speed_ = estimate;
  }
  done_snapshot_ = done_bytes_;
  delegate()->OnDownloadEvent(DownloadSpeedEvent{static_cast<int32_t>(left), estimate});
}

void DownloadManager::ResetStats() {
  current_speed_ = 0;
  lowest_speed_ = 100000000000LL;
  highest_speed_ = 0;
  lowest_speed_location_.clear();
  done_snapshot_ = 0;
  stat_start_tick_ = TickCount();
  slow_speed_ = 0;
  last_fast_tick_ = EngineTick();
}

void DownloadManager::ReportSpeed(const std::string& event) {
  if (current_speed_ <= 0) return;
  const int64_t base = delegate()->GetDownloadRecord().size;
  const int64_t seconds = static_cast<int64_t>((TickCount() - stat_start_tick_) * 0.001);
  const int64_t average = seconds != 0 ? (done_snapshot_ - base) / seconds : current_speed_;
  delegate()->OnDownloadEvent(DownloadStepReport{
      "", MegabytesText(average), GigabytesText(done_snapshot_ - base), event, "", true});
}

void DownloadManager::ReportSpeedEvent(const std::string& action_id,
                                       const std::string& event_name, bool only_when_measured) {
  if (current_speed_ <= 0 && only_when_measured) return;
  const int64_t seconds = static_cast<int64_t>((TickCount() - stat_start_tick_) * 0.001);
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

// --- Reports ----------------------------------------------------------------

void DownloadManager::QueueReport(const std::string& body, const std::string& url,
                                  bool immediate) {
  if (immediate) {
    PostReport(body, url);
  } else {
    report_queue_[url].push_back(body);
  }
}

void DownloadManager::FlushReports() {
  for (auto& entry : report_queue_) {
    if (entry.second.empty()) continue;
    std::string body = std::move(entry.second.front());
    entry.second.pop_front();
    const std::string url = entry.first;
    PostReport(body, url);
    return;
  }
}

size_t DownloadManager::queued_report_count() const {
  size_t count = 0;
  for (const auto& entry : report_queue_) count += entry.second.size();
  return count;
}

size_t DownloadManager::OnWriteString(char* data, size_t size, size_t count, void* user) {
  DownloadManager* self = static_cast<DownloadManager*>(user);
  self->report_response_.append(data, size * count);
  return size * count;
}

void DownloadManager::PostReport(const std::string& body, const std::string& url) {
  CURL* handle = curl_easy_init();
  if (handle == nullptr) return;
  live_requests_.push_back(handle);
  curl_slist* headers = curl_slist_append(nullptr, kReportContentType);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(handle, CURLOPT_HEADER, 0L);
  std::string request_url;
  if (url == attribution_url_) {
    request_url = url + "?" + body;
    curl_easy_setopt(handle, CURLOPT_URL, request_url.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
  }
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(handle, CURLOPT_VERBOSE, 0L);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  report_response_.clear();
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DownloadManager::OnWriteString);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kReportTimeoutSeconds);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, kReportTimeoutSeconds);
  curl_easy_perform(handle);  // a report that fails is dropped
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  ReleaseRequest(handle);
  curl_slist_free_all(headers);
}
