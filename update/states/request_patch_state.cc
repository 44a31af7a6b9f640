#include "update/states/request_patch_state.h"

#include "app/controller/launcher_controller.h"
#include "update/download/download_manager.h"
#include "update/states/state_routing.h"
#include "update/states/successor_states.h"
#include "update/versions/version_keys.h"
#include "update/versions/version_map.h"

void RequestPatchState::Enter(State*) {
  LauncherController* controller = LauncherController::GetInstance();
  DownloadManager* engine = DownloadManager::GetInstance();
  patch_key_ = pass == 0 ? kLauncherPatchVersionKey : kGamePatchVersionKey;
  controller->ResetVersionMap(patch_key_);
  result = 0;
  engine->set_active_servers(engine->download_servers());
  engine->DownloadMemory(BuildPatchUrl("patch_list.txt"), "", OnRequestDone, kRequestPatchState);
}

void RequestPatchState::OnRequestFinished(int code, const std::string&, const char* data,
                                          int length, const std::string&) {
  result = -1;
  if (code < 0) return;
  // A list the map checks refuse leaves the patch map empty: whole files.
  const std::string reply = ReplyText(data, length);
  std::string ignored;
  ParseVersionMap(reply, &LauncherController::GetInstance()->versionMaps[patch_key_], &ignored);
  result = 1;
}

void RequestPatchState::Update() {
  if (result == 0) return;
  LauncherController::GetInstance()->SetState(MakeStateOfPass(kDownloadFilesState, pass));
}
