// patch_update_bench.exe: the game pass's apply step (ApplyUpdateState) on
// the sample release's update from game 1 to game 2 by patches, timed.
//
//   patch_update_bench.exe RELEASE WORK RUNS
//
// RELEASE is the folder make_sample_release.py wrote; WORK a scratch folder
// (the launcher's folder, with "game" and "update" inside). Each run installs
// game 1, stages the patches and the new files, then times the state from
// its Enter to its hand-over, patches, digests and moves included. Prints one
// line per run and "median_ms N".
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "update/states/apply_update_state.h"
#include "update/versions/version_keys.h"
#include "update/versions/version_map.h"

namespace {

VersionMap TreeOf(const Json::Value& summary, const std::string& name) {
  VersionMap map;
  const Json::Value& files = summary["trees"][name];
  for (const std::string& path : files.getMemberNames()) {
    map[path] = {files[path]["md5"].asString(), files[path]["size"].asInt64()};
  }
  return map;
}

bool Copy(const std::string& from, const std::string& to) {
  CreateParentFoldersA(to);
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::printf("usage: patch_update_bench RELEASE WORK RUNS\n");
    return 2;
  }
  const std::string release = argv[1];
  const std::string work = argv[2];
  const int runs = std::max(1, std::atoi(argv[3]));
  std::string text;
  Json::Value summary;
  if (!ReadFileTextA(release + "\\release.json", &text) || !ParseJson(text, &summary, nullptr)) {
    std::printf("no release.json\n");
    return 1;
  }
  VersionMap update;
  const VersionMap old_tree = TreeOf(summary, "game-1");
  for (const auto& entry : TreeOf(summary, "game-2")) {
    auto old = old_tree.find(entry.first);
    if (old == old_tree.end() || old->second.md5 != entry.second.md5) update.insert(entry);
  }
  VersionMap patches;
  const std::string from = release + "\\release-2\\patchs\\3_1_0\\";
  if (!ReadFileTextA(from + "patch_list.txt", &text) || !ParseVersionMap(text, &patches, nullptr)) {
    std::printf("no patch list\n");
    return 1;
  }

  CreateDirectoriesA(work);
  SetCurrentDirectoryA(work.c_str());
  const std::string game = work + "\\game";
  LauncherController* controller = LauncherController::GetInstance();
  controller->settings.gamePath.Set(std::wstring(game.begin(), game.end()));
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    DeleteDirectory(game);
    DeleteDirectory(work + "\\update");
    std::vector<std::string> files;
    const std::string installed = release + "\\installed\\game-1";
    ListFiles(installed, &files, {});
    for (const std::string& file : files) Copy(file, game + file.substr(installed.size()));
    for (const auto& entry : update) {
      const bool patched = patches.count(entry.first) != 0;
      const std::string source = patched ? from + entry.first + ".patch"
                                         : release + "\\release-2\\" + entry.first;
      Copy(source, work + "\\update\\" + entry.first + (patched ? ".patch" : ""));
    }
    Copy(release + "\\release-2\\version_map.txt", game + "\\tmp_version_map.txt");
    controller->versionMaps[kUpdateGameVersionKey] = update;
    controller->versionMaps[kGamePatchVersionKey] = patches;
    controller->remoteGameVersion.Set("3_2_0");
    controller->patchOption = 2;
    controller->autoEnterGame = false;

    const auto start = std::chrono::steady_clock::now();
    controller->SetState(std::make_unique<ApplyUpdateState>(1));
    while (controller->currentState && controller->currentState->GetType() == kApplyUpdateState) {
      controller->currentState->Update();
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    const bool ok = controller->currentState &&
                    controller->currentState->GetType() == kEnterGameState &&
                    controller->localGameVersion.Get() == "3_2_0";
    std::printf("run %d: %.1f ms%s\n", run + 1, ms, ok ? "" : " (FAILED)");
    if (!ok) return 1;
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("median_ms %.1f\n", times[times.size() / 2]);
  return 0;
}
