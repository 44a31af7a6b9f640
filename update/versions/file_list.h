// The apply list "apply_list.txt" in the folder "update": the version being
// applied and the relative paths of its files, in order. An interrupted update
// reads it back to finish applying.
//
// Plain data and functions; the engine thread uses them.
#ifndef UPDATE_VERSIONS_FILE_LIST_H_
#define UPDATE_VERSIONS_FILE_LIST_H_

#include <string>
#include <vector>

struct FileList {
  std::string version;
  std::vector<std::string> files;
};

// Reads {"version": text, "fileList": [text, ...]}. False when the file is
// unreadable or not such an object; the version is taken before the list is
// checked. Every element must be a relative path inside the product folder,
// otherwise the list is refused (emptied, false).
bool ReadFileList(const std::string& path, FileList* list);

// Writes the list (tab-indented JSON) only when both the version and the file
// list are non-empty; otherwise nothing is written and an older file stays.
bool WriteFileList(const std::string& path, const FileList& list);

#endif  // UPDATE_VERSIONS_FILE_LIST_H_
