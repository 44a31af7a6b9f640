#include "update/states/release_fixture.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/util/md5_context.h"
#include "update/download/download_manager.h"
#include "update/versions/pre_download_folders.h"
#include "update/versions/version_keys.h"

namespace release_testing {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

Json::Value Servers(const std::string& server, const std::string& root) {
  Json::Value list(Json::arrayValue);
  if (!root.empty()) list.append("{url:" + server + "}/" + root);
  return list;
}

}  // namespace

std::string WindowsPath(const std::string& path) {
  std::string windows = path;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

bool FileExistsA(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::string x, y;
  return ReadFileTextA(a, &x) && ReadFileTextA(b, &y) && x == y;
}

std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((NormalizePathA(folder, true) + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

void ReleaseFixture::SetUp() {
  std::string error;
  ASSERT_TRUE(publisher_.Connect(&error)) << error;
  ASSERT_TRUE(publisher_.Reset());
  release_ = NormalizePathA(Env("QUORVEL_SAMPLE_RELEASE"), false);
  ASSERT_FALSE(release_.empty());
  std::string text;
  ASSERT_TRUE(ReadFileTextA(release_ + "\\release.json", &text));
  ASSERT_TRUE(ParseJson(text, &summary_, &error)) << error;
  // The launcher's own folder is the working folder: a fresh one per test.
  wchar_t cwd[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  old_cwd_ = cwd;
  ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
  CreateDirectoriesW(GetExceptionFolder());
  CreateDirectoriesW(GetUpdateFolder());
  game_ = std::string(folder_.path().begin(), folder_.path().end()) + "\\game";
}

void ReleaseFixture::TearDown() {
  StopLauncher();
  if (!old_cwd_.empty()) SetCurrentDirectoryW(old_cwd_.c_str());
}

Json::Value ReleaseFixture::ServerConfig(const std::string& game_root,
                                         const std::string& pre_root) const {
  Json::Value download(Json::arrayValue);
  download.append("{url:dl0}/" + game_root);
  download.append("{url:dl1}/" + game_root);
  Json::Value others;
  others["PatchOption"] = 2;
  others["PreDlcCheck"] = true;
  others["DlcAddr"] = download;
  others["PreDlcAddr"] = Servers("dl2", pre_root);
  Json::Value config;
  config["directory"]["DlcAddr"] = download;
  config["directory"]["Others"] = others;
  Json::Value region;
  region["KOREA_pc_addr"] = Servers("dl2", pre_root);
  config["region"]["info"].append(region);
  return config;
}

void ReleaseFixture::InstallGame(int n) {
  const std::string from = release_ + "\\installed\\game-" + std::to_string(n);
  std::vector<std::string> files;
  ASSERT_GE(ListFiles(from, &files, {}), 0) << from;
  for (const std::string& file : files) {
    const std::string target = game_ + file.substr(from.size());
    CreateParentFoldersA(target);
    ASSERT_TRUE(CopyFileA(file.c_str(), target.c_str(), FALSE)) << file;
  }
}

void ReleaseFixture::StartLauncher() {
  harness_ = std::make_unique<engine_testing::EngineHarness>();
  controller_ = harness_->controller();
  controller_->settings.gamePath.Set(std::wstring(game_.begin(), game_.end()));
  controller_->publicAddress = "127.0.0.1";  // no echo request to the real endpoint
  controller_->patchOption = 2;
  controller_->preDownloadVersion = "";
  harness_->OnWorker([this] {
    DownloadManager::ServerOverrides overrides;
    overrides.gate_urls = {publisher_.Url("gate") + "/"};
    DownloadManager::GetInstance()->Init(overrides);
    for (const char* key : kVersionKeys) controller_->ResetVersionMap(key);
    controller_->preDownloadFolders = ListPreDownloadFolders(PreDownloadRoot());
    controller_->LoadGameVersion();
  });
}

void ReleaseFixture::StopLauncher() {
  if (!harness_) return;
  harness_->OnWorker([] { DownloadManager::GetInstance()->Shutdown(); });
  harness_.reset();
}

std::vector<std::string> ReleaseFixture::ChangedFiles(int from, int to) const {
  const Json::Value& old_tree = summary_["trees"]["game-" + std::to_string(from)];
  const Json::Value& new_tree = summary_["trees"]["game-" + std::to_string(to)];
  std::vector<std::string> changed;
  for (const std::string& name : new_tree.getMemberNames()) {
    if (!old_tree.isMember(name) || old_tree[name]["md5"] != new_tree[name]["md5"]) {
      changed.push_back(name);
    }
  }
  return changed;
}

bool ReleaseFixture::TreeMatches(const std::string& folder, const std::string& key) const {
  const Json::Value& tree = summary_["trees"][key];
  for (const std::string& name : tree.getMemberNames()) {
    std::string digest;
    int64_t size = 0;
    if (!FileMatchesMd5(folder + "\\" + WindowsPath(name), tree[name]["md5"].asString(), &digest,
                        &size)) {
      return false;
    }
  }
  return true;
}

std::vector<std::string> ReleaseFixture::RequestedPaths() const {
  std::vector<std::string> paths;
  for (const Json::Value& entry : publisher_.Log()) paths.push_back(entry["path"].asString());
  return paths;
}

}  // namespace release_testing
