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
// Whole files are downloaded with DownloadFile: each file is cut into pieces
// of 32 MiB, each piece is one HTTP range request, at most five run at once
// over one multi handle, and a resume record beside the file (its name plus
// ".cfg") lets an interrupted download continue. A failing piece moves on
// through the file's own copy of the server list; a finished file is checked
// against its MD5 and fetched again on a mismatch. Bytes reach the file only
// from a reply that answers the range asked for. Pump, called by the engine
// thread's tick, drives the transfers; the file's callback runs from Pump.
//
// Beside that it limits the receive speed to the limits it is handed, keeps
// the speed statistics, reports speed, progress, pausing and the statistics'
// tracking reports as typed events to its DownloadDelegate, and carries the
// tracking reports, at once or from a per-endpoint queue drained one report
// per FlushReports.
//
// Threads: created on first use through GetInstance and destroyed at exit; it
// lives on the engine thread (kMiscThreadId), which makes every call here,
// except that the UI thread may read paused(), clear the running flag at exit
// and call ApplySpeedLimit, which only hands the new limit over: the next Pump
// carries it out, since a libcurl handle is used by one thread at a time.
// Every loop checks the running flag, so a blocking request in flight ends
// after its current attempt and calls nobody.
#ifndef UPDATE_DOWNLOAD_DOWNLOAD_MANAGER_H_
#define UPDATE_DOWNLOAD_DOWNLOAD_MANAGER_H_

#include <windows.h>

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "update/download/download_delegate.h"
#include "update/download/file_digester.h"
#include "update/download/resume_info.h"

// Which speed-limit settings the transfers follow.
enum DownloadMode : int32_t {
  kDownloadModeGame = 0,
  kDownloadModePreDownload = 1,
};

// Result codes of the blocking requests.
constexpr int kRequestAnswered = 0;   // probe decided, or status 200
constexpr int kRequestNoServers = -1; // DownloadMemory with no server
constexpr int kRequestFailed = -2;    // every attempt failed

// Completion codes of DownloadFile.
constexpr int kDownloadDone = 0;
constexpr int kDownloadNoServers = -1;    // "DownloadFile URL is empty"
constexpr int kDownloadIncomplete = -1;   // a piece stayed short on every server
constexpr int kDownloadStartFailed = -2;  // a piece could not start on any server
constexpr int kDownloadFailed = -3;       // a piece failed on every server
constexpr int kDownloadBadDigest = -4;    // "check md5 error" after every server
constexpr int kDownloadNoRoom = -5;       // larger than any file may be, or than the drive's room

// The largest piece: one range request.
constexpr int64_t kPieceSize = 33554432;
// Transfers running at once.
constexpr size_t kMaxRunningTasks = 5;
// A file of one piece up to this size is fetched into "<file>.part" and
// moved over the file once whole: it needs no resume record (an
// interruption costs its own few bytes), and its name never holds bytes
// that were not checked.
constexpr int64_t kStagedFileLimit = 1024 * 1024;
extern const char kStagedSuffix[];  // ".part"

// The public-address echo endpoint (plain-text reply with the caller's address).
extern const char kPublicAddressUrl[];

// base empty: path; base ending in "/": base + path; else base + "/" + path.
std::string JoinUrl(const std::string& base, const std::string& path);

// curl_global_init(CURL_GLOBAL_ALL), once per process; the library is
// initialised when the program loads and cleaned up at exit.
void InitCurlGlobal();

