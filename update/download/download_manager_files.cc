// DownloadManager: whole files in parallel ranged pieces, with resume records,
// failover and the digest check.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/util/string_format.h"
#include "app/util/file_util.h"
#include "app/util/md5_context.h"
#include "app/util/system_util.h"
#include "update/download/download_manager.h"
#include "update/download/download_task.h"
#include "update/versions/version_map.h"

const char kStagedSuffix[] = ".part";

namespace {

// One Pump returns after this many idle waits, or after working this long
// while data keeps coming, so the tick's other work (the states, tasks posted
// to the engine thread, a pause) waits for a short while only.
const int kMaxIdleWaits = 5;
const long kIdleWaitMicroseconds = 500;
const ULONGLONG kPumpBudgetMs = 100;
// A running piece rewrites its file's record at most this often.
const uint32_t kRecordIntervalMs = 1000;
const uint32_t kProgressIntervalMs = 1000;
// Bytes the digester had no room for are handed back to it in batches of this.
const int64_t kReadBackBatch = 4 * 1024 * 1024;
// Files whose check is under way, at most (see StartWaitingTasks).
const size_t kMaxVerifyingTasks = 16;
// How far down the waiting list the next transfer is looked for.
const size_t kWaitingScanLimit = 64;

// Elapsed milliseconds on the engine clock, as unsigned 32-bit differences.
uint32_t Since(uint32_t now, uint32_t then) { return now - then; }

bool DriveFreeBytes(const std::string& file_path, int64_t* free_bytes) {
  uint64_t total = 0, available = 0;
  if (!GetDriveSpaceA(file_path, &total, &available)) return false;
  *free_bytes = static_cast<int64_t>(std::min<uint64_t>(available, INT64_MAX));
  return true;
}

// Makes `path` an empty file (creating or emptying it, and its folders).
bool WriteEmptyFile(const std::string& path) {
  HANDLE file = OpenFileMakingFoldersA(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool StartsWithNoCase(const char* text, size_t length, const char* prefix) {
  size_t n = strlen(prefix);
  if (length < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char a = text[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != prefix[i]) return false;
  }
  return true;
}

// "bytes first-last/size" (size may be "*"). False for any other form.
bool ParseContentRange(const std::string& text, int64_t* first, int64_t* last, int64_t* size) {
  if (!StartsWithNoCase(text.data(), text.size(), "bytes ")) return false;
  const char* p = text.c_str() + 6;
  while (*p == ' ') ++p;
  auto number = [&p](int64_t* value) {
    if (*p < '0' || *p > '9') return false;
    int64_t v = 0;
    while (*p >= '0' && *p <= '9') {
      if (v > (INT64_MAX - 9) / 10) return false;
      v = v * 10 + (*p++ - '0');
    }
    *value = v;
    return true;
  };
  if (!number(first) || *p++ != '-' || !number(last) || *p++ != '/') return false;
  if (*p == '*') {
    *size = -1;
    ++p;
  } else if (!number(size)) {
    return false;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return *p == '\0';
}

}  // namespace

// --- Queueing ---------------------------------------------------------------

void DownloadManager::DownloadFile(const std::string& path, const std::string& file_path,
                                   const std::string& md5, int64_t size, DoneCallback on_done,
                                   ProgressCallback on_progress, int user_value,
                                   int first_attempt, int first_server) {
  if (active_servers_.empty()) {
    if (on_done != nullptr) on_done(user_value, kDownloadNoServers, path, "DownloadFile URL is empty");
    return;
  }
  std::string refusal;
  if (!HasRoomFor(file_path, size, &refusal)) {
    AppendTrace(path + ":" + refusal + "\n");
    if (on_done != nullptr) on_done(user_value, kDownloadNoRoom, path, refusal);
    return;
  }
  QueueFile(path, file_path, md5, size, on_done, on_progress, user_value, first_attempt,
            first_server, std::make_shared<const std::vector<std::string>>(active_servers_));
}

void DownloadManager::QueueFile(const std::string& path, const std::string& file_path,
                                const std::string& md5, int64_t size, DoneCallback on_done,
                                ProgressCallback on_progress, int user_value, int attempt,
                                int server, const ServerList& servers) {
  if (size <= 0) {
    // An empty file is whole by definition; one left with bytes in it is not.
    WIN32_FILE_ATTRIBUTE_DATA data;
    bool empty_exists = GetFileAttributesExA(file_path.c_str(), GetFileExInfoStandard, &data) &&
                        data.nFileSizeLow == 0 && data.nFileSizeHigh == 0;
    if (!empty_exists) WriteEmptyFile(file_path);
    if (on_done != nullptr) on_done(user_value, kDownloadDone, path, "");
    return;
  }
  piece_map_.erase(file_path);
  ForgetDigest(file_path);
  const int64_t last = size - 1;

  if (md5.empty()) {
    // Nothing to resume from or check against: start from an empty file.
    DeleteFileA(file_path.c_str());
    QueueTask(path, file_path, md5, 0, 0, last, size, on_done, on_progress, user_value, attempt,
              server, servers);
    return;
  }

  std::vector<PieceInfo> pieces;
  auto start_digest = [&] {
    std::unique_ptr<FileDigest> digest(new FileDigest);
    digest->size = size;
    digest->hash = std::make_shared<HashedFile>(md5, size);
    if (!digester_) digester_.reset(new FileDigester);
    file_digests_[file_path] = std::move(digest);
  };
  // Without its file a record could only say that nothing was written, so
  // it is not looked for: asking after a missing name makes some systems
  // read the whole folder, and a fresh install asks for thousands.
  const bool has_file = GetFileAttributesA(file_path.c_str()) != INVALID_FILE_ATTRIBUTES;
  const bool has_record =
      has_file && GetFileAttributesA(ResumeRecordPath(file_path).c_str()) !=
                      INVALID_FILE_ATTRIBUTES;
  if (has_record && LoadResumeInfo(file_path, md5, size, &pieces)) {
    start_digest();
    int64_t missing = 0;
    for (const PieceInfo& piece : pieces) {
      DownloadTask* task = QueueTask(path, file_path, md5, piece.index, piece.begin, piece.end,
                                     size, on_done, on_progress, user_value, attempt, server,
                                     servers);
      TrackPiece(task);
      missing += piece.end - piece.begin + 1;
    }
    CountDone(size - missing);
    return;
  }

  // No record to trust: the file may already be whole (its record lost, or
  // every piece finished just before an interruption).
  std::string digest;
  int64_t present = 0;
  if (has_file && FileMatchesMd5(file_path, md5, &digest, &present)) {
    if (has_record) DeleteResumeInfo(file_path);
    CountDone(size);
    if (on_done != nullptr) on_done(user_value, kDownloadDone, path, "");
    return;
  }
  if (has_file) DeleteFileA(file_path.c_str());
  start_digest();

  if (size <= kStagedFileLimit && size <= piece_size_) {
    if (has_record) DeleteResumeInfo(file_path);
    DownloadTask* task = QueueTask(path, file_path, md5, 0, 0, last, size, on_done, on_progress,
                                   user_value, attempt, server, servers);
    task->write_path = file_path + kStagedSuffix;
    task->staged = true;
    TrackPiece(task);
    return;
  }

  std::vector<PieceInfo> cut;
  if (size > piece_size_) {
    int32_t index = 0;
    for (int64_t begin = 0; begin <= last; begin += piece_size_, ++index) {
      cut.push_back(PieceInfo{index, begin, std::min(begin + piece_size_ - 1, last)});
    }
  } else {
    cut.push_back(PieceInfo{0, 0, last});
  }
  for (const PieceInfo& piece : cut) {
    DownloadTask* task = QueueTask(path, file_path, md5, piece.index, piece.begin, piece.end,
                                   size, on_done, on_progress, user_value, attempt, server,
                                   servers);
    TrackPiece(task);
  }
  // Nothing is downloaded yet, so a torn record would cost nothing.
  SaveResumeInfo(file_path, md5, piece_map_[file_path], true);
}

bool DownloadManager::HasRoomFor(const std::string& file_path, int64_t size,
                                 std::string* error) const {
  if (size > kMaxFileSize) {
    *error = base::StringFormat("size:(%s) %lld bytes, above the largest file of %lld bytes",
                                file_path.c_str(), static_cast<long long>(size),
                                static_cast<long long>(kMaxFileSize));
    return false;
  }
  // A small file on a full drive fails its write with a reason of its own;
  // asking the drive for each of thousands of small files costs a round trip
  // each.
  if (size <= kStagedFileLimit) return true;
  int64_t free_bytes = 0;
  const bool known = free_space_source_ != nullptr ? free_space_source_(file_path, &free_bytes)
                                                   : DriveFreeBytes(file_path, &free_bytes);
  if (!known) return true;  // a share, say: the writes will tell
  WIN32_FILE_ATTRIBUTE_DATA data;
  int64_t present = 0;
  if (GetFileAttributesExA(file_path.c_str(), GetFileExInfoStandard, &data) &&
      !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    present = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  if (size - std::min(present, size) > free_bytes) {
    *error = base::StringFormat("size:(%s) %lld bytes, %lld free on its drive", file_path.c_str(),
                                static_cast<long long>(size), static_cast<long long>(free_bytes));
    return false;
  }
  return true;
}

DownloadTask* DownloadManager::QueueTask(const std::string& path, const std::string& file_path,
                                         const std::string& md5, int32_t index, int64_t begin,
                                         int64_t end, int64_t file_size, DoneCallback on_done,
                                         ProgressCallback on_progress, int user_value,
                                         int attempt, int server, const ServerList& servers) {
  DownloadTask* task = new DownloadTask;
  task->manager = this;
  task->path = path;
  task->file_path = file_path;
  task->write_path = file_path;
  task->md5 = md5;
  task->servers = servers;
  task->attempt = attempt;
  task->server_index = server;
  task->user_value = user_value;
  task->piece_index = index;
  task->position = begin;
  task->end = end;
  task->file_size = file_size;
  task->on_done = on_done;
  task->on_progress = on_progress;
  auto digest = file_digests_.find(file_path);
  if (digest != file_digests_.end()) digest->second->tasks.push_back(task);
  waiting_tasks_.push_back(task);
  return task;
}

void DownloadManager::TrackPiece(DownloadTask* task) {
  piece_map_[task->file_path].push_back(PieceInfo{task->piece_index, task->position, task->end});
}

size_t DownloadManager::UntrackPiece(DownloadTask* task) {
  auto found = piece_map_.find(task->file_path);
  if (found == piece_map_.end()) return 0;
  std::vector<PieceInfo>& pieces = found->second;
  for (auto it = pieces.begin(); it != pieces.end(); ++it) {
    if (it->index == task->piece_index) {
      pieces.erase(it);
      break;
    }
  }
  size_t left = pieces.size();
  if (left == 0) piece_map_.erase(found);
  return left;
}

// --- The tick ---------------------------------------------------------------

void DownloadManager::Pump() {
  RunTransfers();
  // What the transfers handed the digester in this tick is hashed meanwhile.
  if (digester_) digester_->Wake();
}

void DownloadManager::RunTransfers() {
  tick_ = EngineTick();
  ApplyPendingSpeedLimit();
  if ((waiting_tasks_.empty() && running_task_count() == 0 && verifying_tasks_.empty()) ||
      !running_ || multi_ == nullptr) {
    return;
  }
  CollectVerifiedFiles();
  StartWaitingTasks();

  const ULONGLONG deadline = GetTickCount64() + kPumpBudgetMs;
  int idle_waits = 0;
  int still_running = 0;
  curl_multi_perform(multi_, &still_running);
  for (;;) {
    if (!running_) return;
    tick_ = EngineTick();
    // Finished transfers are collected at once and their slots refilled, so
    // five transfers keep running while there is work.
    CollectFinishedTransfers();
    CollectVerifiedFiles();
    if (!running_) return;
    ReleaseThrottled();
    size_t before = running_task_count();
    StartWaitingTasks();
    if (running_task_count() == 0) {
      // Only checks are left: wait a little for their verdicts.
      if (verifying_tasks_.empty() || ++idle_waits > kMaxIdleWaits ||
          GetTickCount64() >= deadline) {
        return;
      }
      digester_->WaitForFinished(kIdleWaitMicroseconds / 1000 + 1);
      continue;
    }
    if (running_task_count() != before) curl_multi_perform(multi_, &still_running);

    fd_set read_set, write_set, error_set;
    FD_ZERO(&read_set);
    FD_ZERO(&write_set);
    FD_ZERO(&error_set);
    int max_fd = -1;
    if (curl_multi_fdset(multi_, &read_set, &write_set, &error_set, &max_fd) != CURLM_OK) return;
    bool ready = false;
    if (max_fd >= 0) {
      timeval wait = {0, kIdleWaitMicroseconds};
      ready = select(max_fd + 1, &read_set, &write_set, &error_set, &wait) > 0;
    }
    if ((!ready && ++idle_waits > kMaxIdleWaits) || GetTickCount64() >= deadline) {
      // Transfers that are waiting on a timer (a speed limit, a connection
      // attempt) still need the library's attention before we leave.
      curl_multi_perform(multi_, &still_running);
      CollectFinishedTransfers();
      CollectVerifiedFiles();
      return;
    }
    curl_multi_perform(multi_, &still_running);
  }
}

DownloadTask* DownloadManager::TakeNextWaitingTask() {
  // A file none of whose pieces runs goes first: its next piece starts where
  // the digest stands, so its bytes are hashed as they come instead of being
  // read back from the disk later. Otherwise first come, first served.
  std::vector<const std::string*> busy;
  EnterCriticalSection(&lock_);
  for (const DownloadTask* task : running_tasks_) busy.push_back(&task->file_path);
  LeaveCriticalSection(&lock_);
  const size_t scan = std::min<size_t>(waiting_tasks_.size(), kWaitingScanLimit);
  size_t pick = 0;
  for (size_t i = 0; i < scan; ++i) {
    const std::string& file = waiting_tasks_[i]->file_path;
    if (std::none_of(busy.begin(), busy.end(),
                     [&file](const std::string* other) { return *other == file; })) {
      pick = i;
      break;
    }
  }
  DownloadTask* task = waiting_tasks_[pick];
  waiting_tasks_.erase(waiting_tasks_.begin() + static_cast<std::ptrdiff_t>(pick));
  return task;
}

void DownloadManager::StartWaitingTasks() {
  // Files waiting for their check hold their bytes (small ones in memory):
  // new transfers wait while too many do.
  while (running_ && !paused_ && !waiting_tasks_.empty() &&
         running_task_count() < kMaxRunningTasks &&
         verifying_tasks_.size() < kMaxVerifyingTasks) {
    DownloadTask* task = TakeNextWaitingTask();
    std::string error;
    if (StartTask(task, &error)) {
      EnterCriticalSection(&lock_);
      running_tasks_.push_back(task);
      task->running = true;
      LeaveCriticalSection(&lock_);
      continue;
    }
    if (!NextAttempt(task)) {
      FailFile(task, kDownloadStartFailed, error);
    } else {
      waiting_tasks_.push_back(task);
    }
  }
}

void DownloadManager::CollectFinishedTransfers() {
  int left = 0;
  CURLMsg* message;
  while (running_ && (message = curl_multi_info_read(multi_, &left)) != nullptr) {
    if (message->msg == CURLMSG_DONE) OnTransferDone(message);
  }
}

bool DownloadManager::NextAttempt(DownloadTask* task) {
  if (++task->attempt >= attempts_per_server_) {
    task->attempt = 0;
    ++task->server_index;
  }
  return task->server_index >= 0 &&
         static_cast<size_t>(task->server_index) < task->servers->size();
}

// --- One transfer -----------------------------------------------------------

bool DownloadManager::StartTask(DownloadTask* task, std::string* error) {
  error->clear();
  const int64_t limit = SpeedLimitFor(mode_);
  FinishTask(task, 0, "prepare", false, false);

  if (task->server_index < 0 ||
      static_cast<size_t>(task->server_index) >= task->servers->size()) {
    *error = "no server";
    return false;
  }
  if (task->staged) {
    // Kept in memory (see DownloadTask::body): no file yet.
    task->body.reserve(static_cast<size_t>(task->file_size));
  } else {
    task->file = OpenFileMakingFoldersA(task->write_path, GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    if (task->file == INVALID_HANDLE_VALUE) {
      *error = base::StringFormat("open:(%s) failed,errno:%lu", task->write_path.c_str(),
                                  GetLastError());
      return false;
    }
  }
  if (handle_pool_.empty()) FillHandlePool();
  if (handle_pool_.empty()) {
    *error = "curl_easy_init failed";
    FinishTask(task, -1, "start task failed", false, false);
    AppendTrace("start task failed:" + task->path + ":" + *error + "\n");
    return false;
  }
  task->handle = handle_pool_.front();
  handle_pool_.erase(handle_pool_.begin());

  std::string url = JoinUrl((*task->servers)[task->server_index], task->path);
  if (delegate()->UseWebExtraParam()) url += base::StringFormat("?t=%u", tick_);
  const std::string range = base::StringFormat("%lld-%lld", static_cast<long long>(task->position),
                                               static_cast<long long>(task->end));
  task->error_buffer[0] = '\0';
  task->last_flush_tick = tick_;  // a record after a second of transfer
  task->reply = kReplyUnjudged;
  task->content_range.clear();

  CURLcode setup = CURLE_OK;
  auto set = [&setup](CURLcode result) {
    if (setup == CURLE_OK) setup = result;
  };
  CURL* handle = task->handle;
  set(curl_easy_setopt(handle, CURLOPT_URL, url.c_str()));
  set(curl_easy_setopt(handle, CURLOPT_WRITEDATA, task));
  set(curl_easy_setopt(handle, CURLOPT_HEADERDATA, task));
  set(curl_easy_setopt(handle, CURLOPT_XFERINFODATA, task));
  set(curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L));
  set(curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L));
  set(curl_easy_setopt(handle, CURLOPT_RANGE, range.c_str()));
  set(curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, task->error_buffer));
  set(curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                       static_cast<long>(timeouts_.piece_connect_ms)));
  set(curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L));
  set(curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME,
                       static_cast<long>(timeouts_.piece_stall_seconds)));
  task->throttled = false;
  if (setup == CURLE_OK) setup = SetTaskLimit(task, limit, true);
  if (setup == CURLE_OK) {
    CURLMcode added = curl_multi_add_handle(multi_, handle);
    if (added != CURLM_OK) *error = curl_multi_strerror(added);
  } else {
    *error = curl_easy_strerror(setup);
  }
  if (!error->empty()) {
    FinishTask(task, -1, "start task failed", false, false);
    AppendTrace("start task failed:" + task->path + ":" + *error + "\n");
    return false;
  }
  return true;
}

