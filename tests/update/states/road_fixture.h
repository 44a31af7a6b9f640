// A launcher folder of the test's own (the working folder) with a game folder
// inside, the engine harness, and the sample release: its summary, its trees
// and the road publisher that serves release 2 (QUORVEL_SAMPLE_RELEASE,
// QUORVEL_PUBLISHER_DIR). The download engine asks the publisher's "gate"
// for the directory and "dl0" for files.
#ifndef TESTS_UPDATE_STATES_ROAD_FIXTURE_H_
#define TESTS_UPDATE_STATES_ROAD_FIXTURE_H_

#include <gtest/gtest.h>
#include <json/json.h>
#include <windows.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/util/md5_context.h"
#include "test_support/engine/engine_harness.h"
#include "test_support/publisher_client.h"
#include "test_support/temp_folder.h"
#include "update/download/download_manager.h"

namespace road_testing {

// Relative path ("/" between folders) -> md5 and size.
using Tree = std::map<std::string, VersionMapEntry>;

inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

inline Json::Value ReadJsonFile(const std::string& path) {
  std::string text, error;
  Json::Value root;
  EXPECT_TRUE(ReadFileTextA(path, &text)) << path;
  EXPECT_TRUE(ParseJson(text, &root, &error)) << path << error;
  return root;
}

// Every file below `folder` as a relative path with "/", skipping `skipped`
// (relative paths).
inline std::vector<std::string> FilesBelow(const std::string& folder,
                                           const std::vector<std::string>& skipped = {}) {
  std::vector<std::string> files, relative;
  ListFiles(folder, &files, {});
  for (std::string file : files) {
    file = file.substr(folder.size() + 1);
    for (char& c : file) {
      if (c == '\\') c = '/';
    }
    bool skip = false;
    for (const std::string& s : skipped) skip = skip || s == file;
    if (!skip) relative.push_back(file);
  }
  return relative;
}

inline void CopyTree(const std::string& from, const std::string& to) {
  std::vector<std::string> files;
  ASSERT_GE(ListFiles(from, &files, {}), 0) << from;
  for (const std::string& file : files) {
    const std::string target = to + file.substr(from.size());
    CreateParentFoldersA(target);
    ASSERT_TRUE(CopyFileA(file.c_str(), target.c_str(), FALSE)) << file;
  }
}

inline void CopyFileMakingFolders(const std::string& from, const std::string& to) {
  CreateParentFoldersA(to);
  ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

// Every file of `tree` is in `folder` with its digest, and no other file is,
// but those of `extra`. Returns the differences, one per line.
inline std::string CompareTree(const std::string& folder, const Tree& tree,
                               const std::vector<std::string>& extra = {}) {
  std::string differences;
  for (const auto& entry : tree) {
    std::string digest;
    int64_t size = 0;
    std::string path = folder + "\\" + entry.first;
    if (!FileMatchesMd5(path, entry.second.md5, &digest, &size)) {
      differences += entry.first + ": " + (digest.empty() ? "missing" : digest) + "\n";
    }
  }
  for (const std::string& file : FilesBelow(folder, extra)) {
    if (!tree.count(file)) differences += file + ": stray\n";
  }
  return differences;
}

class RoadFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(publisher_.Connect(&error)) << error;
    ASSERT_TRUE(publisher_.Reset());
    release_ = NormalizePathA(Env("QUORVEL_SAMPLE_RELEASE"), false);
    ASSERT_FALSE(release_.empty());
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    old_cwd_ = cwd;
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
    CreateDirectoriesW(GetExceptionFolder());
    CreateDirectoriesW(GetUpdateFolder());
    CreateDirectoriesW(GetSaveFolderW());
    summary_ = ReadJsonFile(release_ + "\\release.json");
    launcher_ = std::string(folder_.path().begin(), folder_.path().end());
    game_ = launcher_ + "\\game";
    CreateDirectoriesA(game_);
    harness_ = std::make_unique<engine_testing::EngineHarness>();
    controller_ = harness_->controller();
    controller_->settings.gamePath.Set(std::wstring(game_.begin(), game_.end()));
    controller_->publicAddress = "127.0.0.1";  // no echo request to the real endpoint
    harness_->OnWorker([this] {
      DownloadManager::ServerOverrides overrides;
      overrides.gate_urls = {publisher_.Url("gate") + "/"};
      DownloadManager* engine = DownloadManager::GetInstance();
      engine->Init(overrides);
      engine->SetDownloadUrls({publisher_.Url("dl0") + "/"});
    });
  }

  void TearDown() override {
    if (harness_) harness_->OnWorker([] { DownloadManager::GetInstance()->Shutdown(); });
    harness_.reset();
    if (!old_cwd_.empty()) SetCurrentDirectoryW(old_cwd_.c_str());
  }

  Tree TreeOf(const std::string& name) const {
    Tree tree;
    const Json::Value& files = summary_["trees"][name];
    for (const std::string& path : files.getMemberNames()) {
      tree[path] = {files[path]["md5"].asString(), files[path]["size"].asInt64()};
    }
    return tree;
  }

  LauncherController::StateInfo Current() const { return controller_->GetSnapshot()->state; }

  // Ticks until the current state is no longer `type`, at most `limit` ticks,
  // pumping the download engine; the number of ticks it took, or -1.
  int TickWhile(int32_t type, int limit = 20000) {
    harness_->pump_engine = true;
    for (int i = 0; i < limit; ++i) {
      if (Current().type != type) return i;
      harness_->Tick();
    }
    return Current().type != type ? limit : -1;
  }

  std::vector<std::string> RequestedPaths() const {
    std::vector<std::string> paths;
    for (const Json::Value& entry : publisher_.Log()) paths.push_back(entry["path"].asString());
    return paths;
  }

  testing_support::PublisherClient publisher_;
  std::string release_;
  Json::Value summary_;
  testing_support::TempFolder folder_;
  std::string launcher_;
  std::string game_;
  std::wstring old_cwd_;
  std::unique_ptr<engine_testing::EngineHarness> harness_;
  LauncherController* controller_ = nullptr;
};

}  // namespace road_testing

#endif  // TESTS_UPDATE_STATES_ROAD_FIXTURE_H_
