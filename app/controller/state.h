// State: the base of the update states, the steps of the update engine's
// passes (pass 0 the launcher's own files, pass 1 the game's). The worker's
// tick calls Update on the current state; a state starts its request in
// Enter, hears the download engine's answer through one of its reply
// handlers (routed to it by update/states/state_routing.h), records the
// outcome in `result` and, on a later Update, hands its successor to
// LauncherController::SetState.
//
// The controller's slots own the states; they are made, switched and
// destroyed on the worker thread (kMiscThreadId) only. The concrete states
// live in update/states.
#ifndef APP_CONTROLLER_STATE_H_
#define APP_CONTROLLER_STATE_H_

#include <cstdint>
#include <functional>
#include <string>

// What State::GetType returns.
enum StateType : int32_t {
  kStateBase = 0,
  kPrepareState = 1,
  kRequestRemoteState = 2,
  kCheckVersionState = 3,
  kRequestPatchState = 4,
  kDownloadFilesState = 5,
  kApplyUpdateState = 6,
  kEnterGameState = 7,
  kExceptionState = 8,
  kPreDownloadState = 9,
};

class State {
 public:
  // The player's answer to an error report: 1 for the yes button, 0 for
  // anything else. Runs on the UI thread.
  using ResultCallback = std::function<void(int)>;

  // Making any state clears the controller's errorShown, whether or not the
  // state is ever installed.
  explicit State(int32_t pass);
  State();  // pass 1: the states that only the game pass has
  virtual ~State() = default;

  State(const State&) = delete;
  State& operator=(const State&) = delete;

  virtual int32_t GetType() const { return kStateBase; }
  // Once, after this state became current; `previous` is the state it
  // replaced (still alive), null for the first.
  virtual void Enter(State* previous) = 0;
  // One tick. May end by SetState, which deletes this state: touch nothing
  // of it after that call.
  virtual void Update() = 0;
  // Just before this state is replaced by `next` (null when the slot is
  // emptied).
  virtual void Exit(State* next) = 0;

  // The download engine's answers, routed to the state that asked. `data` is
  // the engine's and valid only during the call.
  virtual void OnDownloadFinished(int code, const std::string& url, const std::string& error);
  virtual void OnRequestFinished(int code, const std::string& url, const char* data, int length,
                                 const std::string& error);
  virtual void OnProbeFinished(int code, const std::string& url, bool exists,
                               const std::string& error);
  virtual void OnSpeed(double speed);

  // "patchs/<version>/<path>": the local game version in the game pass, the
  // launcher version with "." as "_" in the launcher pass.
  std::string BuildPatchUrl(const std::string& path) const;

  // Shows this state's error to the player: tracks it at once, sets
  // errorShown and asks thread 0 for an error box with the two button text
  // ids (an empty id hides its button). `callback` gets the answer on the UI
  // thread, and the close button's answer when the box cannot be shown,
  // since its callers wait for it.
  void ReportError(const std::wstring& no_id, const std::wstring& yes_id,
                   ResultCallback callback);
  // The box's detail: the code (when not 0) and a line feed, the message,
  // and "(url)" when there is a URL.
  std::wstring ErrorDetail() const;

  const int32_t pass;
  int32_t result = 0;  // 0 waiting, > 0 succeeded, < 0 failed
  int32_t errorCode = 0;
  std::string errorMessage;  // UTF-8
  std::string errorUrl;      // UTF-8
};

#endif  // APP_CONTROLLER_STATE_H_
