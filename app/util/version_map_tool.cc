#include "app/util/version_map_tool.h"

#include <windows.h>

#include <json/json.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace {

const char kLauncherMapFile[] = "launcher_version_map.txt";
const char kDependenceMapFile[] = "dependence_version_map.txt";
const char* const kLauncherFiles[] = {
    "launcher.exe",  "resources.zip", "SourceHanSansCNRegular.ttf", "SourceHanSansCNBold.ttf",
    "LomaN.ttf",     "LomaB.ttf",
};

// RFC 1321 MD5. TODO(merge): use app/util GetStreamMd5.
class Md5 {
 public:
  void Update(const unsigned char* data, size_t count) {
    size_t index = static_cast<size_t>(bits_ >> 3) & 63;
    bits_ += static_cast<uint64_t>(count) << 3;
    size_t fill = 64 - index;
    size_t i = 0;
    if (count >= fill) {
      memcpy(buffer_ + index, data, fill);
      Transform(buffer_);
      for (i = fill; i + 63 < count; i += 64) Transform(data + i);
      index = 0;
    }
    memcpy(buffer_ + index, data + i, count - i);
  }

  std::string HexDigest() {
    unsigned char length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(bits_ >> (8 * i));
    static const unsigned char kPad[64] = {0x80};
    size_t index = static_cast<size_t>(bits_ >> 3) & 63;
    Update(kPad, index < 56 ? 56 - index : 120 - index);
    Update(length, 8);
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint32_t word : state_) {
      for (int i = 0; i < 4; ++i) {
        unsigned char byte = static_cast<unsigned char>(word >> (8 * i));
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
      }
    }
    return text;
  }

 private:
  static uint32_t Rotate(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

  void Transform(const unsigned char block[64]) {
    static const uint32_t kSine[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
        0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
        0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
        0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
        0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
        0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
        0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
        0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
        0xeb86d391};
    static const int kShift[16] = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};
    uint32_t m[16];
    for (int i = 0; i < 16; ++i) {
      m[i] = block[i * 4] | (block[i * 4 + 1] << 8) | (block[i * 4 + 2] << 16) |
             (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
      uint32_t f;
      int g;
      if (i < 16) {
        f = (b & c) | (~b & d);
        g = i;
      } else if (i < 32) {
        f = (d & b) | (~d & c);
        g = (5 * i + 1) & 15;
      } else if (i < 48) {
        f = b ^ c ^ d;
        g = (3 * i + 5) & 15;
      } else {
        f = c ^ (b | ~d);
        g = (7 * i) & 15;
      }
      uint32_t next = d;
      d = c;
      c = b;
      b = b + Rotate(a + f + kSine[i] + m[g], kShift[(i / 16) * 4 + (i & 3)]);
      a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
  }

  uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  uint64_t bits_ = 0;
  unsigned char buffer_[64] = {};
};

// Digest text and byte count of an open file; closes it.
// TODO(merge): use app/util GetStreamMd5.
void GetStreamMd5(FILE* file, std::string* digest, int64_t* size) {
  Md5 md5;
  unsigned char buffer[1024];
  *size = 0;
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0) {
    md5.Update(buffer, n);
    *size += static_cast<int64_t>(n);
  }
  fclose(file);
  *digest = md5.HexDigest();
}

// TODO(merge): use app/util
std::string NormalizePathA(std::string path, bool add_separator) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  if (add_separator) {
    if (path.empty() || path.back() != '\\') path += '\\';
  } else {
    while (!path.empty() && path.back() == '\\') path.pop_back();
  }
  return path;
}

// Every file below `folder`: the folder's own files in listing order, then
// its sub-folders in listing order. TODO(merge): use app/util ListFiles.
void ListFiles(const std::string& folder, std::vector<std::string>* files) {
  std::string base = NormalizePathA(folder, true);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> folders;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      folders.push_back(base + name);
    } else {
      files->push_back(base + name);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  for (const std::string& sub : folders) ListFiles(sub, files);
}

// TODO(merge): use app/util
std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                        nullptr, nullptr);
  }
  return out;
}

// Writes beside the target and renames over it, so that a map is never left
// half-written. TODO(merge): use app/util WriteFileTextA.
bool WriteFileTextA(const std::string& path, const std::string& text) {
  std::string temp = path + ".writing";
  FILE* file = fopen(temp.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = (fflush(file) == 0) && ok;
  ok = (fclose(file) == 0) && ok;
  if (ok) ok = MoveFileExA(temp.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

bool WriteMap(const std::vector<std::string>& paths, const std::string& root,
              const std::wstring& version, const char* output) {
  Json::Value list;  // stays null when nothing is hashed
  for (const std::string& path : paths) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) continue;  // missing, or held without read sharing
    std::string digest;
    int64_t size = 0;
    GetStreamMd5(file, &digest, &size);
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
  root_value["version"] = version.empty() ? std::string("1.0.0") : WideToUtf8(version);
  root_value["list"] = list;
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "\t";
  return WriteFileTextA(root + output, Json::writeString(builder, root_value));
}

}  // namespace

bool MakeVersionMap(const std::wstring& version) {
  const std::string root = NormalizePathA(".", true);
  std::vector<std::string> paths;
  for (const char* name : kLauncherFiles) paths.push_back(root + name);
  ListFiles(root + "cef", &paths);
  return WriteMap(paths, root, version, kLauncherMapFile);
}

bool MakeDependenceVersionMap(const std::wstring& version) {
  const std::string root = NormalizePathA(".", true);
  std::vector<std::string> paths;
  ListFiles(root + "dependence", &paths);
  return WriteMap(paths, root, version, kDependenceMapFile);
}
