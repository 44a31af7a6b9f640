#include "update/download/download_manager.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "app/util/file_util.h"
#include "update/download/download_task.h"
#include "update/versions/version_map.h"

const char kPublicAddressUrl[] = "https://ip.quorvel.com/";

namespace {

const char kPrimaryDirectoryBase[] = "https://gate.quorvel.com/";
const char kGlobalDirectoryBase[] = "https://gate-global.quorvel.com/";
const char kTrackingUrl[] =
    "https://track.quorvel.com/track/json_track?token=9f4d1a7c03be58e6d2a1f0c4";
const char kAttributionUrl[] = "https://app.quorvel.com/v1/adjust";
const char kUserAgent[] = "libcurl-agent/1.0";
const char kTraceFileName[] = "dltrace.log";
const int kPoolBatch = 5;

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

struct DownloadManager::Attempt {
  DownloadManager* manager = nullptr;
  CURLcode result = CURLE_OK;
  long status = 0;
  bool setup_failed = false;
  std::string setup_error;
  std::string body;
};

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

DownloadManager::DownloadManager() { InitializeCriticalSectionAndSpinCount(&lock_, 2000); }

DownloadManager::~DownloadManager() {
  ReleaseAllTasks();
  ReleaseAllRequests();
  ReleaseHandlePool();
  if (multi_ != nullptr) curl_multi_cleanup(multi_);
  DeleteCriticalSection(&lock_);
}

void DownloadManager::Init(const ServerOverrides& overrides) {
  attribution_url_ = kAttributionUrl;
  tracking_url_ = kTrackingUrl;
  directory_servers_ = overrides.gate_urls;
  if (directory_servers_.empty()) {
    directory_servers_ = {kPrimaryDirectoryBase, kPrimaryDirectoryBase, kGlobalDirectoryBase};
  }
  dlc_url_overrides_ = overrides.dlc_urls;

  ReleaseAllTasks();
  if (multi_ != nullptr) curl_multi_cleanup(multi_);
  multi_ = curl_multi_init();
  if (multi_ != nullptr) curl_multi_setopt(multi_, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);

  total_bytes_ = 0;
  done_bytes_ = 0;
  running_ = true;
  paused_ = false;
  attempts_per_server_ = 3;
  mode_ = kDownloadModeGame;
  tick_ = 0;
  report_response_.clear();
  report_queue_.clear();

  if (!overrides.track_url.empty()) tracking_url_ = overrides.track_url;
  FillHandlePool();

  trace_path_ = NormalizePathA(GetSaveFolderA(), true) + kTraceFileName;
  HANDLE file = CreateFileA(trace_path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

void DownloadManager::Shutdown() {
  running_ = false;
  paused_ = true;
  CancelAll(mode_);
  paused_ = true;
  digester_.reset();
  report_queue_.clear();
  ReleaseAllRequests();
  ReleaseHandlePool();
}

void DownloadManager::SetDownloadUrls(const std::vector<std::string>& urls) {
  download_servers_ = dlc_url_overrides_.empty() ? urls : dlc_url_overrides_;
}

void DownloadManager::FillHandlePool() {
  for (int i = 0; i < kPoolBatch; ++i) {
    CURL* handle = curl_easy_init();
    if (handle == nullptr) return;
    // Results are not checked: a library without HTTP/2 keeps HTTP/1.1.
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2_0));
    // Wait for a connection that can multiplex, so an HTTP/2 server sees
    // one connection. Against a server that answers in HTTP/1.1 this
    // libcurl holds the other new transfers until the first one to that
    // host has ended; from then on it opens connections in parallel.
    curl_easy_setopt(handle, CURLOPT_PIPEWAIT, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DownloadManager::OnWriteData);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &DownloadManager::OnHeader);
    // No limit on a piece's total time: StartTask sets the connect time-out
    // and the stall limit instead.
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &DownloadManager::OnProgress);
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, 500000L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    handle_pool_.push_back(handle);
  }
}

void DownloadManager::ReleaseHandlePool() {
  for (CURL* handle : handle_pool_) curl_easy_cleanup(handle);
  handle_pool_.clear();
}

void DownloadManager::ReleaseAllRequests() {
  while (!live_requests_.empty()) ReleaseRequest(live_requests_.front());
}

void DownloadManager::ReleaseRequest(CURL* handle) {
  for (auto it = live_requests_.begin(); it != live_requests_.end(); ++it) {
    if (*it == handle) {
      live_requests_.erase(it);
      curl_easy_cleanup(handle);
      return;
    }
  }
}

void DownloadManager::AppendTrace(const std::string& line) {
  HANDLE file = CreateFileA(trace_path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  SetFilePointer(file, 0, nullptr, FILE_END);
  const char* data = line.data();
  size_t left = line.size();
  while (left > 0) {
    DWORD written = 0;
    DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) break;
    data += written;
    left -= written;
  }
  CloseHandle(file);
}

size_t DownloadManager::OnWriteMemory(char* data, size_t size, size_t count, void* user) {
  Attempt* attempt = static_cast<Attempt*>(user);
  if (!attempt->manager->running_) return 0;
  size_t n = size * count;
  if (static_cast<int64_t>(attempt->body.size() + n) > kMaxMemoryReply) return 0;
  attempt->body.append(data, n);  // std::string keeps the terminating zero
  return n;
}

size_t DownloadManager::OnDiscardBody(char* data, size_t size, size_t count, void* user) {
  Attempt* attempt = static_cast<Attempt*>(user);
  return attempt->manager->running_ ? size * count : 0;
}