void DownloadManager::FinishTask(DownloadTask* task, int code, const std::string& error,
                                 bool call_back, bool free) {
  if (task->file != INVALID_HANDLE_VALUE) {
    CloseHandle(task->file);
    task->file = INVALID_HANDLE_VALUE;
  }
  if (task->handle != nullptr) {
    curl_multi_remove_handle(multi_, task->handle);
    // The handle goes back to the pool without pointers into this task.
    curl_easy_setopt(task->handle, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(task->handle, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(task->handle, CURLOPT_XFERINFODATA, nullptr);
    curl_easy_setopt(task->handle, CURLOPT_ERRORBUFFER, nullptr);
    handle_pool_.push_back(task->handle);
    task->handle = nullptr;
  }
  if (call_back && task->on_done != nullptr) {
    task->on_done(task->user_value, code, task->path, error);
  }
  const bool success = code == kDownloadDone && error.empty();
  if (success && !task->staged) DeleteResumeInfo(task->file_path);
  if (free) {
    // The digester lets go of the file first: it may hold it open.
    auto digest = file_digests_.find(task->file_path);
    if (digest != file_digests_.end()) {
      std::vector<DownloadTask*>& tasks = digest->second->tasks;
      tasks.erase(std::remove(tasks.begin(), tasks.end(), task), tasks.end());
      if (tasks.empty()) ForgetDigest(task->file_path);
    }
    delete task;
  }
}

void DownloadManager::FailFile(DownloadTask* task, int code, const std::string& error) {
  // The file ends with its first piece that fails for good; its other pieces
  // end with it, silently, so that its callback runs once. What they wrote
  // stays, with the record, for a later run to resume.
  DropOtherPieces(task);
  // A file without a digest has no record to resume from and nothing to
  // tell its bytes from whole ones: what it got is no use, and misleading.
  if (task->md5.empty()) {
    FinishTask(task, 0, "post", false, false);  // closes it
    DeleteFileA(task->write_path.c_str());
  }
  FinishTask(task, code, error, running_, true);
}

void DownloadManager::DropOtherPieces(DownloadTask* task) {
  const std::string& file = task->file_path;
  auto other = [task, &file](DownloadTask* each) { return each != task && each->file_path == file; };
  std::vector<DownloadTask*> dropped;
  EnterCriticalSection(&lock_);
  for (auto it = running_tasks_.begin(); it != running_tasks_.end();) {
    if (other(*it)) {
      (*it)->running = false;
      dropped.push_back(*it);
      it = running_tasks_.erase(it);
    } else {
      ++it;
    }
  }
  LeaveCriticalSection(&lock_);
  for (auto it = waiting_tasks_.begin(); it != waiting_tasks_.end();) {
    if (other(*it)) {
      dropped.push_back(*it);
      it = waiting_tasks_.erase(it);
    } else {
      ++it;
    }
  }
  for (DownloadTask* each : dropped) {
    UntrackPiece(each);
    FinishTask(each, kDownloadDone, "cancel", false, true);
  }
}

bool DownloadManager::IsRunningTask(DownloadTask* task) {
  EnterCriticalSection(&lock_);
  bool found = std::find(running_tasks_.begin(), running_tasks_.end(), task) !=
               running_tasks_.end();
  LeaveCriticalSection(&lock_);
  return found;
}

size_t DownloadManager::running_task_count() const {
  EnterCriticalSection(&lock_);
  size_t count = running_tasks_.size();
  LeaveCriticalSection(&lock_);
  return count;
}

size_t DownloadManager::throttled_task_count() const {
  EnterCriticalSection(&lock_);
  size_t count = 0;
  for (const DownloadTask* task : running_tasks_) count += task->throttled ? 1 : 0;
  LeaveCriticalSection(&lock_);
  return count;
}

void DownloadManager::OnTransferDone(CURLMsg* message) {
  CURL* handle = message->easy_handle;
  const CURLcode result = message->data.result;
  DownloadTask* task = nullptr;
  EnterCriticalSection(&lock_);
  for (auto it = running_tasks_.begin(); it != running_tasks_.end(); ++it) {
    if ((*it)->handle == handle) {
      task = *it;
      running_tasks_.erase(it);
      task->running = false;
      break;
    }
  }
  LeaveCriticalSection(&lock_);
  if (task == nullptr) {
    AppendTrace(base::StringFormat("handle task but not found:%llu\n",
                                   static_cast<unsigned long long>(
                                       reinterpret_cast<uintptr_t>(handle))));
    curl_multi_remove_handle(multi_, handle);
    return;
  }
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  FinishTask(task, 0, "post", false, false);

  const bool failed = result != CURLE_OK || (status != 200 && status != 206);
  int outcome;
  if (failed && task->position <= task->end) {
    if (NextAttempt(task)) {
      waiting_tasks_.push_back(task);  // continues from its position
      return;
    }
    std::string text = base::StringFormat("%d,%ld", static_cast<int>(result), status);
    if (task->error_buffer[0] != '\0') text += std::string(",") + task->error_buffer;
    AppendTrace(task->path + ":" + text + "\n");
    FailFile(task, kDownloadFailed, text);
    return;
  }
  // Without a digest only the size tells a whole file: a reply may end
  // early and still look like a finished transfer (an HTTP/1.0 reply cut by
  // closing the connection, a 206 with nothing in it).
  if (task->md5.empty() && task->position > task->end) {
    FinishTask(task, kDownloadDone, "", running_, true);
    return;
  }
  outcome = CheckTaskComplete(task);
  switch (outcome) {
    case -1:
      if (NextAttempt(task)) {
        waiting_tasks_.push_back(task);
      } else {
        FailFile(task, kDownloadIncomplete,
                 base::StringFormat("incomplete:%lld-%lld", static_cast<long long>(task->position),
                                    static_cast<long long>(task->end)));
      }
      return;
    case 0:
      FinishTask(task, kDownloadDone, "waiting", false, true);
      return;
    case 1:
      VerifyFile(task);
      return;
    default:
      RestartFile(task);
      return;
  }
}

int DownloadManager::CheckTaskComplete(DownloadTask* task) {
  if (task->position <= task->end) {
    AppendTrace(base::StringFormat("%s:%lld<=%lld\n", task->path.c_str(),
                                   static_cast<long long>(task->position),
                                   static_cast<long long>(task->end)));
    return -1;
  }
  return UntrackPiece(task) > 0 ? 0 : 1;
}

void DownloadManager::AdvanceDigest(const std::string& file_path, FileDigest* digest) {
  const int64_t queued = digest->hash->queued();
  int64_t until = digest->size;
  for (const DownloadTask* task : digest->tasks) {
    if (task->position <= task->end && task->end >= queued) {
      until = std::min(until, std::max(task->position, queued));
    }
  }
  if (until > queued) digester_->ReadBack(digest->hash, file_path, until);
}

void DownloadManager::DigestWritten(DownloadTask* task, int64_t offset, const char* data,
                                    int64_t written) {
  auto found = file_digests_.find(task->file_path);
  if (found == file_digests_.end()) return;
  FileDigest* digest = found->second.get();
  // Bytes behind the frontier (the digester had no room for them) are read
  // back in batches: each read-back opens the file again.
  if (digest->hash->queued() < offset && offset - digest->hash->queued() >= kReadBackBatch) {
    AdvanceDigest(task->write_path, digest);
  }
  // Bytes at the frontier go over as they are; when too many wait already
  // they are read back later instead.
  if (digest->hash->queued() == offset) digester_->Add(digest->hash, data, written);
  // A finished piece may open the way to pieces written before it.
  if (task->position > task->end) AdvanceDigest(task->write_path, digest);
}

void DownloadManager::VerifyFile(DownloadTask* task) {
  auto found = file_digests_.find(task->file_path);
  if (found == file_digests_.end()) {
    // Not expected: every checked file has a digest from its queueing.
    std::unique_ptr<FileDigest> digest(new FileDigest);
    digest->size = task->file_size;
    digest->hash = std::make_shared<HashedFile>(task->md5, task->file_size);
    digest->tasks.push_back(task);
    if (!digester_) digester_.reset(new FileDigester);
    found = file_digests_.emplace(task->file_path, std::move(digest)).first;
  }
  if (task->staged) {
    // The digester checks the bytes and writes a right file into place:
    // making, writing, renaming and closing it are round trips to the
    // system that the transfers need not wait for.
    digester_->Finish(found->second->hash, task->write_path, std::move(task->body),
                      task->file_path);
    task->body.clear();
  } else {
    digester_->Finish(found->second->hash, task->write_path);
  }
  verifying_tasks_.push_back(task);
}

void DownloadManager::CollectVerifiedFiles() {
  if (!digester_ || verifying_tasks_.empty()) return;
  for (const std::shared_ptr<HashedFile>& hash : digester_->TakeFinished()) {
    DownloadTask* task = nullptr;
    for (auto it = verifying_tasks_.begin(); it != verifying_tasks_.end(); ++it) {
      auto digest = file_digests_.find((*it)->file_path);
      if (digest != file_digests_.end() && digest->second->hash == hash) {
        task = *it;
        verifying_tasks_.erase(it);
        break;
      }
    }
    if (task == nullptr) continue;
    if (!hash->right()) {
      AppendTrace(task->path + ":" + task->md5 + "!=" + hash->actual() + "\n");
      RestartFile(task);
      continue;
    }
    if (task->staged && !hash->placed()) {
      const std::string text = hash->place_error();
      AppendTrace(task->path + ":" + text + "\n");
      FailFile(task, kDownloadFailed, text);
      continue;
    }
    FinishTask(task, kDownloadDone, "", running_, true);
  }
}

void DownloadManager::ForgetDigest(const std::string& file_path) {
  auto found = file_digests_.find(file_path);
  if (found == file_digests_.end()) return;
  // The digester must be done with the file before it is deleted or reused.
  digester_->Abandon(found->second->hash);
  file_digests_.erase(found);
}

void DownloadManager::ForgetAllDigests() {
  for (auto& entry : file_digests_) digester_->Abandon(entry.second->hash);
  file_digests_.clear();
}

void DownloadManager::RestartFile(DownloadTask* task) {
  // Bytes that failed their check are no use to anyone: nothing of them is
  // left to be taken for a whole file.
  DeleteFileA(task->write_path.c_str());
  DeleteFileA(task->file_path.c_str());
  DeleteResumeInfo(task->file_path);
  if (!NextAttempt(task)) {
    FailFile(task, kDownloadBadDigest, "check md5 error");
    return;
  }
  QueueFile(task->path, task->file_path, task->md5, task->file_size, task->on_done,
            task->on_progress, task->user_value, task->attempt, task->server_index,
            task->servers);
  done_bytes_ = std::max<int64_t>(done_bytes_ - task->file_size, 0);
  SendProgressIfDue();
  FinishTask(task, kDownloadDone, "replace", false, true);
}

// --- Library callbacks ------------------------------------------------------

size_t DownloadManager::OnHeader(char* data, size_t size, size_t count, void* user) {
  const size_t n = size * count;
  DownloadTask* task = static_cast<DownloadTask*>(user);
  if (task == nullptr) return n;
  if (StartsWithNoCase(data, n, "http/")) {
    task->content_range.clear();  // a new reply (after a redirect, say)
  } else if (StartsWithNoCase(data, n, "content-range:")) {
    std::string value(data + 14, n - 14);
    size_t first = value.find_first_not_of(" \t");
    size_t last = value.find_last_not_of(" \t\r\n");
    task->content_range =
        first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
  }
  return n;
}

int DownloadManager::JudgeReply(DownloadTask* task) {
  long status = 0;
  curl_easy_getinfo(task->handle, CURLINFO_RESPONSE_CODE, &status);
  if (status == 206) {
    int64_t first = 0, last = 0, size = 0;
    if (ParseContentRange(task->content_range, &first, &last, &size) &&
        first == task->position && last == task->end && (size == -1 || size == task->file_size)) {
      return kReplyWrite;
    }
  } else if (status == 200) {
    if (task->position == 0 && task->end == task->file_size - 1) return kReplyWrite;
  }
  AppendTrace(base::StringFormat("refused reply:%s:%ld:%s:begin:%lld:end:%lld\n",
                                 task->path.c_str(), status, task->content_range.c_str(),
                                 static_cast<long long>(task->position),
                                 static_cast<long long>(task->end)));
  // An error page is read to its end (the connection stays usable) and the
  // status fails the attempt; a success that is not our range ends at once.
  return status >= 300 ? kReplyDiscard : kReplyRefuse;
}

size_t DownloadManager::OnWriteData(char* data, size_t size, size_t count, void* user) {
  DownloadTask* task = static_cast<DownloadTask*>(user);
  if (task == nullptr) return 0;
  DownloadManager* self = task->manager;
  if (!self->running_) return 0;
  if (!task->running) {
    self->AppendTrace(base::StringFormat(
        "non work task:%llu:begin:%lld:end:%lld\n",
        static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(task)),
        static_cast<long long>(task->position), static_cast<long long>(task->end)));
    return 0;
  }
  // An error page, or a reply that ignored the range, never reaches the file.
  if (task->reply == kReplyUnjudged) task->reply = self->JudgeReply(task);
  if (task->reply == kReplyDiscard) return size * count;
  if (task->reply != kReplyWrite) return 0;
  // Over the speed limit: the library keeps these bytes until Pump lets the
  // transfer go on.
  if (!self->TakeBudget(task, static_cast<int64_t>(size * count))) {
    task->throttled = true;
    return CURL_WRITEFUNC_PAUSE;
  }

  int64_t n = static_cast<int64_t>(size * count);
  if (task->position + n > task->end + 1) n = task->end - task->position + 1;
  if (n <= 0) return 0;

  bool record_due = false;
  int64_t written_total = 0;
  LARGE_INTEGER offset;
  offset.QuadPart = task->position;
  if (task->staged) {
    // Its bytes stay in memory until they prove right (the digester hashes
    // and writes them at the end); the body holds exactly [0, position).
    task->body.append(data, static_cast<size_t>(n));
    task->position += n;
    written_total = n;
  } else if (!SetFilePointerEx(task->file, offset, nullptr, FILE_BEGIN)) {
    self->AppendTrace(base::StringFormat("recv seek failed:%s:%lld:begin:%lld:end:%lld:errno:%lu\n",
                                         task->path.c_str(), static_cast<long long>(n),
                                         static_cast<long long>(task->position),
                                         static_cast<long long>(task->end), GetLastError()));
  } else {
    const char* next = data;
    int64_t left = n;
    bool ok = true;
    while (left > 0) {
      DWORD written = 0;
      DWORD chunk = static_cast<DWORD>(std::min<int64_t>(left, 0x40000000));
      if (!WriteFile(task->file, next, chunk, &written, nullptr) || written == 0) {
        ok = false;
        break;
      }
      next += written;
      left -= written;
      written_total += written;
    }
    const int64_t at = task->position;
    task->position += written_total;
    if (written_total > 0 && !task->md5.empty()) self->DigestWritten(task, at, data, written_total);
    if (ok) {
      // The record follows the data it describes. A finished piece is
      // recorded unless it is the file's last: that record is deleted once
      // the file proves whole.
      if (Since(self->tick_, task->last_flush_tick) >= kRecordIntervalMs) {
        task->last_flush_tick = self->tick_;
        record_due = true;
      } else if (task->position > task->end) {
        auto found = self->piece_map_.find(task->file_path);
        record_due = found != self->piece_map_.end() && found->second.size() > 1;
      }
    } else {
      self->AppendTrace(base::StringFormat(
          "recv write failed:%s:%lld:begin:%lld:end:%lld:errno:%lu\n", task->path.c_str(),
          static_cast<long long>(n), static_cast<long long>(task->position),
          static_cast<long long>(task->end), GetLastError()));
    }
  }
  self->CountDone(written_total);
  self->SendProgressIfDue();

  if (record_due && !task->md5.empty()) {
    EnterCriticalSection(&task->lock);
    auto found = self->piece_map_.find(task->file_path);
    if (found != self->piece_map_.end()) {
      for (PieceInfo& piece : found->second) {
        if (piece.index == task->piece_index) {
          piece.begin = task->position;
          piece.end = task->end;
        }
      }
      SaveResumeInfo(task->file_path, task->md5, found->second);
    }
    LeaveCriticalSection(&task->lock);
  }
  // Less than offered (the surplus past the range, a failed write) ends the
  // transfer; OnTransferDone judges the piece by its position.
  return written_total == static_cast<int64_t>(size * count) ? size * count
                                                             : static_cast<size_t>(written_total);
}

int DownloadManager::OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  DownloadTask* task = static_cast<DownloadTask*>(user);
  if (task == nullptr || !task->running || task->on_progress == nullptr ||
      task->handle == nullptr) {
    return 0;
  }
  curl_off_t speed = 0;
  if (curl_easy_getinfo(task->handle, CURLINFO_SPEED_DOWNLOAD_T, &speed) != CURLE_OK) return 0;
  task->manager->current_file_ = task->file_path;
  task->on_progress(task->user_value, static_cast<double>(speed));
  return 0;
}

