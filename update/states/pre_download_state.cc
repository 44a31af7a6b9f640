#include "update/states/pre_download_state.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/launcher_services.h"
#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "update/download/download_manager.h"
#include "update/states/patch_suffix_mode.h"
#include "update/states/state_routing.h"
#include "update/versions/pre_download_folders.h"
#include "update/versions/server_replies.h"
#include "update/versions/version_keys.h"
#include "update/versions/version_map.h"
#include "update/versions/version_text.h"

namespace {

constexpr int kUserValue = kPreDownloadState;
constexpr unsigned int kUtf8CodePage = 65001;

// The panel's pages.
constexpr WPARAM kPageNothing = 0;
constexpr WPARAM kPageAvailable = 1;
constexpr WPARAM kPageDownloading = 2;
constexpr WPARAM kPageComplete = 3;
// What the game's windows are told.
constexpr LPARAM kGameStatusDownloading = 3;
constexpr LPARAM kGameStatusComplete = 4;

State* SlotState() { return LauncherController::GetInstance()->preDownloadState.get(); }

std::string LanguageTextUtf8(const wchar_t* id) {
  std::string text;
  WideToMultiByte(LauncherServices::Get()->GetLanguageText(id), &text, kUtf8CodePage);
  return text;
}

std::string RequestFailed(const std::string& error) { return "PreDlc Request:7 Failed:" + error; }

}  // namespace

void OnPreDlcFileDone(int, int code, const std::string& url, const std::string& error) {
  if (State* state = SlotState()) state->OnDownloadFinished(code, url, error);
}

void OnPreDlcRequestDone(int, int code, const std::string& url, const char* data, int length,
                         const std::string& error) {
  if (State* state = SlotState()) state->OnRequestFinished(code, url, data, length, error);
}

void OnPreDlcProbeDone(int, int code, const std::string& url, bool exists,
                       const std::string& error) {
  if (State* state = SlotState()) state->OnProbeFinished(code, url, exists, error);
}

void OnPreDlcSpeed(int, double speed) {
  if (State* state = SlotState()) state->OnSpeed(speed);
}

PreDownloadState::PreDownloadState() : State(1) {}

void PreDownloadState::Enter(State*) {
  LauncherController* controller = LauncherController::GetInstance();
  const std::string root = PreDownloadRoot();
  if (!IsDirectoryA(root)) CreateDirectoriesA(root);
  hasFiles = false;
  result = 1;
  SetStep(1);
  controller->NotifyMainWindow(MsgPreDlcPage, kPageDownloading, 0);
}

void PreDownloadState::Exit(State*) {
  // Not only in step 5: a run that failed while downloading has moved on to
  // step 7 or 0 with transfers still queued, and their late answers would
  // reach the next pre-download.
  CancelTransfers();
  step = 0;
  pending = 0;
  result = 0;
}

void PreDownloadState::SetStep(int32_t next) {
  step = next;
  LauncherController::GetInstance()->PublishPreDownloadStep(next);
}

void PreDownloadState::Update() {
  if (result > 0) {
    switch (step) {
      case 1:
      case 2:
      case 3:
      case 4:
        result = 0;
        IssueRequest();
        return;
      case 5:
        IssueProbe();
        return;
      case 6:
        Complete();  // leaves the slot: nothing of this object after it
        return;
      default:
        return;
    }
  }
  if (result == 0 && step == 5) {
    CheckFinished();
  } else if (result < 0 && step == 7) {
    Fail();  // may leave the slot
  }
}

void PreDownloadState::IssueRequest() {
  DownloadManager* engine = DownloadManager::GetInstance();
  std::string path;
  switch (step) {
    case 1:
      engine->set_active_servers(engine->directory_servers());
      path = BuildPreDownloadUrl();
      break;
    case 2:
      engine->set_active_servers(engine->directory_servers());
      path = BuildGateUrl();
      break;
    case 3:
      engine->set_active_servers(engine->download_servers());
      path = "version_map.txt";
      break;
    default:
      engine->set_active_servers(engine->download_servers());
      path = BuildPatchUrl("patch_list.txt");
      break;
  }
  // Blocking: the reply has come through OnPreDlcRequestDone when it returns.
  engine->DownloadMemory(path, "", OnPreDlcRequestDone, kUserValue);
}

void PreDownloadState::IssueProbe() {
  DownloadManager* engine = DownloadManager::GetInstance();
  engine->set_active_servers(engine->download_servers());
  // Without a server the probe answers nothing; asking again every tick
  // would never end, so that is a failure of its own.
  if (!engine->ProbeUrl(BuildPatchUrl("TOLM.exe.patch"), "", OnPreDlcProbeDone, kUserValue)) {
    FailWith(-1, RequestFailed("no download server"), "");
  }
}