void DownloadManager::Perform(const std::string& url, const std::string& body, bool probe,
                              int64_t connect_ms, int64_t total_ms, Attempt* attempt) {
  attempt->manager = this;
  attempt->result = CURLE_OK;
  attempt->status = 0;
  attempt->setup_failed = false;
  attempt->setup_error.clear();
  attempt->body.clear();

  CURL* handle = curl_easy_init();
  if (handle == nullptr) {
    attempt->setup_failed = true;
    attempt->setup_error = "curl_easy_init failed";
    return;
  }
  live_requests_.push_back(handle);

  CURLcode setup = CURLE_OK;
  auto set = [&setup](CURLcode result) {
    if (setup == CURLE_OK) setup = result;
  };
  set(curl_easy_setopt(handle, CURLOPT_URL, url.c_str()));
  set(curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L));
  set(curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L));
  set(curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent));
  set(curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_ms)));
  set(curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(total_ms)));
  set(curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L));
  set(curl_easy_setopt(handle, CURLOPT_TCP_KEEPIDLE, 120L));
  set(curl_easy_setopt(handle, CURLOPT_TCP_KEEPINTVL, 20L));
  set(curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L));
  set(curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L));
  set(curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L));
  // Server lists come from replies: never let one point the engine at local
  // files or other schemes.
  set(curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https"));
  set(curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
  if (!body.empty()) {
    set(curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(body.size())));
    set(curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str()));
  }
  if (probe) {
    set(curl_easy_setopt(handle, CURLOPT_RANGE, "0-0"));
    set(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DownloadManager::OnDiscardBody));
  } else {
    set(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DownloadManager::OnWriteMemory));
  }
  set(curl_easy_setopt(handle, CURLOPT_WRITEDATA, attempt));

  if (setup != CURLE_OK) {
    attempt->setup_failed = true;
    attempt->setup_error = curl_easy_strerror(setup);
  } else {
    attempt->result = curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &attempt->status);
  }
  ReleaseRequest(handle);
}

// The text a failed attempt reports: libcurl's reason, else the status.
std::string DownloadManager::AttemptError(const Attempt& attempt) {
  return attempt.result != CURLE_OK ? curl_easy_strerror(attempt.result)
                                    : std::to_string(attempt.status);
}

// Each server gets its attempts in turn before the next one is tried.
void DownloadManager::NextAttempt(int* attempts, size_t* server) const {
  if (++*attempts >= attempts_per_server_) {
    *attempts = 0;
    ++*server;
  }
}

bool DownloadManager::ProbeUrl(const std::string& path, const std::string& body,
                               ProbeCallback callback, int user_value) {
  if (active_servers_.empty()) return false;
  const std::vector<std::string> servers = active_servers_;
  size_t server = 0;
  int attempts = 0;
  int code = 0;
  bool exists = false;
  std::string error;
  Attempt attempt;
  do {
    code = kRequestAnswered;
    error.clear();
    exists = false;
    Perform(JoinUrl(servers[server], path), body, true, timeouts_.connect_ms, timeouts_.total_ms,
            &attempt);
    if (attempt.setup_failed) {
      code = kRequestFailed;
      error = attempt.setup_error;
    } else if (attempt.result == CURLE_REMOTE_FILE_NOT_FOUND ||
               (attempt.result == CURLE_OK && attempt.status == 404)) {
      break;
    } else if (attempt.result == CURLE_OK && (attempt.status == 200 || attempt.status == 206)) {
      exists = true;
      break;
    } else {
      code = kRequestFailed;
      error = AttemptError(attempt);
    }
    NextAttempt(&attempts, &server);
  } while (server < servers.size() && running_);

  if (callback != nullptr && running_) callback(user_value, code, JoinUrl(path, body), exists, error);
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
  size_t server = 0;
  int attempts = 0;
  int code = 0;
  std::string error;
  Attempt attempt;
  do {
    code = kRequestAnswered;
    error.clear();
    Perform(JoinUrl(servers[server], path), body, false, timeouts_.connect_ms,
            timeouts_.total_ms, &attempt);
    if (attempt.setup_failed) {
      code = kRequestFailed;
      error = attempt.setup_error;
    } else if (attempt.result == CURLE_OK && attempt.status == 200) {
      IsValidJson(attempt.body.data(), static_cast<int64_t>(attempt.body.size()), &error);
      break;
    } else {
      code = kRequestFailed;
      error = AttemptError(attempt);
    }
    NextAttempt(&attempts, &server);
  } while (server < servers.size() && running_);

  if (callback != nullptr && running_) {
    callback(user_value, code, JoinUrl(path, body), attempt.body.c_str(),
             static_cast<int>(attempt.body.size()), error);
  }
  return true;
}

bool DownloadManager::FetchOnce(const std::string& url, const std::string& body,
                                MemoryCallback callback, int user_value) {
  Attempt attempt;
  Perform(url, body, false, timeouts_.fetch_connect_ms, timeouts_.fetch_total_ms, &attempt);
  int code = kRequestAnswered;
  std::string error;
  if (attempt.setup_failed) {
    code = kRequestFailed;
    error = attempt.setup_error;
  } else if (attempt.result != CURLE_OK || attempt.status != 200) {
    code = kRequestFailed;
    error = attempt.result != CURLE_OK ? curl_easy_strerror(attempt.result)
                                       : std::to_string(attempt.status);
  }
  if (callback != nullptr && running_) {
    callback(user_value, code, JoinUrl(url, body), attempt.body.c_str(),
             static_cast<int>(attempt.body.size()), error);
  }
  return true;
}
