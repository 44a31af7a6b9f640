// The idle pre-download probe of EnterGameState: a chain of at most five
// blocking requests, all inside one tick, that learns whether the servers
// announce a newer game version and whether the next version can be (or has
// been) pre-downloaded, and tells the main window. It never shows an error:
// a failed step ends the chain until the probe clock is due again.
//
// Steps (probeStep): 1 the region request, 2 the directory request, 3 the
// game servers' version map, 4 the pre-download servers' version map, 5 the
// next version's patch list. Each handler sets the step to 0 first and the
// next step just before the next request, so the step is 0 when the chain
// ends.
#include <json/json.h>

#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/json_util.h"
#include "update/download/download_manager.h"
#include "update/states/enter_game_state.h"
#include "update/states/state_routing.h"
#include "update/versions/server_replies.h"
#include "update/versions/version_keys.h"
#include "update/versions/version_map.h"
#include "update/versions/version_text.h"

namespace {

constexpr int kUserValue = kEnterGameState;

// The pre-download panel's pages.
constexpr WPARAM kPageNothing = 0;
constexpr WPARAM kPageAvailable = 1;
constexpr WPARAM kPageComplete = 3;

// One blocking request over `servers`; the reply comes back through
// OnRequestDone before it returns.
void Ask(const std::vector<std::string>& servers, const std::string& path) {
  DownloadManager* engine = DownloadManager::GetInstance();
  engine->set_active_servers(servers);
  engine->DownloadMemory(path, "", OnRequestDone, kUserValue);
}

void ShowPage(WPARAM page) {
  LauncherController::GetInstance()->NotifyMainWindow(MsgPreDlcPage, page, 0);
}

// The "version" of a map reply: a string, or the "md5" of an object; empty
// when there is none or it is not a version text.
std::string VersionOfReply(const std::string& reply) {
  Json::Value root;
  std::string error;
  if (!ParseJson(reply, &root, &error) || !root.isObject() || !root.isMember("version")) {
    return std::string();
  }
  const Json::Value& value = root["version"];
  std::string version;
  if (value.isString()) {
    version = value.asString();
  } else if (value.isObject() && value["md5"].isString()) {
    version = value["md5"].asString();
  }
  // The version names folders and is compared and shown: only digits and
  // their separators.
  return IsSafeVersionText(version) ? version : std::string();
}

}  // namespace

void EnterGameState::StartProbe() {
  Ask(DownloadManager::GetInstance()->directory_servers(), BuildPreDownloadUrl());
}

void EnterGameState::OnRequestFinished(int code, const std::string&, const char* data, int length,
                                       const std::string&) {
  if (code < 0) {
    // A missing region reply or patch list is no reason to stop.
    if (probeStep == 5) {
      OnPreDownloadPatchList("{}");
    } else if (probeStep == 1) {
      OnPreDownloadInfo("{}");
    } else {
      probeStep = 0;
    }
    return;
  }
  const std::string reply = ReplyText(data, length);
  switch (probeStep) {
    case 1:
      OnPreDownloadInfo(reply);
      return;
    case 2: {
      probeStep = 0;
      DownloadManager* engine = DownloadManager::GetInstance();
      std::string error;
      // The region's servers win over the directory's.
      if (!ParseDlcAddresses(reply, &dlcAddresses, &preDlcAddresses, &error,
                             preDlcAddresses.empty())) {
        return;
      }
      engine->SetDownloadUrls(dlcAddresses);
      probeStep = 3;
      Ask(engine->download_servers(), "version_map.txt");
      return;
    }
    case 3:
      OnRemoteGameVersion(reply);
      return;
    case 4:
      OnPreDownloadVersionMap(reply);
      return;
    case 5:
      OnPreDownloadPatchList(reply);
      return;
    default:
      probeStep = 0;
      return;
  }
}

void EnterGameState::OnPreDownloadInfo(const std::string& reply) {
  probeStep = 0;
  std::string error;
  ParseRegionAddresses(reply, &preDlcAddresses, &error);  // may leave it empty
  probeStep = 2;
  Ask(DownloadManager::GetInstance()->directory_servers(), BuildGateUrl());
}