void PreDownloadState::OnRequestFinished(int code, const std::string& url, const char* data,
                                         int length, const std::string& error) {
  LauncherController* controller = LauncherController::GetInstance();
  result = -1;
  if (code < 0) {
    if (step == 4) {  // no patch list: every file whole
      SetStep(5);
      result = 5;
    } else if (step == 1) {  // the directory names the servers too
      SetStep(2);
      result = 2;
    } else {
      FailWith(code, RequestFailed(error), url);
    }
    return;
  }
  const std::string reply = ReplyText(data, length);
  switch (step) {
    case 1: {
      std::vector<std::string> servers;
      std::string parse_error;
      if (ParseRegionAddresses(reply, &servers, &parse_error) && !servers.empty()) {
        DownloadManager::GetInstance()->SetDownloadUrls(servers);
        SetStep(3);
        result = 3;
      } else {
        SetStep(2);
        result = 2;
      }
      return;
    }
    case 2:
      OnGateReply(reply);
      return;
    case 3:
      OnRemoteVersionMap(reply);
      return;
    case 4: {
      std::string parse_error;
      VersionMap parsed;
      // A list that does not parse leaves the patch map as it was.
      if (ParseVersionMap(reply, &parsed, &parse_error)) {
        controller->versionMaps[kPreDownloadPatchVersionKey].swap(parsed);
      }
      SetStep(5);
      result = 5;
      return;
    }
    default:
      FailWith(0, RequestFailed(" unknown"), url);
      return;
  }
}

void PreDownloadState::OnGateReply(const std::string& reply) {
  std::vector<std::string> download;
  std::vector<std::string> pre_download;
  std::string error;
  if (!ParseDlcAddresses(reply, &download, &pre_download, &error, true)) {
    FailWith(0, "PreDlc parse gate dlcAddr Failed:" + error, reply);
    return;
  }
  if (pre_download.empty()) {  // nothing to pre-download: end without a word
    FailWith(0, "", "");
    return;
  }
  DownloadManager::GetInstance()->SetDownloadUrls(pre_download);
  SetStep(3);
  result = 3;
}

void PreDownloadState::OnRemoteVersionMap(const std::string& reply) {
  LauncherController* controller = LauncherController::GetInstance();
  VersionMap& remote = controller->ResetVersionMap(kRemotePreDownloadVersionKey);
  std::string error;
  if (!ParseVersionMap(reply, &remote, &error)) {
    FailWith(0, "PreDlc parse remote Failed: :" + error, reply);
    return;
  }
  const std::string version = GetMapVersion(remote);
  const int verdict =
      CompareVersions(version, controller->localGameVersion.Get(), controller->remoteGameVersion.Get());
  if (verdict != 1) {
    std::string message;
    switch (verdict) {
      case -7:
        message = LanguageTextUtf8(L"STRING_ERROR_DLC_OUTDATED");
        break;
      case -6:
        message = LanguageTextUtf8(L"STRING_ERROR_DLC_LAST");
        break;
      case -5:
        message = LanguageTextUtf8(L"STRING_ERROR_DLC_FIRST");
        break;
      default:
        message = "PreDlc check failed:" + std::to_string(verdict);
        break;
    }
    FailWith(0, message, "");
    return;
  }
  // A verdict of 1 means three digit-only parts: a plain folder name.
  controller->preDownloadVersion = version;
  controller->PublishVersions();
  versionFolder_ = PreDownloadFolderOf(version);
  if (!IsDirectoryA(versionFolder_)) CreateDirectoriesA(versionFolder_);
  if (controller->resumeRequested) {
    WriteFileTextA(NormalizePathA(versionFolder_, true) + kTempPreDownloadVersionMapFile, reply);
  }

  VersionMap& fetch = controller->ResetVersionMap(kUpdatePreDownloadVersionKey);
  if (!controller->LoadLocalGameVersionMap()) {
    // Without the installed map nothing can be compared; calling that
    // "nothing to fetch" would report a pre-download that never ran as
    // complete.
    FailWith(0, "PreDlc load local version map Failed", "");
    return;
  }
  std::vector<std::string> deleted;
  DiffVersionMaps(&controller->versionMaps[kLocalGameVersionKey], remote, &fetch, &deleted);
  if (fetch.empty()) {
    SetStep(6);
    result = 6;
    return;
  }
  hasFiles = true;
  if (!controller->resumeRequested) {  // a check only
    SetStep(6);
    result = 6;
    return;
  }
  controller->ResetVersionMap(kPreDownloadPatchVersionKey);
  if (controller->patchOption > 0 && !controller->localGameVersion.Get().empty()) {
    SetStep(4);
    result = 4;
  } else {
    SetStep(5);
    result = 5;
  }
}

void PreDownloadState::OnProbeFinished(int code, const std::string& url, bool exists,
                                       const std::string& error) {
  if (code >= 0) {
    PatchSuffixMode = exists ? 0 : 1;
    QueueDownloads();
    return;
  }
  if (result >= 0) FailWith(code, error, url);
}