// --- Progress, pause, cancel ------------------------------------------------

void DownloadManager::CountDone(int64_t bytes) {
  done_bytes_ = std::max<int64_t>(done_bytes_ + bytes, 0);
}

void DownloadManager::SendProgressIfDue() {
  if (paused_) return;
  if (Since(tick_, last_progress_tick_) >= kProgressIntervalMs || done_bytes_ >= total_bytes_) {
    last_progress_tick_ = tick_;
    delegate()->OnDownloadEvent(DownloadProgressEvent{total_bytes_, done_bytes_});
  }
}

void DownloadManager::Pause() {
  paused_ = true;
  EnterCriticalSection(&lock_);
  for (DownloadTask* task : running_tasks_) curl_easy_pause(task->handle, CURLPAUSE_ALL);
  LeaveCriticalSection(&lock_);
  delegate()->OnDownloadEvent(DownloadPausedEvent{true});
  ReportSpeed("pause");
  ReportSpeedEvent("15", "click_launch_pause_game", true);
}

void DownloadManager::Resume() {
  paused_ = false;
  tick_ = EngineTick();
  EnterCriticalSection(&lock_);
  // Un-pausing may hand held-back bytes to OnWriteData at once.
  std::vector<DownloadTask*> running(running_tasks_.begin(), running_tasks_.end());
  LeaveCriticalSection(&lock_);
  for (DownloadTask* task : running) {
    task->throttled = false;  // the limit holds it again if it must
    if (task->handle != nullptr) curl_easy_pause(task->handle, CURLPAUSE_CONT);
  }
  ResetStats();
  delegate()->OnDownloadEvent(DownloadDetailReport{"16", "", "", ""});
  delegate()->OnDownloadEvent(
      DownloadActivityReport{"click_launch_continue_download_game", "", "", ""});
  delegate()->OnDownloadEvent(DownloadPausedEvent{false});
}

