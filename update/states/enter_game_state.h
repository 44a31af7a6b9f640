// The idle state that ends every update pass but a failed game pass, and the
// state that ends a failed game pass.
//
// EnterGameState, when it begins, either asks the player to restart the
// launcher (a launcher pass staged its executable, browser files or fonts) or,
// when the pass was started to play, starts the game. While current it keeps
// three clocks: the activity page's refresh, the launcher's update re-check
// and the probe for a newer game version and its pre-download; on idle ticks
// it sends one queued tracking report.
//
// ExceptionState marks the error as shown and, when it may be retried, shows
// it with a retry button that starts the game pass again.
//
// Both carry pass 1 and run on the worker thread; the answers to their
// questions run on the UI thread.
#ifndef UPDATE_STATES_ENTER_GAME_STATE_H_
#define UPDATE_STATES_ENTER_GAME_STATE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "app/controller/state.h"

class EnterGameState : public State {
 public:
  EnterGameState() = default;

  int32_t GetType() const override { return kEnterGameState; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State*) override {}
  // The probe's replies.
  void OnRequestFinished(int code, const std::string& url, const char* data, int length,
                         const std::string& error) override;

  // The answers to the restart question (UI thread): the plain one acts on
  // yes only, the forced one on any answer.
  static void OnRestartAnswer(int answer);
  static void OnForcedRestartAnswer(int answer);

  int32_t refreshPeriod = 0;
  int32_t updatePeriod = 0;
  int32_t probePeriod = 0;
  int32_t probeStep = 0;  // 0 none, 1 to 5 the probe's step
  std::vector<std::string> dlcAddresses;
  std::vector<std::string> preDlcAddresses;

 private:
  // The game start of a pass started to play; false when it cannot start.
  void EnterGame();

  // The pre-download probe (enter_game_probe.cc).
  void StartProbe();
  void OnPreDownloadInfo(const std::string& reply);
  void OnRemoteGameVersion(const std::string& reply);
  void OnPreDownloadVersionMap(const std::string& reply);
  void OnPreDownloadPatchList(const std::string& reply);
  void SummarizePreDownload();
};

// The three idle clocks outlive the states. For tests: all back to 0, as at
// process start.
void ResetIdleClocksForTesting();

class ExceptionState : public State {
 public:
  ExceptionState(int32_t error_code, const std::string& message, const std::string& url,
                 bool retryable);

  int32_t GetType() const override { return kExceptionState; }
  void Enter(State* previous) override;
  void Update() override {}
  void Exit(State*) override {}

  const bool retryable;
};

#endif  // UPDATE_STATES_ENTER_GAME_STATE_H_
