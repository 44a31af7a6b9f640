// Where the launcher's small state files lie and how they are read and
// written: JSON objects in the save folder, written tab-indented, replacing
// the file whole. Stateless; any thread (the callers keep to the threads
// their records name).
#ifndef APP_CONFIG_SAVE_FILES_H_
#define APP_CONFIG_SAVE_FILES_H_

#include <json/json.h>

#include <string>

// The file `name` in the save folder.
std::string SaveFilePath(const char* name);

// Reads and parses the save-folder file `name`; false, `root` unchanged,
// when it cannot be read or does not parse.
bool ReadSaveFileJson(const char* name, Json::Value* root);

// Writes `root` to the save-folder file `name`; false when it failed (the old
// file then stays as it was).
bool WriteSaveFileJson(const char* name, const Json::Value& root);

// Whether the file exists in the launcher's sense: it opens for reading
// while others may read and write it.
bool FileOpensForReading(const std::wstring& path);

#endif  // APP_CONFIG_SAVE_FILES_H_
