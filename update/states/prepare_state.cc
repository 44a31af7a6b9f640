#include "update/states/prepare_state.h"

#include <winsock2.h>

#include <fstream>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/util/md5_context.h"
#include "app/util/string_util.h"
#include "json/json.h"
#include "update/download/download_manager.h"
#include "update/states/state_routing.h"
#include "update/states/successor_states.h"
#include "update/versions/version_map.h"

namespace {

constexpr int kGateUserValue = 1;
constexpr size_t kLongReply = 128;

// A reply value as text: strings as they are, numbers and booleans as
// jsoncpp writes them. Arrays and objects have no text: the step fails.
bool ValueText(const Json::Value& value, std::string* text) {
  if (value.isArray() || value.isObject()) return false;
  *text = value.asString();
  return true;
}

bool ServerList(const Json::Value& value, std::vector<std::string>* servers) {
  servers->clear();
  if (!value.isArray()) {
    std::string text;
    if (!ValueText(value, &text)) return false;
    servers->push_back(text);
    return true;
  }
  for (const Json::Value& element : value) {
    std::string text;
    if (!ValueText(element, &text)) return false;
    servers->push_back(text);
  }
  return true;
}

std::string AnsiFromWide(const std::wstring& wide) {
  std::string narrow;
  WideToMultiByte(wide, &narrow, 0);
  return narrow;
}

// A hashed path's map name: UTF-8, "/" between folders.
std::string MapName(const std::string& ansi_relative) {
  std::wstring wide;
  std::string utf8;
  MultiByteToWide(ansi_relative, &wide, 0);
  WideToUtf8(wide, &utf8);
  for (char& c : utf8) {
    if (c == '\\') c = '/';
  }
  return utf8;
}

// Alias pairs come from a server: both names must stay inside the game folder.
bool SafeAlias(const std::wstring& name) {
  std::string utf8;
  return WideToUtf8(name, &utf8) && IsSafeRelativePath(utf8);
}

std::string FolderFile(const std::string& folder, const char* name) {
  return NormalizePathA(folder, true) + name;
}

std::wstring FolderFileW(const std::wstring& folder, const wchar_t* name) {
  return NormalizePathW(folder, true) + name;
}

void EnsureFolder(const wchar_t* folder) {
  if (!IsDirectoryW(folder)) CreateDirectoriesW(folder);
}

// MD5 and size of a file read whole; false when it cannot be opened or read.
bool HashFile(const std::string& path, VersionMapEntry* entry) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream.is_open()) return false;
  return GetStreamMd5(stream, &entry->md5, &entry->size);
}

}  // namespace

PrepareState::PrepareState(int32_t pass) : State(pass) {}

void PrepareState::Enter(State*) {
  LauncherController* controller = LauncherController::GetInstance();
  DownloadManager* engine = DownloadManager::GetInstance();
  if (pass == 0 && controller->publicAddress.empty()) {
    engine->FetchOnce(kPublicAddressUrl, "", OnPublicIpReply, 1);
  }
  if (controller->preDownloadState) {
    if (controller->GetPreDownloadStep() == 5) {
      engine->ReportSpeed("pause");
      engine->CancelAll(kDownloadModeGame);
      controller->resumeRequested = !controller->pausedByUser;
      controller->NotifyMainWindow(MsgPreDlcPage, static_cast<WPARAM>(-1), -1);
      controller->NotifyGameWindows(MsgGamePreDlcStatus, 0, 2);
    }
    controller->preDownloadState->Exit(nullptr);
    controller->preDownloadState.reset();
    controller->PublishPreDownloadStep(-1);
  }
  controller->NotifyMainWindow(MsgRefreshVersion, 0, 0);
  controller->FindGameWindows();
  hashQueue_.clear();
  total_ = 0;
  if (pass == 0) {
    PrepareLauncher();
  } else {
    PrepareGame();
  }
  result = 0;
  engine->set_active_servers(engine->directory_servers());
  engine->DownloadMemory(BuildGateUrl(), "", OnRequestDone, kGateUserValue);
}

