// PROVISIONAL: the part of the update states' base class that the controller
// and the worker's tick use, until the update states are in the tree. Replace
// the include of this file by update/states/state.h then, and delete it.
//
// State: base of the update states. The controller's slots own them; they are
// made, switched and destroyed on the worker thread only.
#ifndef APP_CONTROLLER_PROVISIONAL_STATE_H_
#define APP_CONTROLLER_PROVISIONAL_STATE_H_

#include <cstdint>
#include <string>

class State {
 public:
  // Pass 0 updates the launcher's files, pass 1 the game's. Making any state
  // clears the controller's errorShown.
  explicit State(int32_t pass);
  State();  // pass 1
  virtual ~State() = default;

  State(const State&) = delete;
  State& operator=(const State&) = delete;

  virtual int32_t GetType() const { return 0; }
  virtual void Enter(State* previous) = 0;
  virtual void Update() = 0;
  virtual void Exit(State* next) = 0;

  const int32_t pass;
  int32_t result = 0;
  int32_t errorCode = 0;
  std::string errorMessage;
  std::string errorUrl;
};

#endif  // APP_CONTROLLER_PROVISIONAL_STATE_H_
