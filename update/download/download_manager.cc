#include "update/download/download_manager.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "app/util/file_util.h"
#include "update/download/download_task.h"

const char kPublicAddressUrl[] = "https://ip.quorvel.com/";

namespace {

const char kPrimaryDirectoryBase[] = "https://gate.quorvel.com/";
const char kGlobalDirectoryBase[] = "https://gate-global.quorvel.com/";
const char kTrackingUrl[] =
    "https://track.quorvel.com/track/json_track?token=9f4d1a7c03be58e6d2a1f0c4";
const char kAttributionUrl[] = "https://app.quorvel.com/v1/adjust";
const char kTraceFileName[] = "dltrace.log";

std::once_flag g_curl_once;

// The library allocates each transfer's receive buffer (the read size, half
// a megabyte here) when the transfer starts and frees it when it ends, and
// every receive makes the system check every page of it. Memory the heap
// handed back in between comes back as fresh pages, a fault each: with
// thousands of small files that costs more than the transfers. Big blocks
// are therefore kept for the next transfer instead of freed.
const size_t kKeptBlockMin = 64 * 1024;
const size_t kMaxKeptBlocks = 8;

struct KeptBlocks {
  std::mutex lock;
  std::vector<void*> blocks;
};

KeptBlocks& Kept() {
  static KeptBlocks* kept = new KeptBlocks;  // outlives the library's last free
  return *kept;
}

void* CurlMalloc(size_t size) {
  if (size >= kKeptBlockMin) {
    KeptBlocks& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    for (auto it = kept.blocks.begin(); it != kept.blocks.end(); ++it) {
      const size_t have = _msize(*it);
      if (have >= size && have / 2 <= size) {
        void* block = *it;
        kept.blocks.erase(it);
        return block;
      }
    }
  }
  return malloc(size);
}

void CurlFree(void* block) {
  if (block != nullptr && _msize(block) >= kKeptBlockMin) {
    KeptBlocks& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    if (kept.blocks.size() < kMaxKeptBlocks) {
      kept.blocks.push_back(block);
      return;
    }
  }
  free(block);
}

void* CurlRealloc(void* block, size_t size) { return realloc(block, size); }
char* CurlStrdup(const char* text) { return _strdup(text); }
void* CurlCalloc(size_t count, size_t size) { return calloc(count, size); }

// The library lives from load to exit.
struct CurlGlobal {
  CurlGlobal() { InitCurlGlobal(); }
  ~CurlGlobal() { curl_global_cleanup(); }
} g_curl_global;

}  // namespace

void InitCurlGlobal() {
  std::call_once(g_curl_once, [] {
    curl_global_init_mem(CURL_GLOBAL_ALL, &CurlMalloc, &CurlFree, &CurlRealloc, &CurlStrdup,
                         &CurlCalloc);
  });
}

std::string JoinUrl(const std::string& base, const std::string& path) {
  if (base.empty()) return path;
  if (base.back() == '/') return base + path;
  return base + "/" + path;
}

DownloadManager* DownloadManager::GetInstance() {
  InitCurlGlobal();
  static DownloadManager instance;
  return &instance;
}

DownloadManager::DownloadManager() = default;

DownloadManager::~DownloadManager() { DropAllTasks(); }

void DownloadManager::Init(const ServerOverrides& overrides) {
  attribution_url_ = kAttributionUrl;
  tracking_url_ = kTrackingUrl;
  directory_servers_ = overrides.gate_urls;
  if (directory_servers_.empty()) {
    directory_servers_ = {kPrimaryDirectoryBase, kPrimaryDirectoryBase, kGlobalDirectoryBase};
  }
  dlc_url_overrides_ = overrides.dlc_urls;

  DropAllTasks();
  scheduler_.Init(TransferScheduler::Callbacks{&DownloadManager::OnWriteData,
                                               &DownloadManager::OnHeader,
                                               &DownloadManager::OnProgress});
  stats_.set_total_bytes(0);
  stats_.Uncount(stats_.done_bytes());
  running_ = true;
  paused_ = false;
  attempts_per_server_ = 3;
  mode_ = kDownloadModeGame;
  tick_ = 0;
  stats_.ClearReports();
  if (!overrides.track_url.empty()) tracking_url_ = overrides.track_url;
  trace_.Reset(NormalizePathA(GetSaveFolderA(), true) + kTraceFileName);
}

void DownloadManager::Shutdown() {
  running_ = false;
  paused_ = true;
  CancelAll(mode_);
  paused_ = true;
  assembly_.Stop();
  stats_.ClearReports();
  requests_.ReleaseAll();
  scheduler_.ReleasePool();
}

void DownloadManager::SetDownloadUrls(const std::vector<std::string>& urls) {
  download_servers_ = dlc_url_overrides_.empty() ? urls : dlc_url_overrides_;
}

void DownloadManager::ReleaseRequest(CURL* handle) { requests_.Release(handle); }

void DownloadManager::AppendTrace(const std::string& line) { trace_.Append(line); }

uint32_t DownloadManager::TickCount() const {
  return tick_source_ != nullptr ? tick_source_() : GetTickCount();
}

// --- Blocking requests --------------------------------------------------------

