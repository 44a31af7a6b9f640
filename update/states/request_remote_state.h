// Fetches the remote version map of the pass from the download servers and
// keeps it, exactly as received, in the pass's temporary map file.
#ifndef UPDATE_STATES_REQUEST_REMOTE_STATE_H_
#define UPDATE_STATES_REQUEST_REMOTE_STATE_H_

#include <string>

#include "app/controller/state.h"

class RequestRemoteState : public State {
 public:
  explicit RequestRemoteState(int32_t pass) : State(pass) {}

  int32_t GetType() const override { return kRequestRemoteState; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State*) override {}
  void OnRequestFinished(int code, const std::string& url, const char* data, int length,
                         const std::string& error) override;

 private:
  std::string remoteKey_;
  std::wstring tmpMapPath_;
};

// The pass's temporary map file: "tmp_launcher_version_map.txt" in the
// launcher's folder, or "tmp_version_map.txt" in the game folder.
std::wstring TemporaryMapPath(int32_t pass);

#endif  // UPDATE_STATES_REQUEST_REMOTE_STATE_H_
