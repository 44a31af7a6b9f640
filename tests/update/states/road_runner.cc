// A process that runs one game pass the way the launcher's engine thread
// does, for the test that kills it mid-download and starts it again:
//   road_runner <launcher folder> <game folder> <gate URL> <piece bytes>
// It ends with exit code 0 when the pass reached the apply step, 1 when it
// stopped elsewhere, 2 on bad arguments. Prints the state it stopped in.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/controller/launcher_controller.h"
#include "app/controller/state.h"
#include "test_support/engine/engine_harness.h"
#include "update/download/download_manager.h"
#include "update/states/prepare_state.h"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const std::string base = argv[1];
  const std::string game = argv[2];
  if (!SetCurrentDirectoryA(base.c_str())) return 2;
  engine_testing::EngineHarness harness;
  LauncherController* controller = harness.controller();
  controller->settings.gamePath.Set(std::wstring(game.begin(), game.end()));
  controller->publicAddress = "127.0.0.1";
  const std::string gate = argv[3];
  const int64_t piece = std::atoll(argv[4]);
  harness.OnWorker([&] {
    DownloadManager::ServerOverrides overrides;
    overrides.gate_urls = {gate};
    DownloadManager* engine = DownloadManager::GetInstance();
    engine->Init(overrides);
    engine->SetPieceSizeForTesting(piece);
    controller->LoadGameVersion();
  });
  harness.pump_engine = true;
  harness.Install(std::make_unique<PrepareState>(1));
  int32_t type = controller->GetSnapshot()->state.type;
  for (int tick = 0; tick < 200000 && type >= kPrepareState && type <= kDownloadFilesState;
       ++tick) {
    harness.Tick();
    type = controller->GetSnapshot()->state.type;
  }
  std::printf("state %d\n", type);
  std::fflush(stdout);
  harness.OnWorker([] { DownloadManager::GetInstance()->Shutdown(); });
  return type == kApplyUpdateState ? 0 : 1;
}
