// DownloadManager: whole files in parallel ranged pieces, from queueing to
// their end; the parts do the transfers' machinery, the files' assembly and
// the counting.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/util/string_format.h"
#include "app/util/file_util.h"
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
// Files whose check is under way, at most (see StartWaitingTasks).
const size_t kMaxVerifyingTasks = 16;
// How far down the waiting list the next transfer is looked for.
const size_t kWaitingScanLimit = 64;

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
    trace_.Append(path + ":" + refusal + "\n");
    if (on_done != nullptr) on_done(user_value, kDownloadNoRoom, path, refusal);
    return;
  }
  QueueFile(path, file_path, md5, size, on_done, on_progress, user_value,
            ServerFailover{first_attempt, first_server},
            std::make_shared<const std::vector<std::string>>(active_servers_));
}

void DownloadManager::QueueFile(const std::string& path, const std::string& file_path,
                                const std::string& md5, int64_t size, DoneCallback on_done,
                                ProgressCallback on_progress, int user_value,
                                const ServerFailover& failover, const ServerList& servers) {
  if (size <= 0) {
    // An empty file is whole by definition; one left with bytes in it is not.
    WIN32_FILE_ATTRIBUTE_DATA data;
    bool empty_exists = GetFileAttributesExA(file_path.c_str(), GetFileExInfoStandard, &data) &&
                        data.nFileSizeLow == 0 && data.nFileSizeHigh == 0;
    if (!empty_exists) WriteEmptyFile(file_path);
    if (on_done != nullptr) on_done(user_value, kDownloadDone, path, "");
    return;
  }
  assembly_.Forget(file_path);
  const int64_t last = size - 1;
  auto queue = [&](const PieceInfo& piece) {
    return QueueTask(path, file_path, md5, piece.index, piece.begin, piece.end, size, on_done,
                     on_progress, user_value, failover, servers);
  };

  if (md5.empty()) {
    // Nothing to resume from or check against: start from an empty file.
    DeleteFileA(file_path.c_str());
    queue(PieceInfo{0, 0, last});
    return;
  }

  // Without its file a record could only say that nothing was written, so
  // it is not looked for: asking after a missing name makes some systems
  // read the whole folder, and a fresh install asks for thousands.
  const bool has_file = GetFileAttributesA(file_path.c_str()) != INVALID_FILE_ATTRIBUTES;
  const bool has_record =
      has_file && GetFileAttributesA(ResumeRecordPath(file_path).c_str()) !=
                      INVALID_FILE_ATTRIBUTES;
  std::vector<PieceInfo> pieces;
  if (has_record && LoadResumeInfo(file_path, md5, size, &pieces)) {
    assembly_.StartDigest(file_path, md5, size);
    int64_t missing = 0;
    for (const PieceInfo& piece : pieces) {
      assembly_.Track(queue(piece));
      missing += piece.end - piece.begin + 1;
    }
    stats_.CountDone(size - missing);
    return;
  }

  // No record to trust: the file may already be whole (its record lost, or
  // every piece finished just before an interruption).
  std::string digest;
  int64_t present = 0;
  if (has_file && FileMatchesMd5(file_path, md5, &digest, &present)) {
    if (has_record) DeleteResumeInfo(file_path);
    stats_.CountDone(size);
    if (on_done != nullptr) on_done(user_value, kDownloadDone, path, "");
    return;
  }
  if (has_file) DeleteFileA(file_path.c_str());
  assembly_.StartDigest(file_path, md5, size);

  if (size <= kStagedFileLimit && size <= piece_size_) {
    if (has_record) DeleteResumeInfo(file_path);
    DownloadTask* task = queue(PieceInfo{0, 0, last});
    task->write_path = file_path + kStagedSuffix;
    task->staged = true;
    assembly_.Track(task);
    return;
  }

  int32_t index = 0;
  for (int64_t begin = 0; begin <= last; begin += piece_size_, ++index) {
    assembly_.Track(queue(PieceInfo{index, begin, std::min(begin + piece_size_ - 1, last)}));
  }
  assembly_.SaveFirstRecord(file_path, md5);
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
                                         const ServerFailover& failover,
                                         const ServerList& servers) {
  std::unique_ptr<DownloadTask> owned(new DownloadTask);
  DownloadTask* task = owned.get();
  task->manager = this;
  task->path = path;
  task->file_path = file_path;
  task->write_path = file_path;
  task->md5 = md5;
  task->servers = servers;
  task->failover = failover;
  task->user_value = user_value;
  task->piece_index = index;
  task->position = begin;
  task->end = end;
  task->file_size = file_size;
  task->on_done = on_done;
  task->on_progress = on_progress;
  tasks_.emplace(task, std::move(owned));
  assembly_.Join(task);
  waiting_tasks_.push_back(task);
  return task;
}

