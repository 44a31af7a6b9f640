// PROVISIONAL: stands in for the update states' base constructors until
// update/states is in the tree; delete this file then.

#include "app/controller/provisional_state.h"

#include "app/controller/launcher_controller.h"

State::State(int32_t pass) : pass(pass) { LauncherController::GetInstance()->errorShown = false; }

State::State() : State(1) {}
