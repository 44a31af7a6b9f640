#include "update/versions/version_map.h"

#include <windows.h>

#include <json/json.h>

#include <cstring>

#include "base/util/string_format.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/util/string_util.h"

const char kVersionEntryName[] = "version";

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Reads one map member into `entry`; false with a reason when it is refused.
bool ReadEntry(const std::string& name, const Json::Value& value, VersionMapEntry* entry,
               std::string* reason) {
  if (!value.isObject()) {
    *reason = "is not an object";
    return false;
  }
  entry->md5.clear();
  entry->size = 0;
  const Json::Value& md5 = value["md5"];
  if (!md5.isNull()) {
    if (!md5.isString()) {
      *reason = "has an md5 that is not a string";
      return false;
    }
    entry->md5 = md5.asString();
  }
  const Json::Value& size = value["size"];
  if (!size.isNull()) {
    if (!size.isInt64() || size.asInt64() < 0) {
      *reason = "has a size that is not a byte count";
      return false;
    }
    if (size.asInt64() > kMaxFileSize) {
      *reason = "has a size above the largest file a map may list";
      return false;
    }
    entry->size = size.asInt64();
  }
  if (name == kVersionEntryName) {
    // The flat layout's version; in the list layout a file of that name.
    if (!entry->md5.empty() && !IsSafeVersionText(entry->md5) && !IsMd5Text(entry->md5)) {
      *reason = "holds a version that is not digits joined by '_' or '.'";
      return false;
    }
    return true;
  }
  if (!IsSafeRelativePath(name)) {
    *reason = "is not a relative path inside the product folder";
    return false;
  }
  if (!entry->md5.empty() && !IsMd5Text(entry->md5)) {
    *reason = "has an md5 that is not 32 hexadecimal digits";
    return false;
  }
  return true;
}

