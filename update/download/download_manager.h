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
// It is the face of a few parts with one job each: BlockingRequests (the
// blocking requests and report sends), TransferScheduler (multi handle,
// handle pool, pacing), FileAssembly (pieces, records, staging, the digest)
// and DownloadStatistics (statistics, events, the report queue); it keeps
// the tasks themselves, from queueing to their end.
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
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "update/download/blocking_requests.h"
#include "update/download/download_delegate.h"
#include "update/download/download_statistics.h"
#include "update/download/download_trace.h"
#include "update/download/file_assembly.h"
#include "update/download/resume_info.h"
#include "update/download/server_failover.h"
#include "update/download/transfer_scheduler.h"

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
enum ReplyJudgement : int;

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
  static constexpr int64_t kMaxMemoryReply = BlockingRequests::kMaxReply;

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

  void set_delegate(DownloadDelegate* delegate) { stats_.set_delegate(delegate); }

  int64_t total_bytes() const { return stats_.total_bytes(); }
  void set_total_bytes(int64_t bytes) { stats_.set_total_bytes(bytes); }
  int64_t done_bytes() const { return stats_.done_bytes(); }
  uint32_t stat_start_tick() const { return stats_.stat_start_tick(); }
  void set_stat_start_tick(uint32_t tick) { stats_.set_stat_start_tick(tick); }
  int64_t current_speed() const { return stats_.current_speed(); }
  int64_t lowest_speed() const { return stats_.lowest_speed(); }
  int64_t highest_speed() const { return stats_.highest_speed(); }
  int64_t slow_speed() const { return stats_.slow_speed(); }
  const std::string& lowest_speed_location() const { return stats_.lowest_speed_location(); }
  size_t speed_sample_count() const { return stats_.speed_sample_count(); }
  size_t waiting_task_count() const { return waiting_tasks_.size(); }
  size_t running_task_count() const { return running_tasks_.size(); }
  // Running transfers held by the speed limit until their budget is back.
  size_t throttled_task_count() const;
  size_t verifying_task_count() const { return assembly_.verifying_count(); }
  size_t queued_report_count() const { return stats_.queued_report_count(); }
  const std::string& report_response() const { return requests_.last_response(); }

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

  const std::string& trace_path() const { return trace_.path(); }
  const std::string& tracking_url() const { return tracking_url_; }
  const std::string& attribution_url() const { return attribution_url_; }
  size_t live_request_count() const { return requests_.live_count(); }
  size_t pooled_handle_count() const { return scheduler_.pooled_count(); }

  // Shorter waits for tests; the product keeps the defaults.
  void SetTimeoutsForTesting(const Timeouts& timeouts) { timeouts_ = timeouts; }
  // Smaller pieces, so tests show several pieces with small files.
  void SetPieceSizeForTesting(int64_t size) { piece_size_ = size; }
  // Replaces GetTickCount as the engine's millisecond clock (null restores it);
  // the speed limit's budget then follows it too.
  using TickSource = uint32_t (*)();
  void SetTickSourceForTesting(TickSource source) {
    tick_source_ = source;
    scheduler_.set_tick_source(source);
  }
  // Replaces the drive's free bytes for a file path (null restores it).
  using FreeSpaceSource = bool (*)(const std::string& file_path, int64_t* free_bytes);
  void SetFreeSpaceSourceForTesting(FreeSpaceSource source) { free_space_source_ = source; }
  void set_attribution_url_for_testing(const std::string& url) { attribution_url_ = url; }

 private:
  // How a task ends: dropped without a word (cancelled, a piece done while
  // others remain, a file fetched again), or its file done or failed, which
  // its callback hears.
  enum class TaskEnd { kDropped, kFileDone, kFileFailed };
  // Where a transfer that ended leaves its piece.
  enum class PieceState { kShort, kMorePiecesToCome, kFileAllIn };

  // The library's callbacks of piece transfers; `user` is the DownloadTask.
  static size_t OnWriteData(char* data, size_t size, size_t count, void* user);
  static size_t OnHeader(char* data, size_t size, size_t count, void* user);
  static int OnProgress(void* user, curl_off_t dl_total, curl_off_t dl_now, curl_off_t ul_total,
                        curl_off_t ul_now);

  using ServerList = std::shared_ptr<const std::vector<std::string>>;

  // DownloadFile with the file's own server list.
  void QueueFile(const std::string& path, const std::string& file_path, const std::string& md5,
                 int64_t size, DoneCallback on_done, ProgressCallback on_progress, int user_value,
                 const ServerFailover& failover, const ServerList& servers);
  DownloadTask* QueueTask(const std::string& path, const std::string& file_path,
                          const std::string& md5, int32_t index, int64_t begin, int64_t end,
                          int64_t file_size, DoneCallback on_done, ProgressCallback on_progress,
                          int user_value, const ServerFailover& failover,
                          const ServerList& servers);
  // Gives the task a handle and its file and adds its transfer; false, with
  // the reason, when it could not start.
  bool StartTask(DownloadTask* task, std::string* error);
  // The options of the task's range request on its handle.
  CURLcode SetUpTransfer(DownloadTask* task);
  // Closes the task's file and gives back its handle.
  void ReleaseTransfer(DownloadTask* task);
  // Ends the task (see TaskEnd): released, its callback told (while the
  // engine runs), and freed.
  void EndTask(DownloadTask* task, TaskEnd end, int code = kDownloadDone,
               const std::string& error = std::string());
  // The file of `task` ends with a failure; its other pieces end with it.
  void FailFile(DownloadTask* task, int code, const std::string& error);
  // Ends, without callback, every other waiting or running piece of the
  // task's file.
  void DropOtherPieces(DownloadTask* task);
  // Bytes that failed their check go, and the file is queued again on the
  // next attempt (or fails when no server is left).
  void RestartFile(DownloadTask* task);
  void OnTransferDone(CURL* handle, CURLcode result);
  PieceState PieceStateAfterTransfer(DownloadTask* task);
  // The bytes of a reply: judged, paced, put into the file and counted.
  size_t ReceiveBytes(DownloadTask* task, const char* data, size_t offered);
  // What becomes of the current reply's body: written into the file (a 206
  // for exactly the range asked, or a 200 when the whole file was asked from
  // offset 0), discarded (an error status), or refused (ends the transfer).
  ReplyJudgement JudgeReply(DownloadTask* task);
  // Finishes the files whose verdict has come: done, or fetched again.
  void CollectVerifiedFiles();
  // Removes the waiting task to start next.
  DownloadTask* TakeNextWaitingTask();
  // Pump's work on the transfers, up to its time budget.
  void RunTransfers();
  void StartWaitingTasks();
  void CollectFinishedTransfers();
  void ApplyPendingSpeedLimit();
  // Lets held transfers go on once their budget allows (not while paused).
  void ReleaseThrottled();
  // Ends every task without callback and forgets every file.
  void DropAllTasks();
  // False, with the reason, when a file of `size` bytes cannot be held: above
  // kMaxFileSize, or (for a file beyond one small piece) more than its
  // drive has free beside what the file already holds.
  bool HasRoomFor(const std::string& file_path, int64_t size, std::string* error) const;
  BlockingRequests::Timing RequestTiming() const {
    return {timeouts_.connect_ms, timeouts_.total_ms};
  }

  uint32_t TickCount() const;
  // The engine clock: the tick count modulo 2^31 - 1.
  uint32_t EngineTick() const { return TickCount() % 2147483647u; }
  DownloadDelegate* delegate() const { return stats_.delegate(); }

  std::atomic<bool> running_{false};
  std::atomic<bool> paused_{false};
  int attempts_per_server_ = 3;
  DownloadMode mode_ = kDownloadModeGame;
  std::vector<std::string> directory_servers_;
  std::vector<std::string> download_servers_;
  std::vector<std::string> active_servers_;
  std::vector<std::string> dlc_url_overrides_;
  std::string tracking_url_;
  std::string attribution_url_;

  DownloadTrace trace_;
  BlockingRequests requests_{running_};
  DownloadStatistics stats_{&requests_};
  TransferScheduler scheduler_;
  FileAssembly assembly_{&trace_};
  // Every task, from QueueTask until it ends; the lists below point into it.
  std::unordered_map<DownloadTask*, std::unique_ptr<DownloadTask>> tasks_;
  std::deque<DownloadTask*> waiting_tasks_;
  std::list<DownloadTask*> running_tasks_;

  uint32_t tick_ = 0;
  Timeouts timeouts_;
  int64_t piece_size_ = kPieceSize;
  TickSource tick_source_ = nullptr;
  FreeSpaceSource free_space_source_ = nullptr;
};

#endif  // UPDATE_DOWNLOAD_DOWNLOAD_MANAGER_H_
