// Version maps: the JSON lists of a product's files (relative path, MD5 digest,
// size) on which every update decision rests, their in-memory form, and the
// comparison of a local map with a remote one.
//
// A map file comes in two layouts, both read everywhere:
//   list layout  {"version": "1_2_3", "list": {"a/b.dll": {"md5": .., "size": ..}}}
//   flat layout  {"version": {"md5": "1_2_3"}, "a/b.dll": {"md5": .., "size": ..}}
// In the flat layout "version" is read as an entry whose md5 is the version.
//
// Maps come from servers, so a map is refused as a whole, with an error text,
// when an entry could turn into a path outside the product's folder, when two
// entries name one file on Windows, when an entry bears a name the launcher
// keeps beside another entry's file (its resume record, say), or when an
// entry holds a digest, size or version that is not one: paths are checked here once, before any caller
// builds a path from them.
//
// Plain functions without state; the engine thread calls them, the windows
// may call ReadVersionFromFile too.
#ifndef UPDATE_VERSIONS_VERSION_MAP_H_
#define UPDATE_VERSIONS_VERSION_MAP_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Json {
class Value;
}

struct VersionMapEntry {
  std::string md5;   // 32 hexadecimal digits, compared byte for byte
  int64_t size = 0;  // bytes
};

// The largest file a map may list (64 GiB): far above any file of ours, and
// few enough pieces to queue.
constexpr int64_t kMaxFileSize = 64LL << 30;

// Path (UTF-8, "/" between folders) to entry, ordered by byte comparison.
using VersionMap = std::map<std::string, VersionMapEntry>;

// Name of the entry that carries the version in the flat layout.
extern const char kVersionEntryName[];

// True when the text parses and ReadVersionMapList accepts it. The target is
// emptied first, so a refused map leaves it empty.
bool ParseVersionMap(const std::string& text, VersionMap* map, std::string* error);

// Fills `map` from a parsed root (either layout). False, with the map empty
// and an error text, when the root is not an object or an entry is refused.
bool ReadVersionMapList(const Json::Value& root, VersionMap* map, std::string* error);

// Empties `map`, then reads and parses the file.
bool LoadVersionMapFile(const std::wstring& path, VersionMap* map, std::string* error);

// The md5 of the entry named "version" (the flat layout's version), else "".
std::string GetMapVersion(const VersionMap& map);

// `*version` = `fallback`, then the file's version when it has a sound one:
// the root "version" when a string, else that member's "md5".
void ReadVersionFromFile(const std::wstring& path, std::string* version,
                         const std::string& fallback);

// Compares a local map with a remote one. `local` is consumed: it ends holding
// the entries the remote map no longer lists, whose paths are appended to
// `deleted`. `fetch` gets every remote entry that is new or whose md5 differs
// (every remote entry when `local` starts empty), never the "version" entry.
void DiffVersionMaps(VersionMap* local, const VersionMap& remote, VersionMap* fetch,
                     std::vector<std::string>* deleted);

// True when the bytes are JSON the default reader accepts without remarks;
// the reader's text lands in `error`.
bool IsValidJson(const char* data, int64_t length, std::string* error);

// Checks applied to everything a server names.
// A relative path that stays inside its folder: not empty, no absolute or
// drive form, no ":" or control character, no component that is empty or
// made of dots and blanks only ("." and ".." included) or that names a device
// (CON, NUL, COM1, ...); "/" or "\" separate.
bool IsSafeRelativePath(const std::string& path);
// 32 hexadecimal digits.
bool IsMd5Text(const std::string& text);
// The file Windows opens for a map path, as a key: components joined by "\",
// trailing dots and blanks dropped from each, upper-cased as the file system
// compares names. Two paths with one key are one file, so a map listing both
// is refused.
std::string WindowsPathKey(const std::string& path);
// Digit runs joined by "_" or ".", such as 10_1_2 or 1.0.0.
bool IsSafeVersionText(const std::string& text);

#endif  // UPDATE_VERSIONS_VERSION_MAP_H_
