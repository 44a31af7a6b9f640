// DownloadTask: one piece of a file, fetched with one HTTP range request.
//
// Owned by the DownloadManager from QueueTask until the task ends; it is on
// the waiting or the running list, or waits for its file's verdict. Only the
// engine thread touches it. While it runs it holds a pooled easy handle and
// the open file.
#ifndef UPDATE_DOWNLOAD_DOWNLOAD_TASK_H_
#define UPDATE_DOWNLOAD_DOWNLOAD_TASK_H_

#include <windows.h>

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "update/download/download_manager.h"
#include "update/download/server_failover.h"
#include "update/download/transfer_scheduler.h"

// What becomes of the body of a piece's current reply.
enum ReplyJudgement : int {
  kReplyUnjudged = 0,
  kReplyWrite,    // the range asked for: into the file
  kReplyDiscard,  // an error page: read and dropped
  kReplyRefuse,   // any other success (a range not asked for): ends the transfer
};

struct DownloadTask {
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
  // The file's own copy of the server list, taken when it was queued, and
  // where in it the next attempt goes.
  std::shared_ptr<const std::vector<std::string>> servers;
  ServerFailover failover;
  CURL* handle = nullptr;
  HANDLE file = INVALID_HANDLE_VALUE;
  int32_t user_value = 0;
  uint32_t last_record_tick = 0;
  int32_t piece_index = 0;
  int64_t position = 0;  // next byte to write
  int64_t end = 0;       // last byte of the piece (inclusive)
  int64_t file_size = 0;
  char error_buffer[CURL_ERROR_SIZE] = {};
  DownloadManager::DoneCallback on_done = nullptr;
  DownloadManager::ProgressCallback on_progress = nullptr;

  bool running = false;         // on the running list
  bool transfer_ended = false;  // the library reported the transfer done
  ReplyJudgement reply = kReplyUnjudged;  // of the current reply
  std::string content_range;              // of the current reply
  TransferPace pace;

  bool whole() const { return position > end; }
  // Moves on to the next attempt; false when no server is left.
  bool NextAttempt(int attempts_per_server) {
    return failover.Next(attempts_per_server, servers->size());
  }
};

#endif  // UPDATE_DOWNLOAD_DOWNLOAD_TASK_H_
