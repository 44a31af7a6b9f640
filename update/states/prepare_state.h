// The first state of every pass: stops a pre-download, makes sure the local
// version map of the pass is in hand (read, or computed by hashing the
// installed files) and asks the directory endpoint for the servers and
// options. Launcher pass failures end quietly in the game's idle state; game
// pass failures reach the player.
#ifndef UPDATE_STATES_PREPARE_STATE_H_
#define UPDATE_STATES_PREPARE_STATE_H_

#include <deque>
#include <string>

#include "app/controller/state.h"

class PrepareState : public State {
 public:
  explicit PrepareState(int32_t pass);

  int32_t GetType() const override { return kPrepareState; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;
  void OnRequestFinished(int code, const std::string& url, const char* data, int length,
                         const std::string& error) override;

  int32_t total() const { return total_; }
  bool remote_map_received() const { return remoteMapReceived_; }

 private:
  void PrepareLauncher();
  void PrepareGame();
  void OnLauncherGateReply(int code, const char* data, int length);
  void OnGameGateReply(int code, const std::string& url, const char* data, int length,
                       const std::string& error);
  // The error URL of a game-pass reply: the reply itself, or a note naming
  // exception\response.txt when it is longer than 128 bytes.
  void SetReplyAsUrl(const std::string& reply);

  std::string localKey_;
  std::string remoteKey_;
  std::wstring localMapPath_;
  std::wstring tmpMapPath_;
  std::string baseFolder_;
  bool remoteMapReceived_ = false;
  int32_t total_ = 0;
  std::deque<std::string> hashQueue_;
};

// The callback of the public-address request (the user value is unused).
void OnPublicIpReply(int user_value, int code, const std::string& url, const char* data,
                     int length, const std::string& error);

// The host's first IPv4 address as dotted text, or "".
std::string GetLocalIpAddress();

// The progress value of a hash queue with `remaining` of `total` left:
// (1 - remaining / total) x 90 in single precision, truncated.
int32_t HashProgress(size_t remaining, int32_t total);

#endif  // UPDATE_STATES_PREPARE_STATE_H_