void PrepareState::PrepareLauncher() {
  LauncherController* controller = LauncherController::GetInstance();
  EnsureFolder(GetUpdateFolder());
  EnsureFolder(GetExceptionFolder());
  localKey_ = "_local_launcher_version_";
  remoteKey_ = "_remote_launcher_version_";
  const std::wstring base = GetBaseFolderW();
  localMapPath_ = FolderFileW(base, L"launcher_version_map.txt");
  tmpMapPath_ = FolderFileW(base, L"tmp_launcher_version_map.txt");
  controller->resourceReload = 0;
  VersionMap& local = controller->ResetVersionMap(localKey_);
  std::string error;
  if (!LoadVersionMapFile(localMapPath_, &local, &error)) {
    baseFolder_ = GetBaseFolderA();
    for (const char* name : {"resources.zip", "SourceHanSansCNRegular.ttf",
                             "SourceHanSansCNBold.ttf", "LomaN.ttf", "LomaB.ttf"}) {
      hashQueue_.push_back(FolderFile(baseFolder_, name));
    }
    std::vector<std::string> cef;
    ListFiles(FolderFile(baseFolder_, "cef"), &cef, {});
    hashQueue_.insert(hashQueue_.end(), cef.begin(), cef.end());
    total_ = static_cast<int32_t>(hashQueue_.size());
  }
  // The running executable is always described by what is on disk.
  VersionMapEntry exe;
  if (HashFile(FolderFile(GetBaseFolderA(), "launcher.exe"), &exe)) local["launcher.exe"] = exe;
}

