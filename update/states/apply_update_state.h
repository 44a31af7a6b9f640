// The step of an update pass that turns the downloaded files into installed
// files: patches applied, every patched result checked against its map
// digest, files moved into place, and the pass's local map promoted from its
// temporary map once every file is right.
//
// Launcher pass (0): all in Enter; the running launcher's own executable, the
// browser files ("cef...") and the fonts ("....ttf") stay staged in "update"
// for the self-replacement, listed in "cef_update.txt" and "font_update.txt".
// Game pass (1): batches of at most about a second per tick, each recorded in
// "update\apply_list.txt" so an interrupted pass goes on where it stopped.
//
// A patch that fails, or yields bytes whose digest is not the map's, never
// replaces anything: the file is fetched whole into "update" and applied
// then. A target that already holds the map's digest (a pass cut short after
// its move) is left as it is.
//
// Worker thread only.
#ifndef UPDATE_STATES_APPLY_UPDATE_STATE_H_
#define UPDATE_STATES_APPLY_UPDATE_STATE_H_

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/controller/state.h"
#include "update/versions/file_list.h"
#include "update/versions/version_map.h"

// The game pass spends about this long per tick on files.
constexpr uint32_t kApplyBatchMs = 1000;

class ApplyUpdateState : public State {
 public:
  explicit ApplyUpdateState(int32_t pass) : State(pass) {}

  int32_t GetType() const override { return kApplyUpdateState; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;
  // A file fetched whole after its patch failed.
  void OnDownloadFinished(int code, const std::string& url, const std::string& error) override;

  void ApplyLauncherUpdate();
  void ApplyGameBatch();

  int32_t total = 0;
  std::deque<std::string> pending;
  std::vector<std::string> failed;
  FileList applyList;

 private:
  enum class Outcome {
    kApplied,     // the new file is in place (or staged, for the launcher's own)
    kFailed,      // left for the next pass
    kRefetching,  // the patch gave no right file: fetched whole, applied later
  };

  // Patch step of one file: kApplied when the staged file now holds the
  // map's bytes, or `*in_place` when the target already does.
  Outcome PatchOne(const std::string& path, const VersionMap& patches, bool* in_place);
  Outcome ApplyLauncherFile(const std::string& path);
  Outcome ApplyGameFile(const std::string& path);
  // Queues the whole file of `path` into its staged place.
  void Refetch(const std::string& path);
  void FinishLauncherPass();
  void FinishGamePass();
  // Copies the temporary map over the map (one whole write) and deletes it.
  static bool PromoteMap(const std::wstring& tmp_map, const std::wstring& map);

  std::wstring StagedPath(const std::string& path) const;
  std::wstring TargetPath(const std::string& path) const;
  std::wstring PatchPath(const std::string& path) const;
  const VersionMapEntry* Expected(const std::string& path) const;

  std::wstring gameFolder_;
  bool patching_ = false;
  std::set<std::string> refetching_;        // whole downloads under way
  std::set<std::string> whole_;             // fetched whole: no patch again
  std::deque<std::string> refetched_;       // done, not yet applied
  std::map<std::string, int> patchCodes_;   // why a refetched file's patch failed
  bool reloading_ = false;                  // waiting for the skin reload's continuation

  // Launcher pass.
  std::vector<std::string> cefFiles_;
  std::vector<std::string> fontFiles_;
  std::vector<std::wstring> usedPatches_;
  std::string failureText_;
  bool launcherStaged_ = false;
  bool resourcesReplaced_ = false;
};

// Deletes what writes cut short by a killed launcher left beside the pass's
// own files (its maps, the apply list or the staged lists). Whoever ends a
// pass calls it.
void DeleteInterruptedWritesOfPass(int32_t pass);

#endif  // UPDATE_STATES_APPLY_UPDATE_STATE_H_
