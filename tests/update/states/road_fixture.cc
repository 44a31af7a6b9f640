#include "update/states/road_fixture.h"

#include <windows.h>

#include <cstdlib>

#include "app/controller/state.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/util/md5_context.h"
#include "update/download/download_manager.h"
#include "update/states/patch_suffix_mode.h"
#include "update/states/prepare_state.h"

namespace road_testing {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

Json::Value ReadJson(const std::string& path) {
  std::string text, error;
  Json::Value root;
  EXPECT_TRUE(ReadFileTextA(path, &text)) << path;
  EXPECT_TRUE(ParseJson(text, &root, &error)) << path << error;
  return root;
}

void CopyTree(const std::string& from, const std::string& to) {
  std::vector<std::string> files;
  ASSERT_GE(ListFiles(from, &files, {}), 0) << from;
  for (const std::string& file : files) {
    const std::string target = to + file.substr(from.size());
    CreateParentFoldersA(target);
    ASSERT_TRUE(CopyFileA(file.c_str(), target.c_str(), FALSE)) << file;
  }
}

std::map<std::string, std::string> TreeDigests(const std::string& folder) {
  std::map<std::string, std::string> digests;
  std::vector<std::string> files;
  if (ListFiles(folder, &files, {}) < 0) return digests;
  for (const std::string& file : files) {
    std::string name = file.substr(NormalizePathA(folder, true).size());
    for (char& c : name) {
      if (c == '\\') c = '/';
    }
    std::string digest;
    int64_t size = 0;
    FileMatchesMd5(file, "", &digest, &size);
    digests[name] = digest;
  }
  return digests;
}

bool RoadHarness::GetDriveSpace(const std::wstring&, uint64_t* total, uint64_t* available) {
  *total = 1ULL << 40;
  *available = free_bytes;
  return true;
}

void RoadTest::SetUp() {
  std::string error;
  ASSERT_TRUE(publisher_.Connect(&error)) << error;
  ASSERT_TRUE(publisher_.Reset());
  release_ = NormalizePathA(Env("QUORVEL_SAMPLE_RELEASE"), false);
  ASSERT_FALSE(release_.empty());
  wchar_t cwd[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  old_cwd_ = cwd;
  // The launcher's own folder is the working folder: a fresh one per test,
  // with the folders the launcher pass would have made.
  ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
  CreateDirectoriesW(GetExceptionFolder());
  CreateDirectoriesW(GetUpdateFolder());
  summary_ = ReadJson(release_ + "\\release.json");
  base_ = std::string(folder_.path().begin(), folder_.path().end());
  game_ = base_ + "\\game";
  CreateDirectoriesA(game_);
  harness_ = std::make_unique<RoadHarness>();
  controller_ = harness_->controller();
  controller_->settings.gamePath.Set(std::wstring(game_.begin(), game_.end()));
  controller_->publicAddress = "127.0.0.1";  // no echo request to the real endpoint
  harness_->OnWorker([this] {
    // The controller outlives each test: what a pass reads starts afresh.
    controller_->versionMaps.clear();
    controller_->patchOption = 2;
    controller_->resourceReload = 0;
    controller_->preDlcCheck = false;
    controller_->errorShown = false;
    controller_->localGameVersion.Set("");
    controller_->remoteGameVersion.Set("");
    controller_->downloadingVersion.Set("");
    controller_->launcherVersion.Set("1.0.0");
    PatchSuffixMode = 0;
    DownloadManager::ServerOverrides overrides;
    overrides.gate_urls = {publisher_.Url("gate") + "/"};
    DownloadManager::GetInstance()->Init(overrides);
  });
}

void RoadTest::TearDown() {
  if (harness_) harness_->OnWorker([] { DownloadManager::GetInstance()->Shutdown(); });
  harness_.reset();
  if (!old_cwd_.empty()) SetCurrentDirectoryW(old_cwd_.c_str());
}

void RoadTest::ServeFrom(const std::string& folder, bool cdn) {
  Json::Value config = ReadJson(release_ + "\\release-2\\publisher.json");
  Json::Value directory = config["directory"];
  const std::string suffix = folder.empty() ? "" : "/" + folder + "/";
  for (Json::Value* list : {&directory["DlcAddr"], &directory["Others"]["DlcAddr"]}) {
    for (Json::Value& url : *list) url = url.asString() + suffix;
  }
  if (cdn) directory["CDN"]["file"] = (folder.empty() ? "" : folder + "/") + "version_map.txt";
  Json::Value change;
  change["directory"] = directory;
  ASSERT_TRUE(publisher_.SetConfig(change));
}

void RoadTest::InstallGame(const std::string& tree) {
  CopyTree(release_ + "\\installed\\" + tree, game_);
  harness_->OnWorker([this] { controller_->LoadGameVersion(); });
}

int32_t RoadTest::RunPass(int32_t pass, int max_ticks) {
  harness_->pump_engine = true;
  harness_->Install(std::make_unique<PrepareState>(pass));
  return RunUntilSettled(max_ticks);
}

int32_t RoadTest::RunUntilSettled(int max_ticks) {
  for (int i = 0; i < max_ticks; ++i) {
    const int32_t type = Current().type;
    if (type < kPrepareState || type > kDownloadFilesState) return type;
    harness_->Tick();
  }
  harness_->Settle();
  return Current().type;
}

std::vector<std::string> RoadTest::RequestedPaths() const {
  std::vector<std::string> paths;
  for (const Json::Value& entry : publisher_.Log()) paths.push_back(entry["path"].asString());
  return paths;
}

std::map<std::string, std::string> RoadTest::StagedFiles() const {
  std::map<std::string, std::string> files = TreeDigests(base_ + "\\update");
  for (auto it = files.begin(); it != files.end();) {
    it = it->first.rfind("predownload/", 0) == 0 ? files.erase(it) : std::next(it);
  }
  return files;
}

std::map<std::string, std::string> RoadTest::TreeOf(const std::string& tree) const {
  std::map<std::string, std::string> files;
  const Json::Value& entries = summary_["trees"][tree];
  for (const std::string& name : entries.getMemberNames()) files[name] = entries[name]["md5"].asString();
  return files;
}

std::string RoadTest::CurrentErrorMessage() const {
  std::string message;
  harness_->OnWorker([&] {
    if (controller_->currentState) message = controller_->currentState->errorMessage;
  });
  return message;
}

}  // namespace road_testing
