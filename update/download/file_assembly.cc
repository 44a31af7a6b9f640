#include "update/download/file_assembly.h"

#include <windows.h>

#include <algorithm>

#include "base/util/string_format.h"
#include "update/download/download_task.h"

namespace {

// A running piece rewrites its file's record at most this often.
const uint32_t kRecordIntervalMs = 1000;
// Bytes the digester had no room for are handed back to it in batches of this.
const int64_t kReadBackBatch = 4 * 1024 * 1024;
// Digesters, and the room each has for copies (together what one had before).
const size_t kDigesters = 4;
const int64_t kDigesterRingBytes = FileDigester::kDefaultRingBytes / kDigesters;

}  // namespace

FileDigester* FileAssembly::NextDigester() {
  const size_t index = next_digester_++ % kDigesters;
  if (index >= digesters_.size()) {
    digesters_.emplace_back(new FileDigester(kDigesterRingBytes));
    return digesters_.back().get();
  }
  return digesters_[index].get();
}

// --- Pieces and records ---------------------------------------------------------

void FileAssembly::Track(const DownloadTask* task) {
  pieces_[task->file_path].push_back(PieceInfo{task->piece_index, task->position, task->end});
}

size_t FileAssembly::Untrack(const DownloadTask* task) {
  auto found = pieces_.find(task->file_path);
  if (found == pieces_.end()) return 0;
  std::vector<PieceInfo>& pieces = found->second;
  for (auto it = pieces.begin(); it != pieces.end(); ++it) {
    if (it->index == task->piece_index) {
      pieces.erase(it);
      break;
    }
  }
  size_t left = pieces.size();
  if (left == 0) pieces_.erase(found);
  return left;
}

void FileAssembly::SaveFirstRecord(const std::string& file_path, const std::string& md5) {
  SaveResumeInfo(file_path, md5, pieces_[file_path], true);
}

void FileAssembly::SaveRecord(DownloadTask* task) {
  // The record may claim bytes the disk loses in a power cut before the
  // file is flushed: the file's digest then sends it to be fetched again.
  // A file is flushed once, whole, before its verdict (see FileDigester).
  auto found = pieces_.find(task->file_path);
  if (found == pieces_.end()) return;
  for (PieceInfo& piece : found->second) {
    if (piece.index == task->piece_index) {
      piece.begin = task->position;
      piece.end = task->end;
    }
  }
  SaveResumeInfo(task->file_path, task->md5, found->second);
}

// --- The digest -------------------------------------------------------------------

void FileAssembly::StartDigest(const std::string& file_path, const std::string& md5,
                               int64_t size) {
  std::unique_ptr<FileDigest> digest(new FileDigest);
  digest->size = size;
  digest->hash = std::make_shared<HashedFile>(md5, size);
  digest->digester = NextDigester();
  digests_[file_path] = std::move(digest);
}

void FileAssembly::ForgetDigest(const std::string& file_path) {
  auto found = digests_.find(file_path);
  if (found == digests_.end()) return;
  // The digester must be done with the file before it is deleted or reused.
  found->second->digester->Abandon(found->second->hash);
  digests_.erase(found);
}

void FileAssembly::Forget(const std::string& file_path) {
  pieces_.erase(file_path);
  ForgetDigest(file_path);
}

void FileAssembly::Clear() {
  pieces_.clear();
  for (auto& entry : digests_) entry.second->digester->Abandon(entry.second->hash);
  digests_.clear();
}

void FileAssembly::Stop() {
  Clear();
  digesters_.clear();
  next_digester_ = 0;
}

void FileAssembly::Join(DownloadTask* task) {
  auto digest = digests_.find(task->file_path);
  if (digest != digests_.end()) digest->second->tasks.push_back(task);
}

void FileAssembly::Leave(DownloadTask* task) {
  // The digester lets go of the file first: it may hold it open.
  auto digest = digests_.find(task->file_path);
  if (digest == digests_.end()) return;
  std::vector<DownloadTask*>& tasks = digest->second->tasks;
  tasks.erase(std::remove(tasks.begin(), tasks.end(), task), tasks.end());
  if (tasks.empty()) ForgetDigest(task->file_path);
}

void FileAssembly::AdvanceDigest(const std::string& write_path, FileDigest* digest) {
  const int64_t queued = digest->hash->queued();
  int64_t until = digest->size;
  for (const DownloadTask* task : digest->tasks) {
    if (!task->whole() && task->end >= queued) {
      until = std::min(until, std::max(task->position, queued));
    }
  }
  if (until > queued) digest->digester->ReadBack(digest->hash, write_path, until);
}

void FileAssembly::DigestWritten(DownloadTask* task, int64_t offset, const char* data,
                                 int64_t written) {
  auto found = digests_.find(task->file_path);
  if (found == digests_.end()) return;
  FileDigest* digest = found->second.get();
  // Bytes behind the frontier (the digester had no room for them) are read
  // back in batches: each read-back opens the file again.
  if (digest->hash->queued() < offset && offset - digest->hash->queued() >= kReadBackBatch) {
    AdvanceDigest(task->write_path, digest);
  }
  // Bytes at the frontier go over as they are; when too many wait already
  // they are read back later instead.
  if (digest->hash->queued() == offset) digest->digester->Add(digest->hash, data, written);
  // A finished piece may open the way to pieces written before it.
  if (task->whole()) AdvanceDigest(task->write_path, digest);
}

