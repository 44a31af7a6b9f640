// The comparison step of a pass: the local map against the remote one. What
// differs becomes the pass's update map; what an interrupted game update had
// already applied is left out; the skin archive goes when the new launcher
// has none; a game download first asks the drives for room. Then either the
// fetching starts, or, with nothing to fetch, the remote map becomes the
// local one and the pass goes idle.
//
// Made by RequestRemoteState (or a game-pass PrepareState that got the map
// from the directory); worker thread (kMiscThreadId) only, except the
// disk-space continuation, which starts on the UI thread and posts its work
// back.
#ifndef UPDATE_STATES_CHECK_VERSION_STATE_H_
#define UPDATE_STATES_CHECK_VERSION_STATE_H_

#include <memory>
#include <string>
#include <vector>

#include "app/controller/state.h"

class CheckVersionState : public State {
 public:
  explicit CheckVersionState(int32_t pass) : State(pass) {}

  int32_t GetType() const override { return kCheckVersionState; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;

  const std::vector<std::string>& delete_list() const { return delete_list_; }

 private:
  // Leaves out of the update map what "update\apply_list.txt" says was
  // applied already for the same version; a list of another version goes.
  void DropAppliedFiles();
  // Launcher pass: the remote launcher without "resources.zip" removes ours.
  void DropSkinArchive();
  // Files to fetch: the disk-space question (game pass), then the fetching.
  void StartFetching();
  // Nothing to fetch: the remote map becomes the local one, then idle.
  void FinishWithoutFetching();

  std::string local_key_;
  std::string remote_key_;
  std::string update_key_;
  std::wstring tmp_map_path_;
  std::wstring map_path_;
  std::vector<std::string> delete_list_;
};

// The first fetching state of a pass: RequestPatchState when patches are on
// ("PatchOption" above 0) and the version being left is known, else
// DownloadFilesState.
std::unique_ptr<State> MakeFetchingState(int32_t pass, const std::string& version);

// "update\apply_list.txt", the list of an update being applied.
std::string ApplyListPath();

#endif  // UPDATE_STATES_CHECK_VERSION_STATE_H_
