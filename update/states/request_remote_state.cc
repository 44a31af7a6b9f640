#include "update/states/request_remote_state.h"

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "update/download/download_manager.h"
#include "update/states/state_routing.h"
#include "update/states/successor_states.h"
#include "update/versions/version_map.h"

namespace {
constexpr int kRemoteUserValue = 2;
}  // namespace

std::wstring TemporaryMapPath(int32_t pass) {
  if (pass == 0) return NormalizePathW(GetBaseFolderW(), true) + L"tmp_launcher_version_map.txt";
  const std::wstring game = LauncherController::GetInstance()->GetSettings().gamePath.Get();
  return NormalizePathW(game, true) + L"tmp_version_map.txt";
}

void RequestRemoteState::Enter(State*) {
  LauncherController* controller = LauncherController::GetInstance();
  DownloadManager* engine = DownloadManager::GetInstance();
  controller->NotifyMainWindow(MsgRefreshVersion, 0, 0);
  remoteKey_ = pass == 0 ? "_remote_launcher_version_" : "_remote_game_version_";
  tmpMapPath_ = TemporaryMapPath(pass);
  result = 0;
  engine->set_active_servers(engine->download_servers());
  engine->DownloadMemory(pass == 0 ? "launcher_version_map.txt" : "version_map.txt", "",
                         OnRequestDone, kRemoteUserValue);
  controller->NotifyMainWindow(MsgCheckProgress, 0, 95);
}

void RequestRemoteState::OnRequestFinished(int code, const std::string& url, const char* data,
                                           int length, const std::string& error) {
  LauncherController* controller = LauncherController::GetInstance();
  result = -1;
  if (code < 0) {
    RecordFailure(this, code, "Request Failed:" + error, url);
    return;
  }
  const std::string reply = ReplyText(data, length);
  VersionMap& remote = controller->ResetVersionMap(remoteKey_);
  std::string parse_error;
  if (!ParseVersionMap(reply, &remote, &parse_error)) {
    errorMessage = "Load Failed:" + parse_error;
    errorUrl = reply;
    return;
  }
  if (!StoreRemoteMapCopy(tmpMapPath_, reply)) {
    std::string path;
    WideToUtf8(tmpMapPath_, &path);
    RecordFailure(this, -1, "Write Failed:", path);
    return;
  }
  // The version is read back from the stored copy; a failed read-back leaves
  // downloadingVersion as it was.
  std::string stored;
  if (!ReadFileTextW(tmpMapPath_, &stored)) stored.clear();
  NoteRemoteMapVersions(pass, remote, stored);
  result = 1;
}

void RequestRemoteState::Update() {
  if (result == 0) return;
  LauncherController* controller = LauncherController::GetInstance();
  controller->SetState(result > 0 ? MakeStateOfPass(kCheckVersionState, pass)
                                  : MakeFailureSuccessor(*this));
}
