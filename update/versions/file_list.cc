#include "update/versions/file_list.h"

#include <json/json.h>

#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "update/versions/version_map.h"

bool ReadFileList(const std::string& path, FileList* list) {
  std::string text;
  Json::Value root;
  std::string error;
  if (!ReadFileTextA(path, &text) || !ParseJson(text, &root, &error) || !root.isObject()) {
    return false;
  }
  const Json::Value& version = root["version"];
  if (!version.isString()) return false;
  list->version = version.asString();
  const Json::Value& files = root["fileList"];
  if (!files.isArray()) return false;
  list->files.clear();
  for (const Json::Value& element : files) {
    if (!element.isString() || !IsSafeRelativePath(element.asString())) {
      list->files.clear();
      return false;
    }
    list->files.push_back(element.asString());
  }
  return true;
}

bool WriteFileList(const std::string& path, const FileList& list) {
  if (list.version.empty() || list.files.empty()) return false;
  Json::Value root(Json::objectValue);
  root["version"] = list.version;
  Json::Value& files = root["fileList"] = Json::Value(Json::arrayValue);
  for (const std::string& file : list.files) files.append(file);
  return WriteJsonFile(path, root);
}
