#include "update/states/pre_download_fixture.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "app/util/file_util.h"
#include "update/states/pre_download_state.h"
#include "update/versions/pre_download_folders.h"

namespace road_testing {

namespace {

Json::Value Servers(const std::string& server, const std::string& folder) {
  Json::Value list(Json::arrayValue);
  if (!folder.empty()) list.append("{url:" + server + "}/" + folder + "/");
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

void PreDownloadFixture::SetUp() {
  RoadTest::SetUp();
  if (HasFatalFailure()) return;
  PrepareHarness();
}

void PreDownloadFixture::PrepareHarness() {
  harness_->make_pre_download_state = [] { return std::make_unique<PreDownloadState>(); };
  harness_->pump_engine = true;
  harness_->OnWorker([this] {
    controller_->preDownloadVersion.Set("");
    controller_->resumeRequested = false;
    controller_->pausedByUser = false;
    controller_->preDownloadFolders = ListPreDownloadFolders(PreDownloadRoot());
    controller_->LoadGameVersion();
  });
}

void PreDownloadFixture::ServeGameAndNext(const std::string& game_folder,
                                          const std::string& pre_folder) {
  game_folder_ = game_folder;
  pre_folder_ = pre_folder;
  Json::Value config;
  config["directory"] = ReadJson(release_ + "\\release-2\\publisher.json")["directory"];
  Json::Value& directory = config["directory"];
  const std::string suffix = game_folder.empty() ? "" : "/" + game_folder + "/";
  for (Json::Value* list : {&directory["DlcAddr"], &directory["Others"]["DlcAddr"]}) {
    for (Json::Value& url : *list) url = url.asString() + suffix;
  }
  directory["Others"]["PreDlcAddr"] = Servers("dl2", pre_folder);
  Json::Value region;
  region["KOREA_pc_addr"] = Servers("dl2", pre_folder);
  config["region"]["info"].append(region);
  ASSERT_TRUE(publisher_.SetConfig(config));
}

void PreDownloadFixture::Restart() {
  RoadTest::TearDown();
  RoadTest::SetUp();  // a new harness in the same folders; the publisher reset
  if (HasFatalFailure()) return;
  PrepareHarness();
  ServeGameAndNext(game_folder_, pre_folder_);
}

bool PreDownloadFixture::PreDownloadRunning() const {
  bool running = false;
  harness_->OnWorker([&] { running = controller_->preDownloadState != nullptr; });
  return running;
}

std::vector<std::string> PreDownloadFixture::ChangedFiles(const std::string& from,
                                                          const std::string& to) const {
  const std::map<std::string, std::string> old_tree = TreeOf(from);
  std::vector<std::string> changed;
  for (const auto& entry : TreeOf(to)) {
    auto old = old_tree.find(entry.first);
    if (old == old_tree.end() || old->second != entry.second) changed.push_back(entry.first);
  }
  return changed;
}

}  // namespace road_testing