void PreDownloadState::QueueDownloads() {
  LauncherController* controller = LauncherController::GetInstance();
  DownloadManager* engine = DownloadManager::GetInstance();
  engine->set_active_servers(engine->download_servers());
  engine->CancelAll(kDownloadModePreDownload);
  result = 0;
  engine->ResetStats();

  const VersionMap& fetch = controller->versionMaps[kUpdatePreDownloadVersionKey];
  const VersionMap& patches = controller->versionMaps[kPreDownloadPatchVersionKey];
  const bool patching = controller->patchOption > 0 && !patches.empty();
  const std::string folder = NormalizePathA(versionFolder_, true);

  struct Job {
    std::string path;
    std::string md5;
    int64_t size;
  };
  std::vector<Job> jobs;
  std::set<std::string> names;
  for (const auto& entry : fetch) {
    Job job{entry.first, entry.second.md5, entry.second.size};
    if (patching) {
      auto patch = patches.find(entry.first);
      if (patch != patches.end()) {
        job = Job{BuildPatchUrl(entry.first + PatchSuffix()), patch->second.md5, patch->second.size};
      }
    }
    // The file is named by its digest: only a digest may name it.
    if (!IsMd5Text(job.md5)) {
      FailWith(0, "PreDlc bad md5 of " + entry.first, "");
      return;
    }
    // Two entries of one content are one file: a second transfer into the
    // same file at once would tear it.
    std::string key = job.md5;
    std::transform(key.begin(), key.end(), key.begin(), ::tolower);
    if (names.insert(key).second) jobs.push_back(job);
  }

  pending = static_cast<int32_t>(jobs.size());
  transfersQueued_ = true;
  int64_t total = 0;
  for (const Job& job : jobs) {
    total += job.size;
    engine->DownloadFile(job.path, folder + job.md5, job.md5, job.size, OnPreDlcFileDone,
                         OnPreDlcSpeed, kUserValue, 0, 0);
  }
  engine->set_total_bytes(total);
  engine->set_stat_start_tick(GetTickCount() % 2147483647u);
  controller->NotifyMainWindow(MsgDownloadProgress, static_cast<WPARAM>(engine->total_bytes()),
                               static_cast<LPARAM>(engine->done_bytes()));
  controller->NotifyMainWindow(MsgPreDlcPage, kPageDownloading, 1);
  controller->NotifyGameWindows(MsgGamePreDlcStatus, 0, kGameStatusDownloading);
}

void PreDownloadState::OnDownloadFinished(int code, const std::string& url,
                                          const std::string& error) {
  if (code >= 0) {
    --pending;
    return;
  }
  if (result >= 0) FailWith(code, error, url);
}

void PreDownloadState::OnSpeed(double speed) { DownloadManager::GetInstance()->AddSpeedSample(speed); }

void PreDownloadState::CheckFinished() {
  if (pending > 0) return;
  transfersQueued_ = false;
  const std::string folder = NormalizePathA(versionFolder_, true);
  const std::string temporary = folder + kTempPreDownloadVersionMapFile;
  if (GetFileAttributesA(temporary.c_str()) != INVALID_FILE_ATTRIBUTES) {
    MoveFileExA(temporary.c_str(), (folder + kPreDownloadVersionMapFile).c_str(),
                MOVEFILE_REPLACE_EXISTING);
  }
  hasFiles = false;
  SetStep(6);
  result = 6;
  DownloadManager::GetInstance()->ReportSpeed("done");
}

void PreDownloadState::Complete() {
  LauncherController* controller = LauncherController::GetInstance();
  SetStep(0);
  result = 0;
  if (hasFiles) {
    controller->NotifyMainWindow(MsgPreDlcPage, kPageAvailable, 0);
  } else {
    const std::string version = controller->preDownloadVersion.Get();
    std::vector<std::string>& folders = controller->preDownloadFolders;
    if (std::find(folders.begin(), folders.end(), version) == folders.end()) {
      folders.push_back(version);
    }
    controller->NotifyMainWindow(MsgPreDlcPage, kPageComplete, 0);
    controller->NotifyGameWindows(MsgGamePreDlcStatus, 0, kGameStatusComplete);
  }
  controller->resumeRequested = false;
  LeaveSlot();
}

void PreDownloadState::FailWith(int32_t code, const std::string& message, const std::string& url) {
  result = -1;
  SetStep(7);
  errorCode = code;
  errorMessage = message;
  errorUrl = url;
}

void PreDownloadState::Fail() {
  LauncherController* controller = LauncherController::GetInstance();
  SetStep(0);
  controller->NotifyMainWindow(MsgPreDlcPage, kPageNothing, 0);
  controller->resumeRequested = false;
  CancelTransfers();
  if (errorMessage.empty()) {
    LeaveSlot();
    return;
  }
  ReportError(L"", L"STRING_CONFIRM",
              [](int) { LauncherController::GetInstance()->StopPreDownload(); });
}

void PreDownloadState::CancelTransfers() {
  if (!transfersQueued_) return;
  transfersQueued_ = false;
  // In the mode the engine is in: a new game pass has already cancelled
  // everything and switched to its own.
  DownloadManager* engine = DownloadManager::GetInstance();
  if (pending > 0) engine->CancelAll(engine->mode());
}

void PreDownloadState::LeaveSlot() {
  LauncherController* controller = LauncherController::GetInstance();
  Exit(nullptr);
  std::unique_ptr<State> self = std::move(controller->preDownloadState);
  controller->PublishPreDownloadStep(-1);
  // `self` is this object: it is deleted as the function returns.
}
