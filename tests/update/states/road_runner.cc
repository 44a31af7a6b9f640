// road_runner: one game pass of the update engine in a process of its own,
// for the tests and scripts that kill it at random moments. It runs the
// launcher's two threads (the engine harness), the real download engine
// against a publisher, and ticks the worker every 2 ms as the launcher does,
// from PrepareState until the pass ends.
//
//   road_runner.exe LAUNCHER_FOLDER GAME_FOLDER GATE_URL PIECE [SPEED]
//
// PIECE is the download engine's piece size in bytes (0: its own). Without
// SPEED the pass stops where the fetching ends: it prints "state N" for the
// state it stopped in and exits 0 when that is the apply step, 1 otherwise.
// With SPEED (the game download's speed limit as the settings give it, 0
// unlimited) it runs to its end: apply batches hold one file each, so a pass
// spends a few ticks applying; it prints "state N" whenever the current state
// changes, then "idle" (exit 0) or "failed MESSAGE URL" (exit 1). 2: bad
// arguments.
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
  if (argc != 5 && argc != 6) {
    Say("usage: road_runner LAUNCHER_FOLDER GAME_FOLDER GATE_URL PIECE [SPEED]");
    return 2;
  }
  const std::string launcher = argv[1];
  const std::string game = argv[2];
  const std::string gate = argv[3];
  const int64_t piece = std::atoll(argv[4]);
  const bool to_the_end = argc == 6;
  const int32_t speed = to_the_end ? std::atoi(argv[5]) : 0;
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
      if (piece > 0) engine->SetPieceSizeForTesting(piece);
      if (speed > 0) engine->ApplySpeedLimit(0, SpeedSetting{true, speed});
      controller->LoadGameVersion();
    });
    harness.Install(std::make_unique<PrepareState>(1));
    int32_t shown = -1;
    for (int tick = 0; !to_the_end; ++tick) {
      const int32_t type = controller->GetSnapshot()->state.type;
      if (tick < 200000 && type >= kPrepareState && type <= kDownloadFilesState) {
        harness.Tick();
        continue;
      }
      Say("state " + std::to_string(type));
      exit_code = type == kApplyUpdateState ? 0 : 1;
      break;
    }
    while (to_the_end) {
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
