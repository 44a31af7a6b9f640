// FileAssembly: how the download engine puts a file together from its
// pieces: what each piece's transfer writes (into the file, or, for a small
// staged file, into memory), the pieces still missing and their resume
// record, and the file's digest, fed as the bytes arrive (the digest's
// frontier) and judged by the FileDigester once every piece is in.
//
// The engine owns the tasks; this keeps plain pointers to those of files
// with a digest, and to the last pieces waiting for their file's verdict.
// Engine thread only.
#ifndef UPDATE_DOWNLOAD_FILE_ASSEMBLY_H_
#define UPDATE_DOWNLOAD_FILE_ASSEMBLY_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "update/download/download_trace.h"
#include "update/download/file_digester.h"
#include "update/download/resume_info.h"

struct DownloadTask;

class FileAssembly {
 public:
  // A file whose check has ended: its last piece, and the digest's verdict.
  struct Verdict {
    DownloadTask* task = nullptr;
    std::shared_ptr<HashedFile> hash;
  };

  explicit FileAssembly(const DownloadTrace* trace) : trace_(trace) {}
  FileAssembly(const FileAssembly&) = delete;
  FileAssembly& operator=(const FileAssembly&) = delete;

  // --- Pieces and records ------------------------------------------------
  // The task's piece is one its file still misses.
  void Track(const DownloadTask* task);
  // The task's piece is in (or dropped); the number its file still misses.
  size_t Untrack(const DownloadTask* task);
  // The file's record as it stands, written in place: nothing is downloaded
  // yet, so a torn record would cost nothing.
  void SaveFirstRecord(const std::string& file_path, const std::string& md5);

  // --- The digest --------------------------------------------------------
  // A fresh digest for the file (Forget its old one first).
  void StartDigest(const std::string& file_path, const std::string& md5, int64_t size);
  // Forgets the file's pieces and digest (once the digester is done with it).
  void Forget(const std::string& file_path);
  // Forgets every file.
  void Clear();
  // Forgets every file and stops the digester's thread (at shut-down).
  void Stop();
  // The task is one of its file's pieces (when the file has a digest).
  void Join(DownloadTask* task);
  // The task ends: a file without pieces left forgets its digest.
  void Leave(DownloadTask* task);

  // --- Bytes -------------------------------------------------------------
  // `length` bytes of the task's reply at its position: written (or kept,
  // staged), handed to the digest, and the record rewritten when due. The
  // bytes that got in; fewer than `length` when a write failed.
  int64_t Write(DownloadTask* task, const char* data, int64_t length, uint32_t tick);

  // --- Verdicts ----------------------------------------------------------
  // Every piece of the task's file is in: the digester checks the file (and
  // puts a staged one in place), and the task waits for the verdict.
  void Verify(DownloadTask* task);
  std::vector<Verdict> TakeVerdicts();
  // The tasks waiting for a verdict, taken away (to be cancelled).
  std::vector<DownloadTask*> TakeVerifying();
  size_t verifying_count() const { return verifying_.size(); }
  // Waits up to `milliseconds` for a verdict.
  void WaitForVerdict(int milliseconds);
  // The digester starts on the work handed over in this tick.
  void Wake();

 private:
  // A file's digest while its pieces arrive: bytes [0, hash->queued()) have
  // been handed to the digester. Bytes before a piece's position are final,
  // so that frontier only moves on.
  struct FileDigest {
    std::shared_ptr<HashedFile> hash;
    FileDigester* digester = nullptr;  // does all of the file's work, in order
    int64_t size = 0;
    std::vector<DownloadTask*> tasks;  // the file's unfinished pieces
  };

  // Hands the digester the file's bytes from the digest's frontier up to the
  // first byte not yet written (to be read back from the file).
  void AdvanceDigest(const std::string& write_path, FileDigest* digest);
  // After `written` bytes reached the file at `offset` from `data`.
  void DigestWritten(DownloadTask* task, int64_t offset, const char* data, int64_t written);
  // Writes to the task's open file; the bytes written.
  int64_t WriteToFile(DownloadTask* task, const char* data, int64_t length, bool* ok);
  void SaveRecord(DownloadTask* task);
  void ForgetDigest(const std::string& file_path);
  // The digester for a new file: files take turns over a few, each with a
  // thread of its own, so that several files are hashed (and small ones put
  // in place) at once.
  FileDigester* NextDigester();

  const DownloadTrace* trace_;
  // File path -> the file's unfinished pieces.
  std::map<std::string, std::vector<PieceInfo>> pieces_;
  // File path -> the digest of the file's bytes, kept as the pieces arrive,
  // so a finished file need not be read again whole.
  std::map<std::string, std::unique_ptr<FileDigest>> digests_;
  // Made as files come to need them.
  std::vector<std::unique_ptr<FileDigester>> digesters_;
  size_t next_digester_ = 0;
  // Last pieces of files whose digest is being checked (no transfer).
  std::vector<DownloadTask*> verifying_;
};

#endif  // UPDATE_DOWNLOAD_FILE_ASSEMBLY_H_