// --- Bytes ---------------------------------------------------------------------------

int64_t FileAssembly::Write(DownloadTask* task, const char* data, int64_t length,
                            uint32_t tick) {
  if (task->staged) {
    // Its bytes stay in memory until they prove right (the digester hashes
    // and writes them at the end); the body holds exactly [0, position).
    task->body.append(data, static_cast<size_t>(length));
    task->position += length;
    return length;
  }
  bool ok = false;
  const int64_t at = task->position;
  const int64_t written = WriteToFile(task, data, length, &ok);
  if (written == 0 && !ok) return 0;
  task->position += written;
  if (task->md5.empty()) return written;
  if (written > 0) DigestWritten(task, at, data, written);
  if (!ok) return written;
  // The record follows the data it describes. A finished piece is recorded
  // unless it is the file's last: that record is deleted once the file
  // proves whole.
  bool record_due = false;
  if (tick - task->last_record_tick >= kRecordIntervalMs) {
    task->last_record_tick = tick;
    record_due = true;
  } else if (task->whole()) {
    auto found = pieces_.find(task->file_path);
    record_due = found != pieces_.end() && found->second.size() > 1;
  }
  if (record_due) SaveRecord(task);
  return written;
}

int64_t FileAssembly::WriteToFile(DownloadTask* task, const char* data, int64_t length,
                                  bool* ok) {
  LARGE_INTEGER offset;
  offset.QuadPart = task->position;
  if (!SetFilePointerEx(task->file, offset, nullptr, FILE_BEGIN)) {
    trace_->Append(base::StringFormat("recv seek failed:%s:%lld:begin:%lld:end:%lld:errno:%lu\n",
                                      task->path.c_str(), static_cast<long long>(length),
                                      static_cast<long long>(task->position),
                                      static_cast<long long>(task->end), GetLastError()));
    *ok = false;
    return 0;
  }
  int64_t written_total = 0;
  *ok = true;
  while (written_total < length) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(std::min<int64_t>(length - written_total, 0x40000000));
    if (!WriteFile(task->file, data + written_total, chunk, &written, nullptr) || written == 0) {
      *ok = false;
      trace_->Append(base::StringFormat(
          "recv write failed:%s:%lld:begin:%lld:end:%lld:errno:%lu\n", task->path.c_str(),
          static_cast<long long>(length), static_cast<long long>(task->position + written_total),
          static_cast<long long>(task->end), GetLastError()));
      break;
    }
    written_total += written;
  }
  return written_total;
}

// --- Verdicts ------------------------------------------------------------------------

void FileAssembly::Verify(DownloadTask* task) {
  auto found = digests_.find(task->file_path);
  if (found == digests_.end()) {
    // Not expected: every checked file has a digest from its queueing.
    StartDigest(task->file_path, task->md5, task->file_size);
    found = digests_.find(task->file_path);
    found->second->tasks.push_back(task);
  }
  if (task->staged) {
    // The digester checks the bytes and writes a right file into place:
    // making, writing, renaming and closing it are round trips to the
    // system that the transfers need not wait for.
    found->second->digester->Finish(found->second->hash, task->write_path,
                                    std::move(task->body), task->file_path);
    task->body.clear();
  } else {
    found->second->digester->Finish(found->second->hash, task->write_path);
  }
  verifying_.push_back(task);
}

std::vector<FileAssembly::Verdict> FileAssembly::TakeVerdicts() {
  std::vector<Verdict> verdicts;
  if (verifying_.empty()) return verdicts;
  for (const std::unique_ptr<FileDigester>& digester : digesters_) {
    for (const std::shared_ptr<HashedFile>& hash : digester->TakeFinished()) {
      for (auto it = verifying_.begin(); it != verifying_.end(); ++it) {
        auto digest = digests_.find((*it)->file_path);
        if (digest != digests_.end() && digest->second->hash == hash) {
          verdicts.push_back(Verdict{*it, hash});
          verifying_.erase(it);
          break;
        }
      }
    }
  }
  return verdicts;
}

std::vector<DownloadTask*> FileAssembly::TakeVerifying() {
  std::vector<DownloadTask*> tasks;
  tasks.swap(verifying_);
  return tasks;
}

void FileAssembly::WaitForVerdict(int milliseconds) {
  Wake();
  if (verifying_.empty()) return;
  // The oldest check is the one to wait for.
  auto digest = digests_.find(verifying_.front()->file_path);
  if (digest != digests_.end()) digest->second->digester->WaitForFinished(milliseconds);
}

void FileAssembly::Wake() {
  for (const std::unique_ptr<FileDigester>& digester : digesters_) digester->Wake();
}