// CON, NUL, COM1 and their kin name devices in every folder, with any
// extension: writing to one never lands in the product folder.
bool IsDeviceName(const std::string& component) {
  std::string stem = component.substr(0, component.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
      stem == "CONOUT$") {
    return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

// Names the launcher keeps beside a file it fetches, patches or writes whole
// (as WindowsPathKey has them): the resume record and the record being
// written, a small file fetched whole, a patched file being built, the
// file's patch in the staging folder (either suffix) and, followed by a
// number, a whole-file write.
const char* const kSideSuffixes[] = {".CFG", ".CFG.WRITING", ".PART", ".QVPATCH", ".PATCH",
                                     ".CVDIFF"};
const char kNumberedSideSuffix[] = ".~";

// The listed file that `key` would sit beside as bookkeeping, or null.
const std::string* SideFileOwner(const std::string& key,
                                 const std::map<std::string, const std::string*>& keys) {
  auto owner = [&keys](const std::string& name) -> const std::string* {
    auto found = keys.find(name);
    return found == keys.end() ? nullptr : found->second;
  };
  for (const char* suffix : kSideSuffixes) {
    const size_t length = strlen(suffix);
    if (key.size() > length && key.compare(key.size() - length, length, suffix) == 0) {
      if (const std::string* found = owner(key.substr(0, key.size() - length))) return found;
    }
  }
  const size_t mark = key.rfind(kNumberedSideSuffix);
  if (mark != std::string::npos && mark + 2 < key.size() &&
      key.find_first_not_of("0123456789", mark + 2) == std::string::npos) {
    return owner(key.substr(0, mark));
  }
  return nullptr;
}

// False, with the error, when two entries are one file on Windows, or one
// is a name the launcher's own bookkeeping uses beside another: that
// bookkeeping would overwrite or delete a listed file.
bool HasOneEntryPerFile(const VersionMap& map, std::string* error) {
  std::map<std::string, const std::string*> keys;
  for (const auto& item : map) {
    auto added = keys.emplace(WindowsPathKey(item.first), &item.first);
    if (!added.second) {
      *error = base::StringFormat("version map: entries \"%s\" and \"%s\" name one file",
                                  added.first->second->c_str(), item.first.c_str());
      return false;
    }
  }
  for (const auto& key : keys) {
    if (const std::string* owner = SideFileOwner(key.first, keys)) {
      *error = base::StringFormat(
          "version map: entry \"%s\" is a name the launcher keeps beside \"%s\"",
          key.second->c_str(), owner->c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

std::string WindowsPathKey(const std::string& path) {
  std::wstring wide;
  Utf8ToWide(path, &wide);
  std::wstring key;
  size_t start = 0;
  for (;;) {
    size_t stop = wide.find_first_of(L"/\\", start);
    std::wstring component = wide.substr(start, stop == std::wstring::npos ? stop : stop - start);
    // The system drops them when it opens a name: "a." and "a " are "a".
    size_t kept = component.find_last_not_of(L". ");
    component.resize(kept == std::wstring::npos ? 0 : kept + 1);
    if (!key.empty() || start > 0) key += L'\\';
    key += component;
    if (stop == std::wstring::npos) break;
    start = stop + 1;
  }
  if (!key.empty()) CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
  std::string narrow;
  WideToUtf8(key, &narrow);
  return narrow;
}

bool IsSafeRelativePath(const std::string& path) {
  if (path.empty()) return false;
  for (unsigned char c : path) {
    if (c < 0x20 || c == 0x7f || c == ':') return false;
  }
  std::string component;
  for (size_t i = 0; i <= path.size(); ++i) {
    char c = i < path.size() ? path[i] : '/';
    if (c != '/' && c != '\\') {
      component += c;
      continue;
    }
    // Empty covers a leading separator (rooted path) and doubled ones; the
    // system drops trailing dots and blanks, so "..." and ". ." mean "..".
    if (component.find_first_not_of(". ") == std::string::npos) return false;
    if (IsDeviceName(component)) return false;
    component.clear();
  }
  return true;
}

bool IsMd5Text(const std::string& text) {
  if (text.size() != 32) return false;
  for (char c : text) {
    if (!IsHexDigit(c)) return false;
  }
  return true;
}

bool IsSafeVersionText(const std::string& text) {
  if (text.empty()) return false;
  bool digit_before = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit_before = true;
    } else if ((c == '_' || c == '.') && digit_before) {
      digit_before = false;
    } else {
      return false;
    }
  }
  return digit_before;
}

bool ReadVersionMapList(const Json::Value& root, VersionMap* map, std::string* error) {
  map->clear();
  if (!root.isObject()) {
    *error = "version map: the root is not an object";
    return false;
  }
  const Json::Value& list = root["list"];
  const bool list_layout = !list.isNull();
  if (list_layout && !list.isObject()) {
    *error = "version map: \"list\" is not an object";
    return false;
  }
  if (list_layout && root["version"].isString() &&
      !IsSafeVersionText(root["version"].asString())) {
    *error = "version map: the version is not digits joined by '_' or '.'";
    return false;
  }
  const Json::Value& entries = list_layout ? list : root;
  for (const std::string& name : entries.getMemberNames()) {
    const Json::Value& value = entries[name];
    if (!list_layout) {
      // A list-layout root whose list is null (nothing was hashed): its
      // version text and the null list are no entries.
      if (name == "list" && value.isNull()) continue;
      if (name == kVersionEntryName && value.isString()) {
        if (!IsSafeVersionText(value.asString())) {
          *error = "version map: the version is not digits joined by '_' or '.'";
          map->clear();
          return false;
        }
        continue;
      }
    }
    VersionMapEntry entry;
    std::string reason;
    if (!ReadEntry(name, value, &entry, &reason)) {
      *error = base::StringFormat("version map: entry \"%s\" %s", name.c_str(), reason.c_str());
      map->clear();
      return false;
    }
    (*map)[name] = entry;
  }
  if (!HasOneEntryPerFile(*map, error)) {
    map->clear();
    return false;
  }
  return true;
}

bool ParseVersionMap(const std::string& text, VersionMap* map, std::string* error) {
  map->clear();
  if (text.empty()) return false;
  Json::Value root;
  if (!ParseJson(text, &root, error)) return false;
  return ReadVersionMapList(root, map, error);
}

bool LoadVersionMapFile(const std::wstring& path, VersionMap* map, std::string* error) {
  map->clear();
  std::string text;
  if (!ReadFileTextW(path, &text)) {
    std::string narrow;
    WideToUtf8(path, &narrow);
    *error = "cannot read " + narrow;
    return false;
  }
  return ParseVersionMap(text, map, error);
}

std::string GetMapVersion(const VersionMap& map) {
  auto it = map.find(kVersionEntryName);
  return it == map.end() ? std::string() : it->second.md5;
}

void ReadVersionFromFile(const std::wstring& path, std::string* version,
                         const std::string& fallback) {
  *version = fallback;
  std::string text;
  Json::Value root;
  std::string error;
  if (!ReadFileTextW(path, &text) || !ParseJson(text, &root, &error) || !root.isObject() ||
      !root.isMember(kVersionEntryName)) {
    return;
  }
  const Json::Value& member = root[kVersionEntryName];
  std::string found;
  if (member.isString()) {
    found = member.asString();
  } else if (member.isObject() && member["md5"].isString()) {
    found = member["md5"].asString();
  }
  // An unsound version text would later name folders; the fallback is safer.
  if (found.empty() || IsSafeVersionText(found)) *version = found;
}

void DiffVersionMaps(VersionMap* local, const VersionMap& remote, VersionMap* fetch,
                     std::vector<std::string>* deleted) {
  fetch->clear();
  if (local->empty()) {
    *fetch = remote;
  } else {
    for (const auto& item : remote) {
      auto it = local->find(item.first);
      if (it == local->end()) {
        fetch->insert(item);
        continue;
      }
      if (it->second.md5 != item.second.md5) fetch->insert(item);
      local->erase(it);
    }
    for (const auto& item : *local) deleted->push_back(item.first);
  }
  fetch->erase(kVersionEntryName);
}

bool IsValidJson(const char* data, int64_t length, std::string* error) {
  if (data == nullptr || length <= 0) return false;
  Json::Value root;
  return ParseJson(data, static_cast<size_t>(length), &root, error);
}
