#include "update/download/file_digester.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "app/util/file_util.h"
#include "base/util/string_format.h"
#include "update/download/resume_info.h"

namespace {

const size_t kReadBlock = 1024 * 1024;
// Waking the thread is a round trip through the system each time, so work is
// handed over in batches: the thread is woken once this share of the ring is
// copied, or by Wake.
const int64_t kWakeShare = 4;

}  // namespace

FileDigester::FileDigester(int64_t ring_bytes)
    : ring_bytes_(ring_bytes), ring_(new char[ring_bytes]) {
  thread_ = std::thread([this] { Run(); });
}

FileDigester::~FileDigester() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
    for (Job& job : jobs_) job.file->abandoned_ = true;
    if (current_ != nullptr) const_cast<HashedFile*>(current_)->abandoned_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool FileDigester::Add(const std::shared_ptr<HashedFile>& file, const char* data,
                       int64_t length) {
  if (length <= 0) return true;
  // The room past the head is free until the job below is queued, so the
  // copy is made without holding the lock the thread takes per job.
  if (ring_used_ + length > ring_bytes_) return false;
  const int64_t first = std::min(length, ring_bytes_ - ring_head_);
  memcpy(ring_.get() + ring_head_, data, static_cast<size_t>(first));
  if (first < length) memcpy(ring_.get(), data + first, static_cast<size_t>(length - first));
  ring_used_ += length;
  bool wake = false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    jobs_.push_back(Job{kBytes, file, ring_head_, length, std::string(), 0});
    ring_head_ = (ring_head_ + length) % ring_bytes_;
    file->queued_ += length;
    unwoken_ = true;
    unwoken_bytes_ += length;
    if (unwoken_bytes_ >= ring_bytes_ / kWakeShare) {
      unwoken_ = false;
      unwoken_bytes_ = 0;
      wake = true;
    }
  }
  if (wake) wake_.notify_one();
  return true;
}

void FileDigester::ReadBack(const std::shared_ptr<HashedFile>& file, const std::string& path,
                            int64_t until) {
  until = std::min(until, file->size_);
  if (until <= file->queued_) return;
  {
    std::lock_guard<std::mutex> hold(lock_);
    // Each read-back opens the file: one waiting for the same file grows
    // instead of another being queued behind it.
    if (!jobs_.empty() && jobs_.back().kind == kReadBack && jobs_.back().file == file &&
        jobs_.back().path == path) {
      jobs_.back().until = until;
    } else {
      jobs_.push_back(Job{kReadBack, file, 0, 0, path, until});
    }
    unwoken_ = true;
  }
  file->queued_ = until;
}

void FileDigester::Finish(const std::shared_ptr<HashedFile>& file, const std::string& path) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    jobs_.push_back(Job{kFinish, file, 0, 0, path, file->size_, false, {}, {}});
    unwoken_ = true;
  }
  file->queued_ = file->size_;
}

void FileDigester::Finish(const std::shared_ptr<HashedFile>& file, const std::string& path,
                          std::string bytes, const std::string& place) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    jobs_.push_back(Job{kFinish, file, 0, 0, path, file->size_, true, std::move(bytes), place});
    unwoken_ = true;
  }
  file->queued_ = file->size_;
}

void FileDigester::Wake() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!unwoken_) return;
    unwoken_ = false;
    unwoken_bytes_ = 0;
  }
  wake_.notify_one();
}

std::vector<std::shared_ptr<HashedFile>> FileDigester::TakeFinished() {
  std::vector<std::shared_ptr<HashedFile>> finished;
  if (!have_finished_) return finished;
  std::lock_guard<std::mutex> hold(lock_);
  finished.swap(finished_);
  have_finished_ = false;
  return finished;
}

void FileDigester::WaitForFinished(int milliseconds) {
  Wake();
  std::unique_lock<std::mutex> hold(lock_);
  finished_ready_.wait_for(hold, std::chrono::milliseconds(milliseconds),
                           [this] { return !finished_.empty(); });
}

void FileDigester::Abandon(const std::shared_ptr<HashedFile>& file) {
  if (!file) return;
  std::unique_lock<std::mutex> hold(lock_);
  // Its jobs stay queued (their copies are freed in order) and are skipped.
  file->abandoned_ = true;
  finished_.erase(std::remove(finished_.begin(), finished_.end(), file), finished_.end());
  have_finished_ = !finished_.empty();
  idle_.wait(hold, [this, &file] { return current_ != file.get(); });
}

void FileDigester::Run() {
  buffer_.resize(kReadBlock);
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    wake_.wait(hold, [this] { return stop_ || !jobs_.empty(); });
    if (stop_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    current_ = job.file.get();
    hold.unlock();
    Do(&job);
    hold.lock();
    ring_used_ -= job.length;
    current_ = nullptr;
    if (job.kind == kFinish && !job.file->abandoned_) {
      finished_.push_back(job.file);
      have_finished_ = true;
      finished_ready_.notify_all();
    }
    idle_.notify_all();
  }
}

