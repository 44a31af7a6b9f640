#include "app/util/version_map_tool.h"

#include <windows.h>

#include <json/json.h>

#include <cstdint>
#include <fstream>
#include <vector>

#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/util/md5_context.h"
#include "app/util/string_util.h"

namespace {

const char kLauncherMapFile[] = "launcher_version_map.txt";
const char kDependenceMapFile[] = "dependence_version_map.txt";
const char* const kLauncherFiles[] = {
    "launcher.exe",  "resources.zip", "SourceHanSansCNRegular.ttf", "SourceHanSansCNBold.ttf",
    "LomaN.ttf",     "LomaB.ttf",
};

bool WriteMap(const std::vector<std::string>& paths, const std::string& root,
              const std::wstring& version, const char* output) {
  Json::Value list;  // stays null when nothing is hashed
  for (const std::string& path : paths) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) continue;  // missing, or held without read sharing
    std::string digest;
    int64_t size = 0;
    if (!GetStreamMd5(file, &digest, &size)) continue;
    std::string name = path.substr(root.size());
    for (char& c : name) {
      if (c == '\\') c = '/';
    }
    Json::Value entry(Json::objectValue);
    entry["md5"] = digest;
    entry["size"] = Json::Int64(size);
    list[name] = entry;
  }
  Json::Value root_value(Json::objectValue);
  std::string narrow_version = "1.0.0";
  if (!version.empty()) WideToUtf8(version, &narrow_version);
  root_value["version"] = narrow_version;
  root_value["list"] = list;
  return WriteJsonFile(root + output, root_value);
}

}  // namespace

bool MakeVersionMap(const std::wstring& version) {
  const std::string root = NormalizePathA(".", true);
  std::vector<std::string> paths;
  for (const char* name : kLauncherFiles) paths.push_back(root + name);
  ListFiles(root + "cef", &paths, {});
  return WriteMap(paths, root, version, kLauncherMapFile);
}

bool MakeDependenceVersionMap(const std::wstring& version) {
  const std::string root = NormalizePathA(".", true);
  std::vector<std::string> paths;
  ListFiles(root + "dependence", &paths, {});
  return WriteMap(paths, root, version, kDependenceMapFile);
}
