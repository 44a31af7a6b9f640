// DownloadManager: the process-wide download engine over libcurl.
//
// It keeps the server lists (directory bases, download bases, and the bases
// the next request uses), the trace file "dltrace.log" in the save folder, and
// runs the blocking requests the update states use for small replies:
//   ProbeUrl        does a file exist on the servers,
//   FetchOnce       one attempt at one absolute URL,
//   DownloadMemory  a reply body, with failover over every server.
// A blocking request tries each base of active_servers() in order, with
// attempts_per_server() attempts on each, and returns only after its callback
// has run, so a state that asks in its Enter has the answer before its first
// Update. The callbacks are plain functions; the user value passed through is
// the requesting state's type.
//
// Threads: created on first use through GetInstance and destroyed at exit; it
// lives on the engine thread (kMiscThreadId), which makes every call here. The
// UI thread may read paused() and clear the running flag at exit, without a
// lock: every loop checks the flag between attempts and before each callback,
// so a request in flight ends after its current attempt and calls nobody.
#ifndef UPDATE_DOWNLOAD_DOWNLOAD_MANAGER_H_
#define UPDATE_DOWNLOAD_DOWNLOAD_MANAGER_H_

#include <windows.h>

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

// Which speed-limit settings the transfers follow.
enum DownloadMode : int32_t {
  kDownloadModeGame = 0,
  kDownloadModePreDownload = 1,
};

// Result codes of the blocking requests.
constexpr int kRequestAnswered = 0;   // probe decided, or status 200
constexpr int kRequestNoServers = -1; // DownloadMemory with no server
constexpr int kRequestFailed = -2;    // every attempt failed

// The public-address echo endpoint (plain-text reply with the caller's address).
extern const char kPublicAddressUrl[];

// base empty: path; base ending in "/": base + path; else base + "/" + path.
std::string JoinUrl(const std::string& base, const std::string& path);

// curl_global_init(CURL_GLOBAL_ALL), once per process; the library is
// initialised when the program loads and cleaned up at exit.
void InitCurlGlobal();

class DownloadManager {
 public:
  // (user value, code, URL, exists, error text)
  using ProbeCallback = void (*)(int user_value, int code, const std::string& url, bool exists,
                                 const std::string& error);
  // (user value, code, URL, data, length, error text). `data` is a
  // zero-terminated copy of the reply body, freed when the callback returns;
  // null with length 0 when there is none.
  using MemoryCallback = void (*)(int user_value, int code, const std::string& url,
                                  const char* data, int length, const std::string& error);

  // What the player's "setting.json" overrides here; empty keeps the built-in.
  struct ServerOverrides {
    std::vector<std::string> gate_urls;  // GateURLs: the directory bases
    std::vector<std::string> dlc_urls;   // DlcURLs: the download bases
    std::string track_url;               // TrackURL: the tracking endpoint
  };

  // Time-outs of the blocking requests, in milliseconds.
  struct Timeouts {
    int64_t connect_ms = 10000;
    int64_t total_ms = 60000;
    int64_t fetch_connect_ms = 5000;  // FetchOnce
    int64_t fetch_total_ms = 8000;
  };

  // Largest reply body a blocking request keeps; a longer one fails the
  // attempt instead of exhausting memory.
  static constexpr int64_t kMaxMemoryReply = 256 * 1024 * 1024;

  static DownloadManager* GetInstance();

  // The product reaches the engine through GetInstance; tests make their own.
  DownloadManager();
  ~DownloadManager();
  DownloadManager(const DownloadManager&) = delete;
  DownloadManager& operator=(const DownloadManager&) = delete;

  // Readies the engine: endpoints, server lists, the multi handle, the handle
  // pool, and an empty trace file. Once per engine-thread start.
  void Init(const ServerOverrides& overrides);

  // Stops the engine at shut-down: not running, paused, every live request and
  // pooled handle released.
  void Shutdown();

  // download servers := the DlcURLs override when set, else `urls`.
  void SetDownloadUrls(const std::vector<std::string>& urls);

  // False (and no callback) when active_servers() is empty; else asks for byte
  // 0 of `path` on each server in turn: 404 or a not-found result means it does
  // not exist, 200 or 206 that it does; true.
  bool ProbeUrl(const std::string& path, const std::string& body, ProbeCallback callback,
                int user_value);

  // One attempt at `url`: code 0 on status 200, else -2. True.
  bool FetchOnce(const std::string& url, const std::string& body, MemoryCallback callback,
                 int user_value);

  // Fetches `path` from each server in turn until one answers 200; a body that
  // is not JSON keeps code 0 and brings the reader's text. With no servers:
  // callback with -1, then false.
  bool DownloadMemory(const std::string& path, const std::string& body, MemoryCallback callback,
                      int user_value);

  // Drops the live request of `handle` and releases the handle.
  void ReleaseRequest(CURL* handle);

  // Appends the line's bytes to the trace file; the line is lost when the file
  // cannot be opened. Lines carry their own "\n".
  void AppendTrace(const std::string& line);

  bool running() const { return running_; }
  void set_running(bool running) { running_ = running; }
  bool paused() const { return paused_; }
  DownloadMode mode() const { return mode_; }
  int attempts_per_server() const { return attempts_per_server_; }

  const std::vector<std::string>& directory_servers() const { return directory_servers_; }
  const std::vector<std::string>& download_servers() const { return download_servers_; }
  // The bases the next request uses; states assign it before each request.
  const std::vector<std::string>& active_servers() const { return active_servers_; }
  void set_active_servers(const std::vector<std::string>& servers) { active_servers_ = servers; }

  const std::string& trace_path() const { return trace_path_; }
  const std::string& tracking_url() const { return tracking_url_; }
  const std::string& attribution_url() const { return attribution_url_; }
  size_t live_request_count() const { return live_requests_.size(); }
  size_t pooled_handle_count() const { return handle_pool_.size(); }

  // Shorter waits for tests; the product keeps the defaults.
  void SetTimeoutsForTesting(const Timeouts& timeouts) { timeouts_ = timeouts; }

 private:
  struct Attempt;

  // The library's write callbacks; `user` is the Attempt.
  static size_t OnWriteMemory(char* data, size_t size, size_t count, void* user);
  static size_t OnDiscardBody(char* data, size_t size, size_t count, void* user);

  // One transfer of `url`; fills the attempt's result, status and body.
  void Perform(const std::string& url, const std::string& body, bool probe, int64_t connect_ms,
               int64_t total_ms, Attempt* attempt);
  // Appends five handles for the piece transfers.
  void FillHandlePool();
  void ReleaseHandlePool();
  void ReleaseAllRequests();

  CURLM* multi_ = nullptr;
  std::atomic<bool> running_{false};
  std::atomic<bool> paused_{false};
  int attempts_per_server_ = 3;
  DownloadMode mode_ = kDownloadModeGame;
  std::vector<std::string> directory_servers_;
  std::vector<std::string> download_servers_;
  std::vector<std::string> active_servers_;
  std::list<CURL*> live_requests_;  // released with curl_easy_cleanup
  std::vector<CURL*> handle_pool_;
  // Guards the running piece transfers; the UI thread takes it too.
  CRITICAL_SECTION lock_;
  int64_t total_bytes_ = 0;
  int64_t done_bytes_ = 0;
  int32_t tick_ = 0;
  std::string trace_path_;
  std::string tracking_url_;
  std::string attribution_url_;
  std::string report_response_;
  std::vector<std::string> dlc_url_overrides_;
  Timeouts timeouts_;
};

#endif  // UPDATE_DOWNLOAD_DOWNLOAD_MANAGER_H_