void FileDigester::Do(Job* job) {
  HashedFile* file = job->file.get();
  if (file->abandoned_) return;
  switch (job->kind) {
    case kBytes:
      if (file->usable_) {
        // The copy's room stays taken until this job ends: no lock needed.
        const int64_t first = std::min(job->length, ring_bytes_ - job->ring_offset);
        file->context_.Update(ring_.get() + job->ring_offset, static_cast<size_t>(first));
        if (first < job->length) {
          file->context_.Update(ring_.get(), static_cast<size_t>(job->length - first));
        }
        file->hashed_ += job->length;
      }
      return;
    case kReadBack:
      HashFromFile(file, job->path, job->until);
      return;
    case kFinish:
      if (job->whole) {
        file->context_.Update(job->bytes.data(), job->bytes.size());
        file->hashed_ += static_cast<int64_t>(job->bytes.size());
      }
      HashFromFile(file, job->path, file->size_);
      if (file->abandoned_) return;
      if (file->usable_ && file->hashed_ == file->size_) {
        file->context_.Final();
        file->actual_ = file->context_.DigestText();
        file->right_ = SameMd5(file->actual_, file->md5_);
      } else {
        // Some bytes could not be read on the way: judge the file whole.
        int64_t size = 0;
        file->right_ = FileMatchesMd5(job->path, file->md5_, &file->actual_, &size);
      }
      if (!file->right_) return;
      if (job->whole) {
        Place(job);
      } else {
        Flush(job);
      }
      return;
  }
}

void FileDigester::HashFromFile(HashedFile* file, const std::string& path, int64_t until) {
  if (!file->usable_ || until <= file->hashed_) return;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    file->usable_ = false;
    return;
  }
  LARGE_INTEGER offset;
  offset.QuadPart = file->hashed_;
  bool ok = SetFilePointerEx(handle, offset, nullptr, FILE_BEGIN) != 0;
  while (ok && file->hashed_ < until && !file->abandoned_) {
    const DWORD want = static_cast<DWORD>(
        std::min<int64_t>(until - file->hashed_, static_cast<int64_t>(buffer_.size())));
    DWORD read = 0;
    ok = ReadFile(handle, buffer_.data(), want, &read, nullptr) && read == want;
    if (ok) {
      file->context_.Update(buffer_.data(), read);
      file->hashed_ += read;
    }
  }
  CloseHandle(handle);
  if (!ok) file->usable_ = false;
}

void FileDigester::Flush(Job* job) {
  HashedFile* file = job->file.get();
  HANDLE handle = CreateFileA(job->path.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool ok = handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
  if (!ok) {
    file->place_error_ = base::StringFormat("flush:(%s) failed,errno:%lu", job->path.c_str(),
                                            GetLastError());
  }
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  file->placed_ = ok;
}

void FileDigester::Place(Job* job) {
  HashedFile* file = job->file.get();
  // Delete access: the file is renamed through this handle.
  HANDLE written = OpenFileMakingFoldersA(job->path, GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                          CREATE_ALWAYS);
  bool ok = written != INVALID_HANDLE_VALUE;
  size_t done = 0;
  while (ok && done < job->bytes.size()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(job->bytes.size() - done, 1 << 30));
    ok = WriteFile(written, job->bytes.data() + done, chunk, &wrote, nullptr) && wrote > 0;
    done += wrote;
  }
  // On the disk before it takes its name: after a power loss the name never
  // holds a torn file.
  if (ok) ok = FlushFileBuffers(written) != 0;
  if (!ok) {
    file->place_error_ = base::StringFormat("write:(%s) failed,errno:%lu", job->path.c_str(),
                                            GetLastError());
    if (written != INVALID_HANDLE_VALUE) CloseHandle(written);
    DeleteFileA(job->path.c_str());  // never left as if whole
    return;
  }
  // A record left from an earlier, bigger version of the file would make
  // the finished file look partial later.
  DeleteResumeInfo(job->place);
  // Renaming the open file costs a fraction of a move by name, which opens
  // it again. The rename takes the system's own form of a full path.
  bool moved = false;
  char full[MAX_PATH * 2];
  const DWORD length = GetFullPathNameA(job->place.c_str(), sizeof(full), full, nullptr);
  if (length > 0 && length < sizeof(full)) {
    const int wide = MultiByteToWideChar(CP_ACP, 0, full, static_cast<int>(length), nullptr, 0);
    if (wide > 0) {
      std::wstring target = L"\\??\\";
      target.resize(4 + static_cast<size_t>(wide));
      MultiByteToWideChar(CP_ACP, 0, full, static_cast<int>(length), &target[4], wide);
      std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + sizeof(wchar_t) * target.size(), 0);
      FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
      info->ReplaceIfExists = TRUE;
      info->RootDirectory = nullptr;
      info->FileNameLength = static_cast<DWORD>(sizeof(wchar_t) * target.size());
      memcpy(info->FileName, target.data(), sizeof(wchar_t) * target.size());
      moved = SetFileInformationByHandle(written, FileRenameInfo, info,
                                         static_cast<DWORD>(buffer.size())) != 0;
    }
  }
  CloseHandle(written);
  if (!moved) {
    moved = MoveFileExA(job->path.c_str(), job->place.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
  if (!moved) {
    file->place_error_ = base::StringFormat("move:(%s) failed,errno:%lu", job->place.c_str(),
                                            GetLastError());
    DeleteFileA(job->path.c_str());
    return;
  }
  file->placed_ = true;
}
