// DownloadTask: one piece of a file, fetched with one HTTP range request.
//
// Owned by the DownloadManager, which keeps it on its waiting or running
// list from QueueTask until FinishTask frees it; only the engine thread
// touches it. While it runs it holds a pooled easy handle and the open file.
#ifndef UPDATE_DOWNLOAD_DOWNLOAD_TASK_H_
#define UPDATE_DOWNLOAD_DOWNLOAD_TASK_H_

#include <windows.h>

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "update/download/download_manager.h"
#include "update/download/file_digester.h"

// What becomes of the body of a piece's current reply.
enum ReplyJudgement {
  kReplyUnjudged = 0,
  kReplyWrite,    // the range asked for: into the file
  kReplyDiscard,  // an error page: read and dropped
  kReplyRefuse,   // any other success (a range not asked for): ends the transfer
};

struct DownloadTask {
  DownloadTask() { InitializeCriticalSectionAndSpinCount(&lock, 2000); }
  ~DownloadTask() { DeleteCriticalSection(&lock); }
  DownloadTask(const DownloadTask&) = delete;
  DownloadTask& operator=(const DownloadTask&) = delete;

  DownloadManager* manager = nullptr;
  std::string path;       // on the download servers (relative)
  std::string file_path;  // the local file
  // Where the bytes go: the file itself, or, for a small file fetched whole
  // (`staged`), a file beside it that replaces it once its digest is right.
  std::string write_path;
  bool staged = false;
  // A staged file's bytes so far, [0, position): they reach the disk only
  // once they proved right, written by the digester.
  std::string body;
  std::string md5;        // of the whole file; empty: no check, no record
  // The file's own copy of the server list, taken when it was queued.
  std::shared_ptr<const std::vector<std::string>> servers;
  CURL* handle = nullptr;
  HANDLE file = INVALID_HANDLE_VALUE;
  int32_t attempt = 0;       // failed attempts on the current server
  int32_t server_index = 0;  // into `servers`
  int32_t user_value = 0;
  uint32_t last_flush_tick = 0;
  int32_t piece_index = 0;
  int64_t position = 0;  // next byte to write
  int64_t end = 0;       // last byte of the piece (inclusive)
  int64_t file_size = 0;
  char error_buffer[CURL_ERROR_SIZE] = {};
  CRITICAL_SECTION lock;  // held while the resume record is written
  DownloadManager::DoneCallback on_done = nullptr;
  DownloadManager::ProgressCallback on_progress = nullptr;

  bool running = false;  // on the running list
  bool transfer_ended = false;  // the library reported the transfer done
  int reply = kReplyUnjudged;  // ReplyJudgement of the current reply

  // Receive limit, bytes per second (0 none), and its budget: bytes may be
  // taken while `tokens` is above 0; the transfer is held (paused) otherwise.
  int64_t limit = 0;
  double tokens = 0;
  double tokens_time = 0;  // seconds, when the budget was last topped up
  bool throttled = false;  // held by the limit (not by the player's pause)
  std::string content_range;  // of the current reply
};

// A file's digest while its pieces arrive: bytes [0, hash->queued()) have
// been handed to the digester. Bytes before a piece's position are final, so
// that frontier only moves on.
struct FileDigest {
  std::shared_ptr<HashedFile> hash;
  int64_t size = 0;
  std::vector<DownloadTask*> tasks;  // the file's unfinished pieces
};

#endif  // UPDATE_DOWNLOAD_DOWNLOAD_TASK_H_
