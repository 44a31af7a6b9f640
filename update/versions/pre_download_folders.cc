#include "update/versions/pre_download_folders.h"

#include <windows.h>

#include "app/util/file_util.h"
#include "update/versions/version_keys.h"
#include "update/versions/version_text.h"

std::string PreDownloadRoot() { return GetPreDownloadFolder(); }

std::string PreDownloadFolderOf(const std::string& version) {
  if (!IsVersionText(version)) return std::string();
  return NormalizePathA(PreDownloadRoot(), true) + version;
}

std::vector<std::string> ListPreDownloadFolders(const std::string& root) {
  std::vector<std::string> names;
  if (ListSubfolders(root, &names) < 0) names.clear();
  return names;
}

int GetPreDownloadStatus(const std::string& root, const std::string& version,
                         const std::vector<std::string>& folders, VersionMap* local_map) {
  if (version.empty()) return -1;
  bool listed = false;
  for (const std::string& name : folders) listed = listed || name == version;
  if (!listed) return 1;
  local_map->clear();
  // The name matched a folder found on disk, so it is a plain folder name.
  std::string path = NormalizePathA(NormalizePathA(root, true) + version, true) +
                     kPreDownloadVersionMapFile;
  std::string text;
  std::string error;
  if (!ReadFileTextA(path, &text) || !ParseVersionMap(text, local_map, &error)) return 1;
  return GetMapVersion(*local_map) == version ? 0 : 1;
}

int PrunePreDownloads(const std::string& root, const std::string& local_version,
                      std::vector<std::string>* folders) {
  if (folders->empty()) return 0;
  if (local_version.empty()) return -1;
  if (!IsVersionText(local_version)) return -2;
  std::vector<std::string> kept;
  for (const std::string& name : *folders) {
    if (!IsVersionText(name)) continue;  // not ours: left alone on disk
    if (CompareVersionOrder(name, local_version) > 0) {
      kept.push_back(name);
    } else {
      DeleteDirectory(NormalizePathA(root, true) + name);
    }
  }
  folders->swap(kept);
  return static_cast<int>(folders->size());
}

bool HasUnfinishedPreDownload(const std::string& root, const std::string& version) {
  // The version comes from the servers: only a plain version names a folder.
  if (!IsVersionText(version)) return false;
  std::string path = NormalizePathA(NormalizePathA(root, true) + version, true) +
                     kTempPreDownloadVersionMapFile;
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
