// The fetching step of a pass: for each file of the update map, a patch
// (when the servers hold one from the version being left) or the whole
// file; files a pre-download of the new game version already holds are
// taken from it; the rest are queued to the download engine into the
// staging folder "update". When every job has ended well the pass goes on
// to apply; a job that fails for good ends the pass.
//
// The game pass first probes how the servers name patches (PatchSuffixMode).
//
// Made by CheckVersionState, RequestPatchState or the disk-space
// continuation, and current for the whole transfer. Worker thread
// (kMiscThreadId) only: the engine's answers come from its Pump.
#ifndef UPDATE_STATES_DOWNLOAD_FILES_STATE_H_
#define UPDATE_STATES_DOWNLOAD_FILES_STATE_H_

#include <cstdint>
#include <string>

#include "app/controller/state.h"

class DownloadFilesState : public State {
 public:
  explicit DownloadFilesState(int32_t pass) : State(pass) {}

  int32_t GetType() const override { return kDownloadFilesState; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;
  void OnDownloadFinished(int code, const std::string& url, const std::string& error) override;
  void OnProbeFinished(int code, const std::string& url, bool exists,
                       const std::string& error) override;

  // Queues a job per file still to fetch; counts them.
  void QueueDownloads();

  int32_t queued() const { return queued_; }
  int32_t done() const { return done_; }

 private:
  // The error of a probe that never answered (no server, or shutting down).
  void FailUnansweredProbe(const std::string& url);
  // Tells the player that the pre-download of the new version had not
  // finished; the queuing does not wait for the answer.
  void NoteUnfinishedPreDownload();

  int32_t queued_ = 0;
  int32_t done_ = 0;
  bool probe_answered_ = false;
};

// The staging folder, ".\update", and a staged file's path in it.
std::string StagingFolder();
std::string StagedFilePath(const std::string& name);

// The pre-download folder of the version `version`: ".\update\predownload\"
// and the version; "" when the version is not a version text.
std::string PreDownloadFolderOf(const std::string& version);

// Cuts a staged file that is longer than `size` down to it: the engine then
// resumes or checks it rather than fetching it again, and no tail of an
// older file outlives the new one. False when it could not be cut (the
// engine then fetches it anew).
bool TrimStagedFile(const std::string& path, int64_t size);

#endif  // UPDATE_STATES_DOWNLOAD_FILES_STATE_H_