// --- The tick ---------------------------------------------------------------

void DownloadManager::Pump() {
  RunTransfers();
  // What the transfers handed the digester in this tick is hashed meanwhile.
  assembly_.Wake();
}

void DownloadManager::RunTransfers() {
  tick_ = EngineTick();
  ApplyPendingSpeedLimit();
  if ((waiting_tasks_.empty() && running_tasks_.empty() && assembly_.verifying_count() == 0) ||
      !running_ || !scheduler_.ready()) {
    return;
  }
  CollectVerifiedFiles();
  StartWaitingTasks();

  const ULONGLONG deadline = GetTickCount64() + kPumpBudgetMs;
  int idle_waits = 0;
  scheduler_.Perform();
  for (;;) {
    if (!running_) return;
    tick_ = EngineTick();
    // Finished transfers are collected at once and their slots refilled, so
    // five transfers keep running while there is work.
    CollectFinishedTransfers();
    CollectVerifiedFiles();
    if (!running_) return;
    ReleaseThrottled();
    const size_t before = running_tasks_.size();
    StartWaitingTasks();
    if (running_tasks_.empty()) {
      // Only checks are left: wait a little for their verdicts.
      if (assembly_.verifying_count() == 0 || ++idle_waits > kMaxIdleWaits ||
          GetTickCount64() >= deadline) {
        return;
      }
      assembly_.WaitForVerdict(kIdleWaitMicroseconds / 1000 + 1);
      continue;
    }
    if (running_tasks_.size() != before) scheduler_.Perform();

    bool failed = false;
    const bool ready = scheduler_.WaitForData(kIdleWaitMicroseconds, &failed);
    if (failed) return;
    if ((!ready && ++idle_waits > kMaxIdleWaits) || GetTickCount64() >= deadline) {
      // Transfers that are waiting on a timer (a speed limit, a connection
      // attempt) still need the library's attention before we leave.
      scheduler_.Perform();
      CollectFinishedTransfers();
      CollectVerifiedFiles();
      return;
    }
    scheduler_.Perform();
  }
}

