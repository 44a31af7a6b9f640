// crash_runner: one game pass of the update engine in a process of its own,
// for the tests and scripts that kill it at random moments. It runs the
// launcher's two threads (the engine harness), the real download engine
// against a publisher, and ticks the worker every 2 ms as the launcher does,
// from PrepareState until the pass ends.
//
//   crash_runner.exe LAUNCHER_FOLDER GAME_FOLDER GATE_URL [SPEED]
//
// SPEED is the game download's speed limit as the settings give it (0 or
// none: unlimited). Apply batches hold one file each, so a pass spends a few
// ticks applying. Prints "state N" whenever the current state changes, then
// "idle" (exit 0) or "failed MESSAGE URL" (exit 1).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "test_support/engine/engine_harness.h"
#include "update/download/download_manager.h"
#include "update/states/prepare_state.h"
#include "update/states/state_clock.h"

namespace {

int64_t g_clock = 0;
// Every reading is 600 ms later: one file per apply batch.
int64_t SteppingClock() { return g_clock += 600; }

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    Say("usage: crash_runner LAUNCHER_FOLDER GAME_FOLDER GATE_URL [SPEED]");
    return 2;
  }
  const std::string launcher = argv[1];
  const std::string game = argv[2];
  const std::string gate = argv[3];
  const int32_t speed = argc > 4 ? std::atoi(argv[4]) : 0;
  if (!SetCurrentDirectoryA(launcher.c_str())) return 2;
  CreateDirectoriesW(GetUpdateFolder());
  CreateDirectoriesW(GetExceptionFolder());
  CreateDirectoriesW(GetSaveFolderW());
  SetStateClockForTesting(&SteppingClock);

  int exit_code = 1;
  {
    engine_testing::EngineHarness harness;
    LauncherController* controller = harness.controller();
    controller->settings.gamePath.Set(std::wstring(game.begin(), game.end()));
    controller->publicAddress = "127.0.0.1";
    controller->autoEnterGame = false;
    harness.pump_engine = true;
    harness.OnWorker([&] {
      DownloadManager::ServerOverrides overrides;
      overrides.gate_urls = {gate};
      DownloadManager* engine = DownloadManager::GetInstance();
      engine->Init(overrides);
      if (speed > 0) engine->ApplySpeedLimit(0, SpeedSetting{true, speed});
      controller->LoadGameVersion();
    });
    harness.Install(std::make_unique<PrepareState>(1));
    int32_t shown = -1;
    for (;;) {
      const int32_t type = controller->GetSnapshot()->state.type;
      if (type != shown) {
        Say("state " + std::to_string(type));
        shown = type;
      }
      if (type == kEnterGameState) {
        Say("idle");
        exit_code = 0;
        break;
      }
      if (type == kExceptionState || type < 0) {
        std::string message, url;
        harness.OnWorker([&] {
          if (!controller->currentState) return;
          message = controller->currentState->errorMessage;
          url = controller->currentState->errorUrl;
        });
        Say("failed " + message + " " + url);
        break;
      }
      harness.Tick();
      Sleep(2);
    }
    harness.OnWorker([] { DownloadManager::GetInstance()->Shutdown(); });
  }
  return exit_code;
}
