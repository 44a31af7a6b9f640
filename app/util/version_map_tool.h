// The tool modes "make_version" and "make_dependence_version": instead of
// starting, the launcher hashes files of its folder (the working folder) and
// writes a version map of them in the list layout, for the publisher to put
// on the download servers.
//
//   MakeVersionMap            "launcher.exe", "resources.zip", the four fonts
//                             and everything below "cef"
//                             -> "launcher_version_map.txt"
//   MakeDependenceVersionMap  everything below "dependence"
//                             -> "dependence_version_map.txt"
//
// Files that cannot be opened are left out. The version is "1.0.0" when the
// argument is empty. Run by the process entry before anything else exists.
#ifndef APP_UTIL_VERSION_MAP_TOOL_H_
#define APP_UTIL_VERSION_MAP_TOOL_H_

#include <string>

// Both return whether the map file was written; the process entry exits with
// 0 either way.
bool MakeVersionMap(const std::wstring& version);
bool MakeDependenceVersionMap(const std::wstring& version);

#endif  // APP_UTIL_VERSION_MAP_TOOL_H_