DownloadTask* DownloadManager::TakeNextWaitingTask() {
  // A file none of whose pieces runs goes first: its next piece starts where
  // the digest stands, so its bytes are hashed as they come instead of being
  // read back from the disk later. Otherwise first come, first served.
  const size_t scan = std::min<size_t>(waiting_tasks_.size(), kWaitingScanLimit);
  size_t pick = 0;
  for (size_t i = 0; i < scan; ++i) {
    const std::string& file = waiting_tasks_[i]->file_path;
    if (std::none_of(running_tasks_.begin(), running_tasks_.end(),
                     [&file](const DownloadTask* other) { return other->file_path == file; })) {
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
         running_tasks_.size() < kMaxRunningTasks &&
         assembly_.verifying_count() < kMaxVerifyingTasks) {
    DownloadTask* task = TakeNextWaitingTask();
    std::string error;
    if (StartTask(task, &error)) {
      running_tasks_.push_back(task);
      task->running = true;
    } else if (!task->NextAttempt(attempts_per_server_)) {
      FailFile(task, kDownloadStartFailed, error);
    } else {
      waiting_tasks_.push_back(task);
    }
  }
}

void DownloadManager::CollectFinishedTransfers() {
  CURLMsg* message;
  while (running_ && (message = scheduler_.NextDone()) != nullptr) {
    OnTransferDone(message->easy_handle, message->data.result);
  }
}

void DownloadManager::ApplyPendingSpeedLimit() {
  if (!scheduler_.TakeLimits(mode_)) return;
  const int64_t limit = scheduler_.LimitFor(mode_);
  for (DownloadTask* task : running_tasks_) {
    if (task->handle != nullptr) scheduler_.SetLimit(task->handle, &task->pace, limit, false);
  }
  stats_.ClearSamples();
  ReleaseThrottled();
}

void DownloadManager::ReleaseThrottled() {
  if (paused_) return;
  std::vector<DownloadTask*> held;
  for (DownloadTask* task : running_tasks_) {
    if (task->pace.throttled && task->handle != nullptr && scheduler_.BudgetBack(task->pace)) {
      held.push_back(task);
    }
  }
  for (DownloadTask* task : held) {
    task->pace.throttled = false;
    // The held bytes are handed to OnWriteData from in here.
    curl_easy_pause(task->handle, CURLPAUSE_CONT);
  }
}

// --- One transfer -----------------------------------------------------------

bool DownloadManager::StartTask(DownloadTask* task, std::string* error) {
  error->clear();
  ReleaseTransfer(task);
  if (!task->failover.HasServer(task->servers->size())) {
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
  CURL* handle = scheduler_.TakeHandle();
  if (handle == nullptr) {
    *error = "curl_easy_init failed";
  } else {
    task->handle = handle;
    task->transfer_ended = false;
    const CURLcode setup = SetUpTransfer(task);
    if (setup != CURLE_OK) {
      *error = curl_easy_strerror(setup);
    } else {
      const CURLMcode added = scheduler_.Add(handle);
      if (added != CURLM_OK) *error = curl_multi_strerror(added);
    }
  }
  if (!error->empty()) {
    ReleaseTransfer(task);
    trace_.Append("start task failed:" + task->path + ":" + *error + "\n");
    return false;
  }
  return true;
}

CURLcode DownloadManager::SetUpTransfer(DownloadTask* task) {
  CURL* handle = task->handle;
  std::string url = JoinUrl((*task->servers)[task->failover.server], task->path);
  if (delegate()->UseWebExtraParam()) url += base::StringFormat("?t=%u", tick_);
  const std::string range = base::StringFormat("%lld-%lld", static_cast<long long>(task->position),
                                               static_cast<long long>(task->end));
  task->error_buffer[0] = '\0';
  task->last_record_tick = tick_;  // a record after a second of transfer
  task->reply = kReplyUnjudged;
  task->content_range.clear();
  task->pace.throttled = false;

  CURLcode setup = CURLE_OK;
  auto set = [&setup](CURLcode result) {
    if (setup == CURLE_OK) setup = result;
  };
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
  if (setup == CURLE_OK) {
    setup = scheduler_.SetLimit(handle, &task->pace, scheduler_.LimitFor(mode_), true);
  }
  return setup;
}

void DownloadManager::ReleaseTransfer(DownloadTask* task) {
  if (task->file != INVALID_HANDLE_VALUE) {
    CloseHandle(task->file);
    task->file = INVALID_HANDLE_VALUE;
  }
  if (task->handle != nullptr) {
    scheduler_.ReturnHandle(task->handle, task->transfer_ended);
    task->handle = nullptr;
  }
}

void DownloadManager::EndTask(DownloadTask* task, TaskEnd end, int code,
                              const std::string& error) {
  ReleaseTransfer(task);
  if (end != TaskEnd::kDropped && running_ && task->on_done != nullptr) {
    task->on_done(task->user_value, code, task->path, error);
  }
  if (end == TaskEnd::kFileDone && !task->staged) DeleteResumeInfo(task->file_path);
  assembly_.Leave(task);
  tasks_.erase(task);
}

void DownloadManager::FailFile(DownloadTask* task, int code, const std::string& error) {
  // The file ends with its first piece that fails for good; its other pieces
  // end with it, silently, so that its callback runs once. What they wrote
  // stays, with the record, for a later run to resume.
  DropOtherPieces(task);
  // A file without a digest has no record to resume from and nothing to
  // tell its bytes from whole ones: what it got is no use, and misleading.
  if (task->md5.empty()) {
    ReleaseTransfer(task);  // closes it
    DeleteFileA(task->write_path.c_str());
  }
  EndTask(task, TaskEnd::kFileFailed, code, error);
}

void DownloadManager::DropOtherPieces(DownloadTask* task) {
  const std::string& file = task->file_path;
  auto other = [task, &file](DownloadTask* each) { return each != task && each->file_path == file; };
  std::vector<DownloadTask*> dropped;
  for (auto it = running_tasks_.begin(); it != running_tasks_.end();) {
    if (other(*it)) {
      (*it)->running = false;
      dropped.push_back(*it);
      it = running_tasks_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = waiting_tasks_.begin(); it != waiting_tasks_.end();) {
    if (other(*it)) {
      dropped.push_back(*it);
      it = waiting_tasks_.erase(it);
    } else {
      ++it;
    }
  }
  for (DownloadTask* each : dropped) {
    assembly_.Untrack(each);
    EndTask(each, TaskEnd::kDropped);
  }
}

void DownloadManager::OnTransferDone(CURL* handle, CURLcode result) {
  auto found = std::find_if(running_tasks_.begin(), running_tasks_.end(),
                            [handle](const DownloadTask* task) { return task->handle == handle; });
  if (found == running_tasks_.end()) {
    trace_.Append(base::StringFormat(
        "handle task but not found:%llu\n",
        static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle))));
    scheduler_.Remove(handle);
    return;
  }
  DownloadTask* task = *found;
  running_tasks_.erase(found);
  task->running = false;
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  task->transfer_ended = true;
  ReleaseTransfer(task);

  const bool failed = result != CURLE_OK || (status != 200 && status != 206);
  if (failed && !task->whole()) {
    if (task->NextAttempt(attempts_per_server_)) {
      waiting_tasks_.push_back(task);  // continues from its position
      return;
    }
    std::string text = base::StringFormat("%d,%ld", static_cast<int>(result), status);
    if (task->error_buffer[0] != '\0') text += std::string(",") + task->error_buffer;
    trace_.Append(task->path + ":" + text + "\n");
    FailFile(task, kDownloadFailed, text);
    return;
  }
  // Without a digest only the size tells a whole file: a reply may end
  // early and still look like a finished transfer (an HTTP/1.0 reply cut by
  // closing the connection, a 206 with nothing in it).
  if (task->md5.empty() && task->whole()) {
    EndTask(task, TaskEnd::kFileDone);
    return;
  }
  switch (PieceStateAfterTransfer(task)) {
    case PieceState::kShort:
      if (task->NextAttempt(attempts_per_server_)) {
        waiting_tasks_.push_back(task);
      } else {
        FailFile(task, kDownloadIncomplete,
                 base::StringFormat("incomplete:%lld-%lld", static_cast<long long>(task->position),
                                    static_cast<long long>(task->end)));
      }
      return;
    case PieceState::kMorePiecesToCome:
      EndTask(task, TaskEnd::kDropped);
      return;
    case PieceState::kFileAllIn:
      assembly_.Verify(task);
      return;
  }
}

DownloadManager::PieceState DownloadManager::PieceStateAfterTransfer(DownloadTask* task) {
  if (!task->whole()) {
    trace_.Append(base::StringFormat("%s:%lld<=%lld\n", task->path.c_str(),
                                     static_cast<long long>(task->position),
                                     static_cast<long long>(task->end)));
    return PieceState::kShort;
  }
  return assembly_.Untrack(task) > 0 ? PieceState::kMorePiecesToCome : PieceState::kFileAllIn;
}

void DownloadManager::CollectVerifiedFiles() {
  for (const FileAssembly::Verdict& verdict : assembly_.TakeVerdicts()) {
    DownloadTask* task = verdict.task;
    if (!verdict.hash->right()) {
      trace_.Append(task->path + ":" + task->md5 + "!=" + verdict.hash->actual() + "\n");
      RestartFile(task);
    } else if (!verdict.hash->placed()) {
      // Not on the disk at its place (unflushed, or a staged file not moved
      // there): never reported whole.
      const std::string text = verdict.hash->place_error();
      trace_.Append(task->path + ":" + text + "\n");
      FailFile(task, kDownloadFailed, text);
    } else {
      EndTask(task, TaskEnd::kFileDone);
    }
  }
}

void DownloadManager::RestartFile(DownloadTask* task) {
  // Bytes that failed their check are no use to anyone: nothing of them is
  // left to be taken for a whole file.
  DeleteFileA(task->write_path.c_str());
  DeleteFileA(task->file_path.c_str());
  DeleteResumeInfo(task->file_path);
  if (!task->NextAttempt(attempts_per_server_)) {
    FailFile(task, kDownloadBadDigest, "check md5 error");
    return;
  }
  QueueFile(task->path, task->file_path, task->md5, task->file_size, task->on_done,
            task->on_progress, task->user_value, task->failover, task->servers);
  stats_.Uncount(task->file_size);
  stats_.SendProgressIfDue(tick_, paused_);
  EndTask(task, TaskEnd::kDropped);
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

ReplyJudgement DownloadManager::JudgeReply(DownloadTask* task) {
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
  trace_.Append(base::StringFormat("refused reply:%s:%ld:%s:begin:%lld:end:%lld\n",
                                   task->path.c_str(), status, task->content_range.c_str(),
                                   static_cast<long long>(task->position),
                                   static_cast<long long>(task->end)));
  // An error page is read to its end (the connection stays usable) and the
  // status fails the attempt; a success that is not our range ends at once.
  return status >= 300 ? kReplyDiscard : kReplyRefuse;
}

size_t DownloadManager::OnWriteData(char* data, size_t size, size_t count, void* user) {
  DownloadTask* task = static_cast<DownloadTask*>(user);
  if (task == nullptr || !task->manager->running_) return 0;
  if (!task->running) {
    task->manager->trace_.Append(base::StringFormat(
        "non work task:%llu:begin:%lld:end:%lld\n",
        static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(task)),
        static_cast<long long>(task->position), static_cast<long long>(task->end)));
    return 0;
  }
  return task->manager->ReceiveBytes(task, data, size * count);
}

size_t DownloadManager::ReceiveBytes(DownloadTask* task, const char* data, size_t offered) {
  // An error page, or a reply that ignored the range, never reaches the file.
  if (task->reply == kReplyUnjudged) task->reply = JudgeReply(task);
  if (task->reply == kReplyDiscard) return offered;
  if (task->reply != kReplyWrite) return 0;
  // Over the speed limit: the library keeps these bytes until Pump lets the
  // transfer go on.
  if (!scheduler_.TakeBudget(&task->pace, static_cast<int64_t>(offered))) {
    task->pace.throttled = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  const int64_t n = std::min(static_cast<int64_t>(offered), task->end - task->position + 1);
  if (n <= 0) return 0;
  const int64_t written = assembly_.Write(task, data, n, tick_);
  stats_.CountDone(written);
  stats_.SendProgressIfDue(tick_, paused_);
  // Less than offered (the surplus past the range, a failed write) ends the
  // transfer; OnTransferDone judges the piece by its position.
  return static_cast<size_t>(written);
}

int DownloadManager::OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  DownloadTask* task = static_cast<DownloadTask*>(user);
  if (task == nullptr || !task->running || task->on_progress == nullptr ||
      task->handle == nullptr) {
    return 0;
  }
  curl_off_t speed = 0;
  if (curl_easy_getinfo(task->handle, CURLINFO_SPEED_DOWNLOAD_T, &speed) != CURLE_OK) return 0;
  task->manager->stats_.set_current_file(task->file_path);
  task->on_progress(task->user_value, static_cast<double>(speed));
  return 0;
}