void DownloadManager::CancelAll(DownloadMode mode) {
  EnterCriticalSection(&lock_);
  std::list<DownloadTask*> running;
  running.swap(running_tasks_);
  LeaveCriticalSection(&lock_);
  for (DownloadTask* task : running) {
    task->running = false;
    UntrackPiece(task);
    FinishTask(task, kDownloadDone, "cancel", false, true);
  }
  std::deque<DownloadTask*> waiting;
  waiting.swap(waiting_tasks_);
  waiting.insert(waiting.end(), verifying_tasks_.begin(), verifying_tasks_.end());
  verifying_tasks_.clear();
  for (DownloadTask* task : waiting) {
    UntrackPiece(task);
    FinishTask(task, kDownloadDone, "cancel", false, true);
  }
  piece_map_.clear();
  ForgetAllDigests();
  paused_ = false;
  total_bytes_ = 0;
  done_bytes_ = 0;
  speed_samples_.clear();
  last_progress_tick_ = 0;
  last_speed_tick_ = 0;
  ResetStats();
  mode_ = mode;
}

void DownloadManager::ReleaseAllTasks() {
  EnterCriticalSection(&lock_);
  std::list<DownloadTask*> running;
  running.swap(running_tasks_);
  LeaveCriticalSection(&lock_);
  for (DownloadTask* task : running) FinishTask(task, kDownloadDone, "cancel", false, true);
  for (DownloadTask* task : waiting_tasks_) FinishTask(task, kDownloadDone, "cancel", false, true);
  waiting_tasks_.clear();
  for (DownloadTask* task : verifying_tasks_) FinishTask(task, kDownloadDone, "cancel", false, true);
  verifying_tasks_.clear();
  piece_map_.clear();
  ForgetAllDigests();
}