struct DownloadTask;
struct FileDigest;

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

  // A file's end: (user value, code, server path, error text).
  using DoneCallback = void (*)(int user_value, int code, const std::string& path,
                                const std::string& error);
  // A transfer's speed reading, bytes per second.
  using ProgressCallback = void (*)(int user_value, double speed);

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
    // Piece transfers: connecting, and how long a transfer may go without
    // receiving anything (it is not limited in total: a slow but moving
    // transfer, under a low speed limit say, goes on).
    int64_t piece_connect_ms = 10000;
    int64_t piece_stall_seconds = 60;
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

  // Stops the engine at shut-down: not running, paused, every task cancelled,
  // the queued reports dropped, every live request and pooled handle released.
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

  // --- Whole files -------------------------------------------------------

  // Queues `path` from the active servers into `file_path` (ANSI path), with
  // digest `md5` and `size` bytes. No servers: on_done(-1) at once. Size 0:
  // an empty file, done at once. A file already matching its digest is done
  // at once; a trusted resume record continues from where it stopped;
  // otherwise the file is fetched anew. A size above kMaxFileSize, or above
  // what its drive has free, is refused at once (-5) with nothing queued.
  // `on_done` runs once per call, from Pump (or from here), with a code of 0
  // (done) or below (see the constants above): a file ends with its first
  // piece that fails for good, its other pieces with it. CancelAll ends
  // files without a call.
  void DownloadFile(const std::string& path, const std::string& file_path, const std::string& md5,
                    int64_t size, DoneCallback on_done, ProgressCallback on_progress,
                    int user_value, int first_attempt, int first_server);

  // One engine tick: runs the transfers until none is left running or they
  // have been idle six times in a row of at most 500 microseconds each;
  // collects finished transfers and starts waiting ones as slots free up.
  void Pump();

  // Pause holds every running transfer and starts none; Resume lets them go
  // on. Both tell the main window and report.
  void Pause();
  void Resume();
  // Ends every task without callback (resume records stay), empties the
  // statistics and switches to `mode`.
  void CancelAll(DownloadMode mode);

  // --- Speed, statistics and reports ------------------------------------

  // Any thread (the settings dialog's apply runs on the UI thread): the limit
  // of `mode` becomes `setting` at the next Pump, which applies it to the
  // running transfers when `mode` is the engine's. Until the first call a
  // mode is not limited.
  void ApplySpeedLimit(int mode, SpeedSetting setting);
  // A transfer's speed reading (the states' progress routers pass them on).
  void AddSpeedSample(double speed);
  void ResetStats();
  // Tracking reports of the download statistics ("pause", "done").
  void ReportSpeed(const std::string& event);
  void ReportSpeedEvent(const std::string& action_id, const std::string& event_name,
                        bool only_when_measured);

  // Sends `body` to `url` at once (immediate) or queues it for FlushReports.
  void QueueReport(const std::string& body, const std::string& url, bool immediate);
  // Sends the oldest report of the first endpoint (in URL order) that has one.
  void FlushReports();
  // One blocking send: GET url?body to the attribution endpoint, else a POST
  // of the JSON body. Failures are dropped.
  void PostReport(const std::string& body, const std::string& url);

  void set_delegate(DownloadDelegate* delegate) { delegate_ = delegate; }

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
  size_t waiting_task_count() const { return waiting_tasks_.size(); }
  size_t running_task_count() const;
  // Running transfers held by the speed limit until their budget is back.
  size_t throttled_task_count() const;
  size_t verifying_task_count() const { return verifying_tasks_.size(); }
  size_t queued_report_count() const;
  const std::string& report_response() const { return report_response_; }

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
  // Smaller pieces, so tests show several pieces with small files.
  void SetPieceSizeForTesting(int64_t size) { piece_size_ = size; }
  // Replaces GetTickCount as the engine's millisecond clock (null restores it);
  // the speed limit's budget then follows it too.
  using TickSource = uint32_t (*)();
  void SetTickSourceForTesting(TickSource source) { tick_source_ = source; }
  // Replaces the drive's free bytes for a file path (null restores it).
  using FreeSpaceSource = bool (*)(const std::string& file_path, int64_t* free_bytes);
  void SetFreeSpaceSourceForTesting(FreeSpaceSource source) { free_space_source_ = source; }
  void set_attribution_url_for_testing(const std::string& url) { attribution_url_ = url; }

 private:
  struct Attempt;

  // The library's write callbacks; `user` is the Attempt.
  static size_t OnWriteMemory(char* data, size_t size, size_t count, void* user);
  static size_t OnDiscardBody(char* data, size_t size, size_t count, void* user);
  // Piece transfers; `user` is the DownloadTask.
  static size_t OnWriteData(char* data, size_t size, size_t count, void* user);
  static size_t OnHeader(char* data, size_t size, size_t count, void* user);
  static int OnProgress(void* user, curl_off_t dl_total, curl_off_t dl_now, curl_off_t ul_total,
                        curl_off_t ul_now);
  static size_t OnWriteString(char* data, size_t size, size_t count, void* user);

  using ServerList = std::shared_ptr<const std::vector<std::string>>;

  // DownloadFile with the file's own server list.
  void QueueFile(const std::string& path, const std::string& file_path, const std::string& md5,
                 int64_t size, DoneCallback on_done, ProgressCallback on_progress, int user_value,
                 int attempt, int server, const ServerList& servers);
  DownloadTask* QueueTask(const std::string& path, const std::string& file_path,
                          const std::string& md5, int32_t index, int64_t begin, int64_t end,
                          int64_t file_size, DoneCallback on_done, ProgressCallback on_progress,
                          int user_value, int attempt, int server, const ServerList& servers);
  bool StartTask(DownloadTask* task, std::string* error);
  void FinishTask(DownloadTask* task, int code, const std::string& error, bool call_back,
                  bool free);
  // The file of `task` ends with a failure: its callback, and the task freed.
  void FailFile(DownloadTask* task, int code, const std::string& error);
  // Ends, without callback, every other waiting or running piece of the
  // task's file.
  void DropOtherPieces(DownloadTask* task);
  void TrackPiece(DownloadTask* task);
  size_t UntrackPiece(DownloadTask* task);
  bool IsRunningTask(DownloadTask* task);
  int CheckTaskComplete(DownloadTask* task);
  void RestartFile(DownloadTask* task);
  void OnTransferDone(CURLMsg* message);
  // attempt + 1, and the next server after attempts_per_server(); false when
  // no server is left.
  bool NextAttempt(DownloadTask* task);
  // What becomes of the current reply's body: written into the file (a 206
  // for exactly the range asked, or a 200 when the whole file was asked from
  // offset 0), discarded (an error status), or refused (ends the transfer).
  int JudgeReply(DownloadTask* task);
  // Hands the digester the file's bytes from the digest's frontier up to the
  // first byte not yet written (to be read back from the file).
  void AdvanceDigest(const std::string& file_path, FileDigest* digest);
  // After `written` bytes reached the file at `offset` from `data`.
  void DigestWritten(DownloadTask* task, int64_t offset, const char* data, int64_t written);
  // Every piece of the task's file is in: the digester checks the file, and
  // the task waits for its verdict on verifying_tasks_.
  void VerifyFile(DownloadTask* task);
  // Finishes the files whose verdict has come: done, or fetched again.
  void CollectVerifiedFiles();
  void ForgetDigest(const std::string& file_path);
  void ForgetAllDigests();
  // Removes the waiting task to start next.
  DownloadTask* TakeNextWaitingTask();
  // Pump's work on the transfers, up to its time budget.
  void RunTransfers();
  void StartWaitingTasks();
  void CollectFinishedTransfers();
  void ApplyPendingSpeedLimit();
  int64_t SpeedLimitFor(DownloadMode mode);
  // Sets a transfer's receive limit: the library's option, and a budget that
  // holds the transfer when bytes come faster (this libcurl keeps reading
  // while the socket has data, whatever its own limit says). With `starting`
  // the read size is matched to the limit too.
  CURLcode SetTaskLimit(DownloadTask* task, int64_t limit, bool starting);
  // Takes `bytes` from the transfer's budget; false when it is spent.
  bool TakeBudget(DownloadTask* task, int64_t bytes);
  // Lets held transfers go on once their budget allows (not while paused).
  void ReleaseThrottled();
  void CountDone(int64_t bytes);
  void SendProgressIfDue();
  void ReleaseAllTasks();
  // False, with the reason, when a file of `size` bytes cannot be held: above
  // kMaxFileSize, or (for a file beyond one small piece) more than its
  // drive has free beside what the file already holds.
  bool HasRoomFor(const std::string& file_path, int64_t size, std::string* error) const;

  uint32_t TickCount() const;
  // Seconds for the speed limit's budget: the high-resolution counter, or
  // the tick source when a test set one.
  double BudgetSeconds() const;
  // The engine clock: the tick count modulo 2^31 - 1.
  uint32_t EngineTick() const { return TickCount() % 2147483647u; }

  static std::string AttemptError(const Attempt& attempt);
  void NextAttempt(int* attempts, size_t* server) const;
  // One transfer of `url`; fills the attempt's result, status and body.
  void Perform(const std::string& url, const std::string& body, bool probe, int64_t connect_ms,
               int64_t total_ms, Attempt* attempt);
  // Appends five handles for the piece transfers.
  void FillHandlePool();
  void ReleaseHandlePool();
  void ReleaseAllRequests();

  DownloadDelegate* delegate() const;

  CURLM* multi_ = nullptr;
  std::atomic<bool> running_{false};
  std::atomic<bool> paused_{false};
  int attempts_per_server_ = 3;
  DownloadMode mode_ = kDownloadModeGame;
  std::vector<std::string> directory_servers_;
  std::vector<std::string> download_servers_;
  std::vector<std::string> active_servers_;
  std::deque<DownloadTask*> waiting_tasks_;
  std::list<DownloadTask*> running_tasks_;  // guarded by lock_
  std::list<CURL*> live_requests_;  // released with curl_easy_cleanup
  std::vector<CURL*> handle_pool_;
  // Guards running_tasks_.
  mutable CRITICAL_SECTION lock_;
  // File path -> the file's unfinished pieces.
  std::map<std::string, std::vector<PieceInfo>> piece_map_;
  // File path -> the digest of the file's bytes, kept as the pieces arrive,
  // so a finished file need not be read again whole.
  std::map<std::string, std::unique_ptr<FileDigest>> file_digests_;
  // Hashes on its own thread; made with the first digest.
  std::unique_ptr<FileDigester> digester_;
  // Last pieces of files whose digest is being checked (no transfer).
  std::vector<DownloadTask*> verifying_tasks_;

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
  uint32_t tick_ = 0;
  uint32_t stat_start_tick_ = 0;
  // The limits of both modes (engine thread), and the changes handed over
  // by ApplySpeedLimit, guarded by speed_limit_lock_.
  SpeedSetting speed_limits_[2];
  struct PendingSpeedLimit {
    SpeedSetting setting;
    bool pending = false;
  };
  std::mutex speed_limit_lock_;
  PendingSpeedLimit pending_speed_limits_[2];

  std::string trace_path_;
  std::string tracking_url_;
  std::string attribution_url_;
  std::string report_response_;
  std::map<std::string, std::deque<std::string>> report_queue_;
  std::vector<std::string> dlc_url_overrides_;
  DownloadDelegate* delegate_ = nullptr;
  Timeouts timeouts_;
  int64_t piece_size_ = kPieceSize;
  TickSource tick_source_ = nullptr;
  FreeSpaceSource free_space_source_ = nullptr;
};

#endif  // UPDATE_DOWNLOAD_DOWNLOAD_MANAGER_H_