bool DownloadManager::ProbeUrl(const std::string& path, const std::string& body,
                               ProbeCallback callback, int user_value) {
  if (active_servers_.empty()) return false;
  const std::vector<std::string> servers = active_servers_;
  const BlockingRequests::Reply reply =
      requests_.Probe(servers, path, body, attempts_per_server_, RequestTiming());
  if (callback != nullptr && running_) {
    callback(user_value, reply.answered ? kRequestAnswered : kRequestFailed, JoinUrl(path, body),
             reply.exists, reply.error);
  }
  return true;
}

bool DownloadManager::DownloadMemory(const std::string& path, const std::string& body,
                                     MemoryCallback callback, int user_value) {
  if (active_servers_.empty()) {
    if (callback != nullptr && running_) {
      callback(user_value, kRequestNoServers, JoinUrl(path, body), nullptr, 0,
               "DownloadMemory URL is empty");
    }
    return false;
  }
  const std::vector<std::string> servers = active_servers_;
  const BlockingRequests::Reply reply =
      requests_.Fetch(servers, path, body, attempts_per_server_, RequestTiming());
  if (callback != nullptr && running_) {
    callback(user_value, reply.answered ? kRequestAnswered : kRequestFailed, JoinUrl(path, body),
             reply.body.c_str(), static_cast<int>(reply.body.size()), reply.error);
  }
  return true;
}

bool DownloadManager::FetchOnce(const std::string& url, const std::string& body,
                                MemoryCallback callback, int user_value) {
  const BlockingRequests::Reply reply =
      requests_.FetchOnce(url, body, {timeouts_.fetch_connect_ms, timeouts_.fetch_total_ms});
  if (callback != nullptr && running_) {
    callback(user_value, reply.answered ? kRequestAnswered : kRequestFailed, JoinUrl(url, body),
             reply.body.c_str(), static_cast<int>(reply.body.size()), reply.error);
  }
  return true;
}

// --- Speed, statistics and reports --------------------------------------------

void DownloadManager::ApplySpeedLimit(int mode, SpeedSetting setting) {
  if (mode != kDownloadModeGame && mode != kDownloadModePreDownload) return;
  scheduler_.ApplySpeedLimit(mode, setting);
}

void DownloadManager::AddSpeedSample(double speed) {
  stats_.AddSpeedSample(speed, tick_, running_tasks_.size(), paused_);
}

void DownloadManager::ResetStats() { stats_.ResetStats(TickCount(), EngineTick()); }

void DownloadManager::ReportSpeed(const std::string& event) {
  stats_.ReportSpeed(event, TickCount());
}

void DownloadManager::ReportSpeedEvent(const std::string& action_id,
                                       const std::string& event_name, bool only_when_measured) {
  stats_.ReportSpeedEvent(action_id, event_name, only_when_measured, TickCount());
}

void DownloadManager::QueueReport(const std::string& body, const std::string& url,
                                  bool immediate) {
  stats_.QueueReport(body, url, immediate, attribution_url_);
}

void DownloadManager::FlushReports() { stats_.FlushReports(attribution_url_); }

void DownloadManager::PostReport(const std::string& body, const std::string& url) {
  requests_.Post(url, body, url == attribution_url_);
}

size_t DownloadManager::throttled_task_count() const {
  size_t count = 0;
  for (const DownloadTask* task : running_tasks_) count += task->pace.throttled ? 1 : 0;
  return count;
}

// --- Pause, cancel --------------------------------------------------------------

void DownloadManager::Pause() {
  paused_ = true;
  for (DownloadTask* task : running_tasks_) curl_easy_pause(task->handle, CURLPAUSE_ALL);
  delegate()->OnDownloadEvent(DownloadPausedEvent{true});
  ReportSpeed("pause");
  ReportSpeedEvent("15", "click_launch_pause_game", true);
}

void DownloadManager::Resume() {
  paused_ = false;
  tick_ = EngineTick();
  // Un-pausing may hand held-back bytes to OnWriteData at once, which may
  // end transfers: go over a copy.
  const std::vector<DownloadTask*> running(running_tasks_.begin(), running_tasks_.end());
  for (DownloadTask* task : running) {
    task->pace.throttled = false;  // the limit holds it again if it must
    if (task->handle != nullptr) curl_easy_pause(task->handle, CURLPAUSE_CONT);
  }
  ResetStats();
  delegate()->OnDownloadEvent(DownloadDetailReport{"16", "", "", ""});
  delegate()->OnDownloadEvent(
      DownloadActivityReport{"click_launch_continue_download_game", "", "", ""});
  delegate()->OnDownloadEvent(DownloadPausedEvent{false});
}

void DownloadManager::CancelAll(DownloadMode mode) {
  DropAllTasks();
  paused_ = false;
  stats_.Clear();
  ResetStats();
  mode_ = mode;
}

void DownloadManager::DropAllTasks() {
  std::vector<DownloadTask*> all(running_tasks_.begin(), running_tasks_.end());
  running_tasks_.clear();
  all.insert(all.end(), waiting_tasks_.begin(), waiting_tasks_.end());
  waiting_tasks_.clear();
  const std::vector<DownloadTask*> verifying = assembly_.TakeVerifying();
  all.insert(all.end(), verifying.begin(), verifying.end());
  for (DownloadTask* task : all) {
    task->running = false;
    EndTask(task, TaskEnd::kDropped);
  }
  assembly_.Clear();
}
