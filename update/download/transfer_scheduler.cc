#include "update/download/transfer_scheduler.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>

namespace {

const int kPoolBatch = 5;
// The per-transfer limit is the player's KB/s times this: with five
// transfers the total stays near the number the player set.
const int64_t kLimitFactor = 204;
// A transfer may run ahead of its limit by this share of a second.
const double kBurstSeconds = 0.25;
const long kMaxBufferSize = 500000;
const long kMinBufferSize = 4096;

int ModeIndex(int mode) { return mode == 1 ? 1 : 0; }

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

}  // namespace

TransferScheduler::~TransferScheduler() {
  ReleasePool();
  if (multi_ != nullptr) curl_multi_cleanup(multi_);
}

void TransferScheduler::Init(const Callbacks& callbacks) {
  callbacks_ = callbacks;
  if (multi_ != nullptr) curl_multi_cleanup(multi_);
  multi_ = curl_multi_init();
  if (multi_ != nullptr) curl_multi_setopt(multi_, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
  FillPool();
}

void TransferScheduler::FillPool() {
  for (int i = 0; i < kPoolBatch; ++i) {
    CURL* handle = curl_easy_init();
    if (handle == nullptr) return;
    // Results are not checked: a library without HTTP/2 keeps HTTP/1.1.
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2_0));
    // Wait for a connection that can multiplex, so an HTTP/2 server sees
    // one connection. Against a server that answers in HTTP/1.1 this
    // libcurl holds the other new transfers until the first one to that
    // host has its reply; from then on it opens connections in parallel.
    curl_easy_setopt(handle, CURLOPT_PIPEWAIT, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, callbacks_.write);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, callbacks_.header);
    // No limit on a piece's total time: the engine sets the connect time-out
    // and the stall limit instead.
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, callbacks_.progress);
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kMaxBufferSize);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    pool_.push_back(handle);
  }
}

void TransferScheduler::ReleasePool() {
  for (CURL* handle : pool_) curl_easy_cleanup(handle);
  pool_.clear();
}

CURL* TransferScheduler::TakeHandle() {
  if (pool_.empty()) FillPool();
  if (pool_.empty()) return nullptr;
  CURL* handle = pool_.front();
  pool_.erase(pool_.begin());
  return handle;
}

void TransferScheduler::ReturnHandle(CURL* handle, bool transfer_ended) {
  curl_multi_remove_handle(multi_, handle);
  if (!transfer_ended) {
    curl_easy_cleanup(handle);
    return;
  }
  // Back to the pool without pointers into the transfer that had it.
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, nullptr);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, nullptr);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
  pool_.push_back(handle);
}

void TransferScheduler::Perform() {
  int still_running = 0;
  curl_multi_perform(multi_, &still_running);
}

bool TransferScheduler::WaitForData(long microseconds, bool* failed) {
  fd_set read_set, write_set, error_set;
  FD_ZERO(&read_set);
  FD_ZERO(&write_set);
  FD_ZERO(&error_set);
  int max_fd = -1;
  *failed = curl_multi_fdset(multi_, &read_set, &write_set, &error_set, &max_fd) != CURLM_OK;
  if (*failed || max_fd < 0) return false;
  timeval wait = {0, microseconds};
  return select(max_fd + 1, &read_set, &write_set, &error_set, &wait) > 0;
}

CURLMsg* TransferScheduler::NextDone() {
  int left = 0;
  CURLMsg* message;
  while ((message = curl_multi_info_read(multi_, &left)) != nullptr) {
    if (message->msg == CURLMSG_DONE) return message;
  }
  return nullptr;
}

// --- Pacing -------------------------------------------------------------------

double TransferScheduler::Seconds() const {
  return tick_source_ != nullptr ? tick_source_() / 1000.0 : NowSeconds();
}

void TransferScheduler::ApplySpeedLimit(int mode, SpeedSetting setting) {
  std::lock_guard<std::mutex> hold(pending_lock_);
  pending_[ModeIndex(mode)].setting = setting;
  pending_[ModeIndex(mode)].pending = true;
}

bool TransferScheduler::TakeLimits(int mode) {
  bool changed[2] = {false, false};
  std::lock_guard<std::mutex> hold(pending_lock_);
  for (int m = 0; m < 2; ++m) {
    if (!pending_[m].pending) continue;
    limits_[m] = pending_[m].setting;
    pending_[m].pending = false;
    changed[m] = true;
  }
  return changed[ModeIndex(mode)];
}

int64_t TransferScheduler::LimitFor(int mode) const {
  const SpeedSetting& setting = limits_[ModeIndex(mode)];
  if (!setting.limited || setting.speed <= 0) return 0;
  return static_cast<int64_t>(setting.speed) * kLimitFactor;
}

CURLcode TransferScheduler::SetLimit(CURL* handle, TransferPace* pace, int64_t limit,
                                     bool starting) const {
  CURLcode result =
      curl_easy_setopt(handle, CURLOPT_MAX_RECV_SPEED_LARGE, static_cast<curl_off_t>(limit));
  if (starting && result == CURLE_OK) {
    // Reads of a quarter second's worth keep a limited transfer smooth.
    long buffer = kMaxBufferSize;
    if (limit > 0) {
      buffer = static_cast<long>(std::min<int64_t>(std::max<int64_t>(limit / 4, kMinBufferSize),
                                                   kMaxBufferSize));
    }
    result = curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, buffer);
  }
  pace->limit = limit;
  const double burst = static_cast<double>(limit) * kBurstSeconds;
  if (starting || pace->tokens > burst) pace->tokens = burst;
  pace->tokens_time = Seconds();
  return result;
}

bool TransferScheduler::TakeBudget(TransferPace* pace, int64_t bytes) const {
  if (pace->limit <= 0) return true;
  const double now = Seconds();
  const double burst = static_cast<double>(pace->limit) * kBurstSeconds;
  pace->tokens = std::min(pace->tokens + (now - pace->tokens_time) * pace->limit, burst);
  pace->tokens_time = now;
  if (pace->tokens <= 0) return false;
  // May go below 0: the next bytes then wait until the budget is back.
  pace->tokens -= static_cast<double>(bytes);
  return true;
}

bool TransferScheduler::BudgetBack(const TransferPace& pace) const {
  return pace.limit <= 0 || pace.tokens + (Seconds() - pace.tokens_time) * pace.limit > 0;
}