void EnterGameState::OnRemoteGameVersion(const std::string& reply) {
  LauncherController* controller = LauncherController::GetInstance();
  probeStep = 0;
  const std::string version = VersionOfReply(reply);
  if (version.empty()) return;
  controller->remoteGameVersion = version;
  controller->PublishVersions();
  if (controller->GameVersionChanged()) controller->NotifyMainWindow(MsgRefreshGameButton, 0, 0);

  // A pre-download that runs, or that the player paused, is left alone.
  if (controller->preDownloadState || controller->pausedByUser) return;
  if (!controller->preDownloadFolders.empty() && controller->PrunePreDownloads() <= 0) {
    ShowPage(kPageNothing);
  }
  if (preDlcAddresses.empty()) {
    ShowPage(kPageNothing);
    return;
  }
  DownloadManager* engine = DownloadManager::GetInstance();
  engine->SetDownloadUrls(preDlcAddresses);
  probeStep = 4;
  Ask(engine->download_servers(), "version_map.txt");
}

void EnterGameState::OnPreDownloadVersionMap(const std::string& reply) {
  LauncherController* controller = LauncherController::GetInstance();
  probeStep = 0;
  VersionMap& remote = controller->ResetVersionMap(kRemotePreDownloadVersionKey);
  std::string error;
  if (!ParseVersionMap(reply, &remote, &error)) return;
  const std::string version = GetMapVersion(remote);
  if (version.empty()) return;
  controller->preDownloadVersion = version;
  controller->PublishVersions();
  if (CompareVersions(version, controller->localGameVersion.Get(),
                      controller->remoteGameVersion.Get()) != 1) {
    ShowPage(kPageNothing);
    return;
  }
  if (controller->patchOption > 0) {
    DownloadManager* engine = DownloadManager::GetInstance();
    engine->SetDownloadUrls(preDlcAddresses);
    probeStep = 5;
    Ask(engine->download_servers(), BuildPatchUrl("patch_list.txt"));
    return;
  }
  SummarizePreDownload();
}

void EnterGameState::OnPreDownloadPatchList(const std::string& reply) {
  probeStep = 0;
  VersionMap& patches =
      LauncherController::GetInstance()->ResetVersionMap(kPreDownloadPatchVersionKey);
  std::string error;
  ParseVersionMap(reply, &patches, &error);  // a list that does not parse is no list
  SummarizePreDownload();
}

void EnterGameState::SummarizePreDownload() {
  LauncherController* controller = LauncherController::GetInstance();
  const int status = controller->GetPreDownloadStatus();
  if (status < 0) {
    ShowPage(kPageNothing);
    return;
  }
  if (status == 0) {
    ShowPage(kPageComplete);
    return;
  }
  if (controller->resumeRequested) {  // the player wanted it: go on with it
    controller->StartPreDownload();
    return;
  }
  if (!controller->LoadLocalGameVersionMap()) {
    ShowPage(kPageNothing);
    return;
  }
  VersionMap& fetch = controller->ResetVersionMap(kUpdatePreDownloadVersionKey);
  std::vector<std::string> deleted;
  DiffVersionMaps(&controller->versionMaps[kLocalGameVersionKey],
                  controller->versionMaps[kRemotePreDownloadVersionKey], &fetch, &deleted);
  if (fetch.empty()) {
    ShowPage(kPageComplete);
    return;
  }
  const VersionMap& patches = controller->versionMaps[kPreDownloadPatchVersionKey];
  const bool patching = controller->patchOption > 0 && !patches.empty();
  uint64_t bytes = 0;
  for (const auto& entry : fetch) {
    auto patch = patching ? patches.find(entry.first) : patches.end();
    const int64_t size = patch != patches.end() ? patch->second.size : entry.second.size;
    if (size > 0) bytes += static_cast<uint64_t>(size);
  }
  controller->preDownloadBytes = bytes;
  ShowPage(kPageAvailable);
}
