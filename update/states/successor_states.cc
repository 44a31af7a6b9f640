#include "update/states/successor_states.h"

#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "json/json.h"
#include "update/states/apply_update_state.h"
#include "update/states/check_version_state.h"
#include "update/states/download_files_state.h"
#include "update/states/enter_game_state.h"
#include "update/states/pre_download_state.h"
#include "update/states/prepare_state.h"
#include "update/states/request_patch_state.h"
#include "update/states/request_remote_state.h"

std::unique_ptr<State> MakeStateOfPass(int32_t type, int32_t pass) {
  switch (type) {
    case kPrepareState:
      return std::make_unique<PrepareState>(pass);
    case kRequestRemoteState:
      return std::make_unique<RequestRemoteState>(pass);
    case kCheckVersionState:
      return std::make_unique<CheckVersionState>(pass);
    case kRequestPatchState:
      return std::make_unique<RequestPatchState>(pass);
    case kDownloadFilesState:
      return std::make_unique<DownloadFilesState>(pass);
    case kApplyUpdateState:
      return std::make_unique<ApplyUpdateState>(pass);
    case kEnterGameState:
      return std::make_unique<EnterGameState>();
    case kExceptionState:
      return std::make_unique<ExceptionState>(0, "", "", true);
    case kPreDownloadState:
      return std::make_unique<PreDownloadState>();
    default:
      return std::make_unique<PendingState>(type, pass);
  }
}

std::unique_ptr<State> MakeFailureSuccessor(const State& failed, bool offer_retry) {
  if (failed.pass == 0) return MakeStateOfPass(kEnterGameState, 0);
  return std::make_unique<ExceptionState>(failed.errorCode, failed.errorMessage, failed.errorUrl,
                                          offer_retry);
}

void RecordFailure(State* state, int code, const std::string& message, const std::string& url) {
  state->result = -1;
  state->errorCode = code;
  state->errorMessage = message;
  state->errorUrl = url;
}

bool StoreRemoteMapCopy(const std::wstring& path, const std::string& text) {
  std::wstring folder, file;
  if (SplitPathW(path, &folder, &file)) CreateDirectoriesW(folder);
  return WriteFileTextW(path, text);
}

void NoteRemoteMapVersions(int32_t pass, const VersionMap& remote, const std::string& text) {
  LauncherController* controller = LauncherController::GetInstance();
  if (pass != 0) controller->remoteGameVersion.Set(GetMapVersion(remote));
  Json::Value root;
  std::string error;
  if (!ParseJson(text, &root, &error) || !root.isObject() || !root.isMember("version")) return;
  const Json::Value& version = root["version"];
  if (version.isString()) {
    controller->downloadingVersion.Set(version.asString());
  } else if (version.isObject() && version["md5"].isString()) {
    controller->downloadingVersion.Set(version["md5"].asString());
  }
}
