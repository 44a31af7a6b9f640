// FileDigester: computes the MD5 of files as they are downloaded, on a thread
// of its own, so the engine thread goes on receiving while the bytes it wrote
// a moment ago are hashed (hashing is slower than a fast local network).
//
// The engine thread makes one HashedFile per file and hands it work in file
// order: bytes it has just written at the file's frontier (copied into a ring
// of fixed size, allocated once; when it is full the engine leaves them to be
// read back), "read the file back up to here", and finally "finish". A small
// file's bytes may instead come whole with "finish": the digester hashes
// them and, when they are right, writes them beside the file's place and
// moves them there; a file written in place is flushed to the disk once it
// proves right, before its verdict. The digester does a file's work in
// the order given, in batches: work handed over waits for Wake (or for a few
// MiB of copies to gather), since each wake-up is a round trip through the
// system. A finished file, with its digest and verdict, is collected with
// TakeFinished (WaitForFinished waits for one). Abandon drops a file's
// outstanding work and returns only once the digester no longer reads or
// writes its file, so the engine may delete, truncate or reopen it.
//
// Threads: the digester's own thread hashes; every call here comes from the
// thread that owns the digester (the engine thread). Destroying the digester
// stops its thread; work not yet done is dropped.
#ifndef UPDATE_DOWNLOAD_FILE_DIGESTER_H_
#define UPDATE_DOWNLOAD_FILE_DIGESTER_H_

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/util/md5_context.h"

class FileDigester;

// One file's digest in the making.
class HashedFile {
 public:
  HashedFile(const std::string& md5, int64_t size) : md5_(md5), size_(size) {}
  HashedFile(const HashedFile&) = delete;
  HashedFile& operator=(const HashedFile&) = delete;

  int64_t size() const { return size_; }
  // Engine thread: bytes [0, queued()) have been handed to the digester.
  int64_t queued() const { return queued_; }

  // After TakeFinished returned it: whether the file matches its MD5, and
  // the digest it has (empty when the file could not be read); for a right
  // file, whether its bytes are on the disk at their place (flushed, and
  // moved there when they came whole), or why not.
  bool right() const { return right_; }
  const std::string& actual() const { return actual_; }
  bool placed() const { return placed_; }
  const std::string& place_error() const { return place_error_; }

 private:
  friend class FileDigester;

  const std::string md5_;
  const int64_t size_;
  int64_t queued_ = 0;  // engine thread
  std::atomic<bool> abandoned_{false};
  // The digester's thread alone, until the file is finished.
  Md5Context context_;
  int64_t hashed_ = 0;
  bool usable_ = true;  // false once a read failed: the file is read whole at the end
  bool right_ = false;
  std::string actual_;
  bool placed_ = false;
  std::string place_error_;
};

class FileDigester {
 public:
  // Room for copies waiting to be hashed; beyond it bytes are read back
  // from the file instead.
  static constexpr int64_t kDefaultRingBytes = 16 * 1024 * 1024;

  explicit FileDigester(int64_t ring_bytes = kDefaultRingBytes);
  ~FileDigester();
  FileDigester(const FileDigester&) = delete;
  FileDigester& operator=(const FileDigester&) = delete;

  // `length` bytes written at `file`'s frontier (offset == queued()). False
  // when the ring has no room for them: the frontier stays where it is and
  // the bytes are read back later.
  bool Add(const std::shared_ptr<HashedFile>& file, const char* data, int64_t length);
  // The bytes from the frontier up to `until` are in `path`: hash them from there.
  void ReadBack(const std::shared_ptr<HashedFile>& file, const std::string& path, int64_t until);
  // Every byte is written: read what is left from `path` and give the verdict.
  void Finish(const std::shared_ptr<HashedFile>& file, const std::string& path);
  // `bytes` are the whole file (nothing was handed over before): when they
  // are right they are written to `path`, which then replaces `place`.
  void Finish(const std::shared_ptr<HashedFile>& file, const std::string& path,
              std::string bytes, const std::string& place);
  // Lets the thread start on the work handed over since the last wake-up.
  void Wake();
  // Files finished since the last call, in the order they finished.
  std::vector<std::shared_ptr<HashedFile>> TakeFinished();
  // Waits up to `milliseconds` for a finished file to take.
  void WaitForFinished(int milliseconds);
  // Drops the file's outstanding work; waits while the digester reads or
  // writes it.
  void Abandon(const std::shared_ptr<HashedFile>& file);

 private:
  enum JobKind { kBytes, kReadBack, kFinish };
  struct Job {
    JobKind kind;
    std::shared_ptr<HashedFile> file;
    int64_t ring_offset = 0;  // kBytes: where the copy starts in the ring
    int64_t length = 0;       // kBytes: its length (it may wrap)
    std::string path;         // kReadBack, kFinish
    int64_t until = 0;        // kReadBack
    bool whole = false;  // kFinish: `bytes` are the file, to go to `place`
    std::string bytes;
    std::string place;
  };

  void Run();
  void Do(Job* job);
  // Hashes `file`'s bytes [hashed, until) read from `path`.
  void HashFromFile(HashedFile* file, const std::string& path, int64_t until);
  // Writes the right bytes of `job` beside their place and moves them there.
  static void Place(Job* job);
  // The right file of `job`, written in place, goes to the disk.
  static void Flush(Job* job);

  std::mutex lock_;
  std::condition_variable wake_;  // work arrived, or stop
  std::condition_variable idle_;  // a job ended
  std::condition_variable finished_ready_;
  std::deque<Job> jobs_;
  const HashedFile* current_ = nullptr;  // whose job runs now
  // Copies live in the ring from the oldest unhashed one up to ring_head_;
  // they are hashed, and their room freed, in the order they were made.
  // Allocated once: fresh memory would cost a page fault per page, per copy.
  const int64_t ring_bytes_;
  std::unique_ptr<char[]> ring_;
  int64_t ring_head_ = 0;  // the owner's thread
  std::atomic<int64_t> ring_used_{0};
  bool unwoken_ = false;  // work has come since the thread was last woken
  int64_t unwoken_bytes_ = 0;  // copied since the thread was last woken
  bool stop_ = false;
  std::vector<std::shared_ptr<HashedFile>> finished_;
  // finished_ is not empty; read without the lock on every engine pass.
  std::atomic<bool> have_finished_{false};
  std::vector<char> buffer_;  // the digester's thread
  std::thread thread_;
};

#endif  // UPDATE_DOWNLOAD_FILE_DIGESTER_H_
