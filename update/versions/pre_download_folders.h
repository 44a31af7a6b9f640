// Pre-download folders: one sub-folder of the pre-download root
// (".\update\predownload") per next game version, named by the version text.
// A folder whose "predownload_version_map.txt" names its own version is
// complete; one that holds "tmp_predownload_version_map.txt" is unfinished.
//
// The folder list is read once when the engine thread starts and kept by the
// controller; these functions take it as an argument. The engine thread calls
// them; the windows also call HasUnfinishedPreDownload.
#ifndef UPDATE_VERSIONS_PRE_DOWNLOAD_FOLDERS_H_
#define UPDATE_VERSIONS_PRE_DOWNLOAD_FOLDERS_H_

#include <string>
#include <vector>

#include "update/versions/version_map.h"

// The pre-download root, ".\update\predownload".
std::string PreDownloadRoot();
// The folder of pre-download version `version` under the root (no trailing
// separator); empty when `version` is not a version text (three parts of
// digits), so a server's text never names another folder.
std::string PreDownloadFolderOf(const std::string& version);

// Names of the root's direct sub-folders (empty when it cannot be listed).
std::vector<std::string> ListPreDownloadFolders(const std::string& root);

// -1 when no pre-download version is known; 1 when its folder is not in
// `folders` or its map is missing, unreadable or of another version; 0 when
// the folder is complete. When the folder is listed, `local_map` (the
// "_local_predownload_version_" slot) is emptied and receives its map.
int GetPreDownloadStatus(const std::string& root, const std::string& version,
                         const std::vector<std::string>& folders, VersionMap* local_map);

// Deletes the folders of versions that are not above the installed game
// `local_version` (A, C, B order; equal included) and drops them from
// `folders`; a name that is not a version leaves the list but stays on disk.
// Returns the count kept, 0 when the list was empty, -1 without a local
// version, -2 when the local version is not one.
int PrunePreDownloads(const std::string& root, const std::string& local_version,
                      std::vector<std::string>* folders);

// True when the version's folder holds "tmp_predownload_version_map.txt".
bool HasUnfinishedPreDownload(const std::string& root, const std::string& version);

#endif  // UPDATE_VERSIONS_PRE_DOWNLOAD_FOLDERS_H_
