#include "update/states/check_version_state.h"

#include <windows.h>

#include <algorithm>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "update/states/apply_update_state.h"
#include "base/thread/thread_registry.h"
#include "update/states/request_remote_state.h"
#include "update/states/successor_states.h"
#include "update/versions/file_list.h"
#include "update/versions/version_keys.h"
#include "update/versions/version_map.h"

namespace {

const char kSkinArchive[] = "resources.zip";

std::wstring MapPath(int32_t pass) {
  if (pass == 0) return NormalizePathW(GetBaseFolderW(), true) + L"launcher_version_map.txt";
  const std::wstring game = LauncherController::GetInstance()->GetSettings().gamePath.Get();
  return NormalizePathW(game, true) + L"version_map.txt";
}

bool FileExistsW(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string ApplyListPath() {
  std::string folder;
  WideToMultiByte(GetUpdateFolder(), &folder, 0);
  return NormalizePathA(folder, true) + "apply_list.txt";
}

std::unique_ptr<State> MakeFetchingState(int32_t pass, const std::string& version) {
  const bool patches = LauncherController::GetInstance()->patchOption > 0 && !version.empty();
  return MakeStateOfPass(patches ? kRequestPatchState : kDownloadFilesState, pass);
}

void CheckVersionState::Enter(State*) {
  LauncherController* controller = LauncherController::GetInstance();
  controller->NotifyMainWindow(MsgRefreshVersion, 0, 0);
  local_key_ = pass == 0 ? kLocalLauncherVersionKey : kLocalGameVersionKey;
  remote_key_ = pass == 0 ? kRemoteLauncherVersionKey : kRemoteGameVersionKey;
  update_key_ = pass == 0 ? kUpdateLauncherVersionKey : kUpdateGameVersionKey;
  tmp_map_path_ = TemporaryMapPath(pass);
  map_path_ = MapPath(pass);
  delete_list_.clear();
  VersionMap& update = controller->ResetVersionMap(update_key_);
  DiffVersionMaps(&controller->versionMaps[local_key_], controller->versionMaps[remote_key_],
                  &update, &delete_list_);
  controller->NotifyMainWindow(MsgCheckProgress, 0, 100);
  result = 1;
}

void CheckVersionState::Exit(State*) { delete_list_.clear(); }

void CheckVersionState::Update() {
  if (result == 0) return;
  if (pass != 0) {
    DropAppliedFiles();
  } else {
    DropSkinArchive();
  }
  if (!LauncherController::GetInstance()->versionMaps[update_key_].empty()) {
    StartFetching();
  } else {
    FinishWithoutFetching();
  }
}

void CheckVersionState::DropAppliedFiles() {
  LauncherController* controller = LauncherController::GetInstance();
  const std::string path = ApplyListPath();
  FileList applied;
  if (!ReadFileList(path, &applied)) return;
  if (applied.version != controller->remoteGameVersion.Get()) {
    DeleteFileA(path.c_str());
    return;
  }
  VersionMap& update = controller->versionMaps[update_key_];
  for (const std::string& file : applied.files) update.erase(file);
}

void CheckVersionState::DropSkinArchive() {
  auto found = std::find(delete_list_.begin(), delete_list_.end(), kSkinArchive);
  if (found == delete_list_.end()) return;
  delete_list_.erase(found);
  const std::string archive = NormalizePathA(GetBaseFolderA(), true) + kSkinArchive;
  if (GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  DeleteFileA(archive.c_str());
  LauncherController::GetInstance()->resourceReload = -1;
}

void CheckVersionState::StartFetching() {
  LauncherController* controller = LauncherController::GetInstance();
  const std::string version =
      pass != 0 ? controller->localGameVersion.Get() : controller->launcherVersion.Get();
  controller->ResetVersionMap(pass != 0 ? kGamePatchVersionKey : kLauncherPatchVersionKey);
  if (pass != 0) {
    // The answer comes on the UI thread; the work it starts runs here, after
    // the ExceptionState below, which it replaces.
    auto resume = [version](int answer) {
      if (answer == 0) return;
      base::ThreadRegistry::Post(base::kMiscThreadId, [version] {
        LauncherController* controller = LauncherController::GetInstance();
        controller->errorShown = false;
        controller->SetState(MakeFetchingState(1, version));
      });
    };
    if (!controller->CheckUpdateDiskSpace(resume)) {
      // The question is the pass's only message: no retry, nothing shown.
      controller->SetState(MakeFailureSuccessor(*this, /*offer_retry=*/false));
      return;
    }
  }
  controller->SetState(MakeFetchingState(pass, version));
}

void CheckVersionState::FinishWithoutFetching() {
  LauncherController* controller = LauncherController::GetInstance();
  if (FileExistsW(tmp_map_path_)) {
    // The temporary map stays when it cannot be promoted: the next start
    // then finds an unfinished update instead of a map that lost its copy.
    if (CopyFileW(tmp_map_path_.c_str(), map_path_.c_str(), FALSE)) {
      DeleteFileW(tmp_map_path_.c_str());
    }
    if (pass != 0) {
      controller->LoadGameVersion();
      DeleteFileA(ApplyListPath().c_str());
    } else {
      controller->LoadLauncherVersion();
    }
  }
  DeleteInterruptedWritesOfPass(pass);
  if (controller->resourceReload != 0) {
    result = 0;
    controller->ReloadResources([] {
      LauncherController::GetInstance()->SetState(MakeStateOfPass(kEnterGameState, 1));
    });
    return;
  }
  controller->SetState(MakeStateOfPass(kEnterGameState, 1));
}
