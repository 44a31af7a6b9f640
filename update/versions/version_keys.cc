#include "update/versions/version_keys.h"

#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "update/versions/version_text.h"

const char kLocalLauncherVersionKey[] = "_local_launcher_version_";
const char kRemoteLauncherVersionKey[] = "_remote_launcher_version_";
const char kUpdateLauncherVersionKey[] = "_update_launcher_version_";
const char kLauncherPatchVersionKey[] = "_launcher_patch_version_";
const char kLocalGameVersionKey[] = "_local_game_version_";
const char kRemoteGameVersionKey[] = "_remote_game_version_";
const char kUpdateGameVersionKey[] = "_update_game_version_";
const char kGamePatchVersionKey[] = "_game_patch_version_";
const char kLocalPreDownloadVersionKey[] = "_local_predownload_version_";
const char kRemotePreDownloadVersionKey[] = "_remote_predownload_version_";
const char kUpdatePreDownloadVersionKey[] = "_update_predownload_version_";
const char kPreDownloadPatchVersionKey[] = "_predownload_patch_version_";

const char* const kVersionKeys[12] = {
    kLauncherPatchVersionKey,     kLocalLauncherVersionKey,     kRemoteLauncherVersionKey,
    kUpdateLauncherVersionKey,    kGamePatchVersionKey,         kLocalGameVersionKey,
    kRemoteGameVersionKey,        kUpdateGameVersionKey,        kPreDownloadPatchVersionKey,
    kLocalPreDownloadVersionKey,  kRemotePreDownloadVersionKey, kUpdatePreDownloadVersionKey,
};

const char kLauncherVersionMapFile[] = "launcher_version_map.txt";
const char kGameVersionMapFile[] = "version_map.txt";
const char kPreDownloadVersionMapFile[] = "predownload_version_map.txt";
const char kTempPreDownloadVersionMapFile[] = "tmp_predownload_version_map.txt";

VersionMap& ResetVersionMap(VersionMaps* maps, const std::string& key) {
  VersionMap& map = (*maps)[key];
  map.clear();
  return map;
}

namespace {

std::wstring Widen(const char* text) {
  std::wstring wide;
  Utf8ToWide(text, &wide);
  return wide;
}

}  // namespace

std::string LoadLauncherVersion() {
  std::string version;
  ReadVersionFromFile(NormalizePathW(L".", true) + Widen(kLauncherVersionMapFile), &version,
                      "1.0.0");
  return version;
}

GameVersions LoadGameVersion(const std::wstring& game_path) {
  GameVersions versions;
  ReadVersionFromFile(NormalizePathW(game_path, true) + Widen(kGameVersionMapFile),
                      &versions.local, std::string());
  versions.remote = versions.local;
  if (!versions.local.empty()) FormatGameVersion(versions.local, &versions.display);
  return versions;
}

bool GameVersionChanged(const std::string& local, const std::string& remote) {
  return !local.empty() && !remote.empty() && local != remote;
}

bool LoadLocalGameVersionMap(const std::wstring& game_path, VersionMap* map, std::string* error) {
  return LoadVersionMapFile(NormalizePathW(game_path, true) + Widen(kGameVersionMapFile), map,
                            error);
}
