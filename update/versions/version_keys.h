// The controller's version-key map: the twelve named slots in which the
// engine keeps the local, remote, to-fetch and patch maps of the launcher, the
// game and the pre-download, and the loading of the launcher's and the game's
// installed versions.
//
// The map itself lives in the launcher controller; these functions take it
// (or the folders they read) as arguments and keep no state. The engine
// thread calls them; the windows also call LoadGameVersion and
// GameVersionChanged.
#ifndef UPDATE_VERSIONS_VERSION_KEYS_H_
#define UPDATE_VERSIONS_VERSION_KEYS_H_

#include <map>
#include <string>

#include "update/versions/version_map.h"

extern const char kLocalLauncherVersionKey[];     // "_local_launcher_version_"
extern const char kRemoteLauncherVersionKey[];    // "_remote_launcher_version_"
extern const char kUpdateLauncherVersionKey[];    // "_update_launcher_version_"
extern const char kLauncherPatchVersionKey[];     // "_launcher_patch_version_"
extern const char kLocalGameVersionKey[];         // "_local_game_version_"
extern const char kRemoteGameVersionKey[];        // "_remote_game_version_"
extern const char kUpdateGameVersionKey[];        // "_update_game_version_"
extern const char kGamePatchVersionKey[];         // "_game_patch_version_"
extern const char kLocalPreDownloadVersionKey[];  // "_local_predownload_version_"
extern const char kRemotePreDownloadVersionKey[]; // "_remote_predownload_version_"
extern const char kUpdatePreDownloadVersionKey[]; // "_update_predownload_version_"
extern const char kPreDownloadPatchVersionKey[];  // "_predownload_patch_version_"

// The twelve keys in the order the engine thread resets them at start and
// erases them at shut-down.
extern const char* const kVersionKeys[12];

// Map files.
extern const char kLauncherVersionMapFile[];          // "launcher_version_map.txt"
extern const char kGameVersionMapFile[];              // "version_map.txt"
extern const char kPreDownloadVersionMapFile[];       // "predownload_version_map.txt"
extern const char kTempPreDownloadVersionMapFile[];   // "tmp_predownload_version_map.txt"

using VersionMaps = std::map<std::string, VersionMap>;

// Makes the key's map exist and be empty; returns it.
VersionMap& ResetVersionMap(VersionMaps* maps, const std::string& key);

// The launcher's version: that of "launcher_version_map.txt" in the working
// folder, "1.0.0" when there is none.
std::string LoadLauncherVersion();

struct GameVersions {
  std::string local;    // version of the game folder's "version_map.txt"
  std::string remote;   // equal to local until the servers say otherwise
  std::string display;  // FormatGameVersion of local, or empty
};

// Reads the installed game's version from the game folder.
GameVersions LoadGameVersion(const std::wstring& game_path);

// True when both are known and differ.
bool GameVersionChanged(const std::string& local, const std::string& remote);

// Reads the game folder's "version_map.txt" into `map` (emptied first).
bool LoadLocalGameVersionMap(const std::wstring& game_path, VersionMap* map, std::string* error);

#endif  // UPDATE_VERSIONS_VERSION_KEYS_H_
