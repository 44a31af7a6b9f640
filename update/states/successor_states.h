// How the states of a pass make their successors, in one place.
//
// PendingState stands in for a type no state is built for, doing nothing and
// staying current, so a pass that reaches one stops there visibly (the
// controller's current state shows its type and pass); every state of the
// passes is built now, so only an unknown type gets one.
#ifndef UPDATE_STATES_SUCCESSOR_STATES_H_
#define UPDATE_STATES_SUCCESSOR_STATES_H_

#include <memory>
#include <string>

#include "app/controller/state.h"
#include "update/versions/version_map.h"

// A new state of `type` for `pass`. EnterGameState, ExceptionState and
// PreDownloadState belong to no pass of their own and always carry pass 1.
std::unique_ptr<State> MakeStateOfPass(int32_t type, int32_t pass);

// What follows a failed step: pass 0 goes to EnterGameState; pass 1 to an
// ExceptionState carrying the failure's code, message and URL, offering a
// retry unless `offer_retry` is false.
std::unique_ptr<State> MakeFailureSuccessor(const State& failed, bool offer_retry = true);

// Records a failed step on `state`: result -1 and the code, message and URL
// that MakeFailureSuccessor carries on.
void RecordFailure(State* state, int code, const std::string& message, const std::string& url);

// A remote game map has been taken (from the download servers or the
// directory's "CDN"): remoteGameVersion := its version (game pass), and
// downloadingVersion := the version `text` names.
void NoteRemoteMapVersions(int32_t pass, const VersionMap& remote, const std::string& text);

// Keeps the remote map's copy at `path`, the map the apply step promotes.
// A first install has no game folder yet: it is made here. False when the
// copy cannot be written.
bool StoreRemoteMapCopy(const std::wstring& path, const std::string& text);

// Stand-in for a state of a type nothing is built for.
class PendingState : public State {
 public:
  PendingState(int32_t type, int32_t pass) : State(pass), type_(type) {}

  int32_t GetType() const override { return type_; }
  void Enter(State*) override {}
  void Update() override {}
  void Exit(State*) override {}

 private:
  const int32_t type_;
};

#endif  // UPDATE_STATES_SUCCESSOR_STATES_H_
