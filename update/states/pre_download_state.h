// PreDownloadState: fetches the next game version's content in the
// background while the installed game stays playable, so that the update on
// release day only moves files into place.
//
// It lives in the controller's second slot (preDownloadState), beside the
// current state; the tick calls its Update after the current state's. Its
// steps: 1 the region request, 2 the directory request (both for the
// pre-download servers), 3 the next version's map, 4 its patch list, 5 the
// patch-suffix probe, then one download per changed file into the version's
// folder under ".\update\predownload", each file named by the MD5 text of
// what it holds; 6 complete, 7 failed, 0 ended. While the controller's
// resumeRequested is clear a run only checks what there is to fetch.
//
// The state removes itself from the slot when it completes, or when it fails
// without a message; a failure with a message stays (step 0) until the
// player's answer posts StopPreDownload. Transfers it queued are cancelled
// when it fails or leaves the slot early, so no late answer reaches a later
// pre-download.
//
// Worker thread (kMiscThreadId) only; the windows read its step from the
// controller's snapshot.
#ifndef UPDATE_STATES_PRE_DOWNLOAD_STATE_H_
#define UPDATE_STATES_PRE_DOWNLOAD_STATE_H_

#include <cstdint>
#include <string>

#include "app/controller/state.h"

class PreDownloadState : public State {
 public:
  PreDownloadState();

  int32_t GetType() const override { return kPreDownloadState; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;

  void OnDownloadFinished(int code, const std::string& url, const std::string& error) override;
  void OnRequestFinished(int code, const std::string& url, const char* data, int length,
                         const std::string& error) override;
  void OnProbeFinished(int code, const std::string& url, bool exists,
                       const std::string& error) override;
  void OnSpeed(double speed) override;

  // The folder of the version being pre-downloaded, ".\update\predownload\<version>"
  // (no trailing separator); empty until the version is known.
  const std::string& version_folder() const { return versionFolder_; }

  // 0 ended or idle; 1 region request; 2 directory request; 3 remote map;
  // 4 patch list; 5 probe, queuing and downloads; 6 complete; 7 failed.
  int32_t step = 0;
  // Downloads queued and not yet reported successful.
  int32_t pending = 0;
  // The check found files to fetch that this run did not download.
  bool hasFiles = false;

 private:
  void SetStep(int32_t next);
  void IssueRequest();
  void IssueProbe();
  void OnGateReply(const std::string& reply);
  void OnRemoteVersionMap(const std::string& reply);
  void QueueDownloads();
  void CheckFinished();
  // Step 6: tells the windows what there is, then leaves the slot.
  void Complete();
  // Step 7: ends the run, reporting its message when it has one.
  void Fail();
  void FailWith(int32_t code, const std::string& message, const std::string& url);
  // Ends every transfer this state queued that has not reported yet.
  void CancelTransfers();
  // Exit, then the slot is emptied: this object is gone afterwards.
  void LeaveSlot();

  std::string versionFolder_;
  bool transfersQueued_ = false;
};

// The routers handed to the download engine with the pre-download's
// requests and files: each passes its call to the state in the pre-download
// slot, whatever the user value; with the slot empty the call is dropped.
void OnPreDlcFileDone(int type, int code, const std::string& url, const std::string& error);
void OnPreDlcRequestDone(int type, int code, const std::string& url, const char* data, int length,
                         const std::string& error);
void OnPreDlcProbeDone(int type, int code, const std::string& url, bool exists,
                       const std::string& error);
void OnPreDlcSpeed(int type, double speed);

#endif  // UPDATE_STATES_PRE_DOWNLOAD_STATE_H_
