#include "update/states/download_files_state.h"

#include <windows.h>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "update/download/download_manager.h"
#include "update/states/patch_suffix_mode.h"
#include "update/states/pre_download_takeover.h"
#include "update/states/state_routing.h"
#include "update/states/successor_states.h"
#include "update/versions/version_keys.h"
#include "update/versions/version_map.h"

namespace {

const char kSuffixProbeFile[] = "TOLM.exe.patch";

// What one file of the update map is fetched as.
struct FetchJob {
  std::string name;          // below the staging folder
  std::string request_path;  // below a download server
  VersionMapEntry entry;     // the fetched bytes' digest and size
};

FetchJob MakeJob(const State& state, const std::string& path, const VersionMapEntry& entry,
                 const VersionMap* patches) {
  FetchJob job{path, path, entry};
  if (patches != nullptr) {
    auto patch = patches->find(path);
    if (patch != patches->end()) {
      job.name = path + PatchSuffix();
      job.request_path = state.BuildPatchUrl(job.name);
      job.entry = patch->second;
    }
  }
  return job;
}

int64_t FileLength(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return -1;
  }
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

std::string StagingFolder() {
  std::string folder;
  WideToMultiByte(GetUpdateFolder(), &folder, 0);
  return folder;
}

std::string StagedFilePath(const std::string& name) {
  return NormalizePathA(NormalizePathA(StagingFolder(), true) + name, false);
}

std::string PreDownloadFolderOf(const std::string& version) {
  if (!IsSafeVersionText(version)) return "";
  return NormalizePathA(GetPreDownloadFolder(), true) + version;
}

bool TrimStagedFile(const std::string& path, int64_t size) {
  if (FileLength(path) <= size) return true;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER end;
  end.QuadPart = size;
  const bool cut = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  return cut;
}

void DownloadFilesState::Enter(State*) {
  if (pass == 0) {
    QueueDownloads();
    return;
  }
  DownloadManager* engine = DownloadManager::GetInstance();
  engine->set_active_servers(engine->download_servers());
  probe_answered_ = false;
  const std::string path = BuildPatchUrl(kSuffixProbeFile);
  engine->ProbeUrl(path, "", OnProbeDone, kDownloadFilesState);
  // Without an answer nothing was queued: the pass must not go on to apply.
  if (!probe_answered_) FailUnansweredProbe(path);
}

void DownloadFilesState::FailUnansweredProbe(const std::string& url) {
  RecordFailure(this, kRequestNoServers,
                DownloadManager::GetInstance()->active_servers().empty() ? "ProbeUrl URL is empty"
                                                                          : "ProbeUrl got no answer",
                url);
}

void DownloadFilesState::OnProbeFinished(int code, const std::string& url, bool exists,
                                         const std::string& error) {
  probe_answered_ = true;
  if (code < 0) {
    RecordFailure(this, code, error, url);
    return;
  }
  PatchSuffixMode = exists ? 0 : 1;
  QueueDownloads();
}

void DownloadFilesState::NoteUnfinishedPreDownload() {
  LauncherController* controller = LauncherController::GetInstance();
  controller->ShowMessageBox(
      nullptr, L"STRING_ERROR_NOTICE", L"STRING_ERROR_DLC_CLOSE", L"", L"STRING_CONFIRM",
      [controller](int) { controller->NotifyMainWindow(MsgPreDlcPage, 0, 0); }, false);
}

void DownloadFilesState::QueueDownloads() {
  LauncherController* controller = LauncherController::GetInstance();
  DownloadManager* engine = DownloadManager::GetInstance();
  controller->NotifyMainWindow(MsgRefreshVersion, 0, 0);
  const VersionMap& update =
      controller->versionMaps[pass == 0 ? kUpdateLauncherVersionKey : kUpdateGameVersionKey];
  const VersionMap& patches =
      controller->versionMaps[pass == 0 ? kLauncherPatchVersionKey : kGamePatchVersionKey];
  result = 0;
  engine->set_active_servers(engine->download_servers());
  engine->CancelAll(kDownloadModeGame);

  std::string cache_folder;
  if (pass != 0) {
    cache_folder = PreDownloadFolderOf(controller->remoteGameVersion.Get());
    if (!cache_folder.empty() && !IsDirectoryA(cache_folder)) cache_folder.clear();
    if (!cache_folder.empty() &&
        GetFileAttributesA((cache_folder + "\\" + kTempPreDownloadVersionMapFile).c_str()) !=
            INVALID_FILE_ATTRIBUTES) {
      NoteUnfinishedPreDownload();
    }
  }

  engine->ResetStats();
  queued_ = 0;
  done_ = 0;
  const bool use_patches = controller->patchOption > 0 && !patches.empty();
  const std::string staging = StagingFolder();
  int64_t total = 0;
  for (const auto& item : update) {
    const FetchJob job = MakeJob(*this, item.first, item.second, use_patches ? &patches : nullptr);
    if (!cache_folder.empty() &&
        TakePreDownloadedFile(cache_folder, staging, job.name, job.entry.md5) == 1) {
      continue;
    }
    const std::string staged = StagedFilePath(job.name);
    TrimStagedFile(staged, job.entry.size);
    ++queued_;
    total += job.entry.size;
    engine->DownloadFile(job.request_path, staged, job.entry.md5, job.entry.size,
                         OnDownloadFileDone, OnDownloadSpeed, kDownloadFilesState, 0, 0);
  }
  engine->set_total_bytes(total);
  engine->set_stat_start_tick(GetTickCount());
  controller->NotifyMainWindow(MsgDownloadProgress, static_cast<WPARAM>(engine->total_bytes()),
                               static_cast<LPARAM>(engine->done_bytes()));
}

void DownloadFilesState::OnDownloadFinished(int code, const std::string& url,
                                            const std::string& error) {
  if (code < 0) {
    RecordFailure(this, code, error, url);  // a later failure overwrites an earlier one
    return;
  }
  ++done_;
}

void DownloadFilesState::Update() {
  LauncherController* controller = LauncherController::GetInstance();
  if (result < 0) {
    // Jobs still running are left to end; the router drops their answers.
    controller->SetState(MakeFailureSuccessor(*this));
    return;
  }
  if (done_ < queued_) return;
  DownloadManager* engine = DownloadManager::GetInstance();
  engine->ReportSpeed("done");
  if (pass != 0) {
    if (controller->GetDownloadRecord().firstInstall) {
      engine->ReportSpeedEvent("17", "download_game_finish", true);
    } else {
      engine->ReportSpeedEvent("22", "update_game_finish", true);
    }
  }
  controller->SetState(MakeStateOfPass(kApplyUpdateState, pass));
}

void DownloadFilesState::Exit(State*) {
  queued_ = 0;
  done_ = 0;
}