void PrepareState::PrepareGame() {
  LauncherController* controller = LauncherController::GetInstance();
  const std::wstring game = controller->GetSettings().gamePath.Get();
  for (const auto& alias : controller->GetFileAliases()) {
    if (!SafeAlias(alias.first) || !SafeAlias(alias.second)) continue;
    const std::wstring from = FolderFileW(game, alias.first.c_str());
    const std::wstring to = FolderFileW(game, alias.second.c_str());
    if (GetFileAttributesW(to.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetFileAttributesW(from.c_str()) != INVALID_FILE_ATTRIBUTES) {
      CopyFileW(from.c_str(), to.c_str(), TRUE);
    }
  }
  localKey_ = "_local_game_version_";
  remoteKey_ = "_remote_game_version_";
  localMapPath_ = FolderFileW(game, L"version_map.txt");
  tmpMapPath_ = FolderFileW(game, L"tmp_version_map.txt");
  VersionMap& local = controller->ResetVersionMap(localKey_);
  std::string text, error;
  if (!ReadFileTextW(localMapPath_, &text) || !ParseVersionMap(text, &local, &error)) {
    baseFolder_ = AnsiFromWide(game);
    std::vector<std::string> files;
    ListFiles(baseFolder_, &files, {"save", "update", "exception", "cef_temp"});
    hashQueue_.assign(files.begin(), files.end());
    total_ = static_cast<int32_t>(hashQueue_.size());
  }
  remoteMapReceived_ = false;
}

int32_t HashProgress(size_t remaining, int32_t total) {
  const float share = static_cast<float>(remaining) / static_cast<float>(total);
  const float done = 1.0f - share;
  const float value = done * 90.0f;
  return static_cast<int32_t>(value);
}

void PrepareState::Update() {
  LauncherController* controller = LauncherController::GetInstance();
  VersionMap& local = controller->versionMaps[localKey_];
  const size_t skip = NormalizePathA(baseFolder_, false).size() + 1;
  while (!hashQueue_.empty()) {
    const std::string path = hashQueue_.front();
    hashQueue_.pop_front();
    VersionMapEntry entry;
    if (path.size() <= skip || !HashFile(path, &entry)) continue;
    local[MapName(path.substr(skip))] = entry;
    controller->NotifyMainWindow(MsgCheckProgress, 0, HashProgress(hashQueue_.size(), total_));
  }
  if (result > 0) {
    controller->SetState(MakeStateOfPass(
        remoteMapReceived_ ? kCheckVersionState : kRequestRemoteState, pass));
  } else if (result < 0) {
    controller->SetState(MakeFailureSuccessor(*this));
  }
}

void PrepareState::Exit(State*) {
  hashQueue_.clear();
  total_ = 0;
}

void PrepareState::OnRequestFinished(int code, const std::string& url, const char* data,
                                     int length, const std::string& error) {
  if (pass != 0) {
    OnGameGateReply(code, url, data, length, error);
  } else {
    OnLauncherGateReply(code, data, length);
  }
}

void PrepareState::OnLauncherGateReply(int code, const char* data, int length) {
  LauncherController* controller = LauncherController::GetInstance();
  DownloadManager* engine = DownloadManager::GetInstance();
  result = -1;
  if (code < 0 || data == nullptr) return;
  Json::Value root, others;
  std::string error, others_text;
  if (!ParseJson(data, static_cast<size_t>(length), &root, &error) || !root.isObject() ||
      !root.isMember("Others") || !ValueText(root["Others"], &others_text) ||
      !ParseJson(others_text, &others, &error) || !others.isObject()) {
    return;
  }
  const Json::Value& patch = others["PatchOption"];
  if (patch.isInt()) controller->patchOption = patch.asInt();
  if (others["UseWebExtraParam"].isBool()) {
    controller->useWebExtraParam = others["UseWebExtraParam"].asBool();
  }
  if (others["PreDlcCheck"].isBool()) controller->preDlcCheck = others["PreDlcCheck"].asBool();
  if (others.isMember("TransToGame")) {
    WriteJsonFile(FolderFile(GetSaveFolderA(), "TransToGame"), others["TransToGame"]);
  }
  if (!others.isMember("DlcAddr")) return;
  controller->forceUpdateLauncher = false;
  std::vector<std::string> servers;
  if (!ServerList(others["DlcAddr"], &servers)) return;
  engine->SetDownloadUrls(servers);
  if (others["ActivityAddr"].isString()) {
    controller->activityAddress.Set(others["ActivityAddr"].asString());
  }
  std::string force;
  if (others.isMember("ForceUpdateLauncher") &&
      ValueText(others["ForceUpdateLauncher"], &force) && !force.empty()) {
    controller->forceUpdateLauncher = true;
  }
  result = 1;
}

void PrepareState::SetReplyAsUrl(const std::string& reply) {
  errorUrl = reply;
  if (reply.size() <= kLongReply) return;
  WriteFileTextW(FolderFileW(GetExceptionFolder(), L"response.txt"), reply);
  errorUrl = "The information has been saved to file:exception/response.txt";
}

void PrepareState::OnGameGateReply(int code, const std::string& url, const char* data,
                                   int length, const std::string& error) {
  LauncherController* controller = LauncherController::GetInstance();
  result = -1;
  if (code < 0) {
    RecordFailure(this, code, "Request Failed:" + error, url);
    return;
  }
  const std::string reply = ReplyText(data, length);
  Json::Value root;
  std::string parse_error;
  if (!ParseJson(reply, &root, &parse_error)) {
    errorMessage = "Parse Failed:" + parse_error;
    SetReplyAsUrl(reply);
    return;
  }
  std::vector<std::string> servers;
  if (!root.isObject() || !root.isMember("DlcAddr") || !ServerList(root["DlcAddr"], &servers)) {
    errorMessage = "Invalid DlcAddr";
    SetReplyAsUrl(reply);
    return;
  }
  DownloadManager::GetInstance()->SetDownloadUrls(servers);
  std::string cdn;
  if (root.isMember("CDN") && ValueText(root["CDN"], &cdn)) {
    VersionMap& remote = controller->ResetVersionMap(remoteKey_);
    std::string map_error;
    // A copy that cannot be kept leaves the map to the remote request, which
    // reports the failure.
    if (ParseVersionMap(cdn, &remote, &map_error) && StoreRemoteMapCopy(tmpMapPath_, cdn)) {
      remoteMapReceived_ = true;
      NoteRemoteMapVersions(pass, remote, cdn);
    }
  }
  result = 1;
}

void OnPublicIpReply(int, int code, const std::string&, const char* data, int length,
                     const std::string&) {
  LauncherController* controller = LauncherController::GetInstance();
  if (code < 0 || data == nullptr || length <= 0) {
    controller->publicAddress = GetLocalIpAddress();
  } else {
    std::string address;
    for (int i = 0; i < length; ++i) {
      const char c = data[i];
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\v' && c != '\f') {
        address.push_back(c);
      }
    }
    controller->publicAddress = address;
  }
  controller->TrackLauncherDetail("13", "0", "0", "0");
  controller->TrackActivity("click_launch_start_open", "0", "0", "0");
}

std::string GetLocalIpAddress() {
  char name[128] = {};
  if (gethostname(name, sizeof(name)) != 0) return "";
  const hostent* host = gethostbyname(name);
  if (host == nullptr || host->h_addrtype != AF_INET || host->h_addr_list == nullptr ||
      host->h_addr_list[0] == nullptr) {
    return "";
  }
  in_addr address;
  memcpy(&address, host->h_addr_list[0], sizeof(address));
  const char* text = inet_ntoa(address);
  return text ? text : "";
}
