// Fetches the patch list of the version being left: the patches the servers
// hold from it to the new version. Its failure is no failure: every changed
// file is then fetched whole. Always followed by DownloadFilesState.
//
// Made by CheckVersionState or the disk-space continuation; worker thread
// (kMiscThreadId) only.
#ifndef UPDATE_STATES_REQUEST_PATCH_STATE_H_
#define UPDATE_STATES_REQUEST_PATCH_STATE_H_

#include <string>

#include "app/controller/state.h"

class RequestPatchState : public State {
 public:
  explicit RequestPatchState(int32_t pass) : State(pass) {}

  int32_t GetType() const override { return kRequestPatchState; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State*) override {}
  void OnRequestFinished(int code, const std::string& url, const char* data, int length,
                         const std::string& error) override;

 private:
  std::string patch_key_;
};

#endif  // UPDATE_STATES_REQUEST_PATCH_STATE_H_
