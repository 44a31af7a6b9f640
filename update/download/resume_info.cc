#include "update/download/resume_info.h"

#include <windows.h>

#include <json/json.h>

#include <algorithm>
#include <set>

#include "app/util/file_util.h"
#include "app/util/json_util.h"

namespace {

const char kRecordSuffix[] = ".cfg";
// The new record is written here first, then moved over the record.
const char kWritingSuffix[] = ".writing";

bool WriteAll(HANDLE file, const std::string& text) {
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    DWORD written = 0;
    if (!WriteFile(file, data, static_cast<DWORD>(left), &written, nullptr) || written == 0) {
      return false;
    }
    data += written;
    left -= written;
  }
  return true;
}

// No flush to disk here: an old record is still a true one (it claims less),
// so only the move's atomicity matters.
bool ReplaceFileText(const std::string& path, const std::string& text, bool in_place) {
  if (in_place) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, text);
    return CloseHandle(file) && ok;
  }
  const std::string temp = path + kWritingSuffix;
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, text);
  ok = CloseHandle(file) && ok;
  if (ok) ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

std::string RecordText(const Json::Value& root) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "\t";
  return Json::writeString(builder, root);
}

bool ReadRecord(const std::string& file_path, Json::Value* root) {
  std::string text;
  if (!ReadFileTextA(ResumeRecordPath(file_path), &text)) return false;
  return ParseJson(text, root, nullptr) && root->isObject();
}

// Length of the file, -1 when it does not exist.
int64_t FileLength(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadInteger(const Json::Value& piece, const char* name, int64_t* value) {
  const Json::Value& member = piece[name];
  if (!member.isInt64()) return false;
  *value = member.asInt64();
  return true;
}

}  // namespace

std::string ResumeRecordPath(const std::string& file_path) { return file_path + kRecordSuffix; }

bool SaveResumeInfo(const std::string& file_path, const std::string& md5,
                    const std::vector<PieceInfo>& pieces, bool first) {
  CreateParentFoldersA(file_path);
  Json::Value root(Json::objectValue);
  root["md5"] = md5;
  Json::Value list(Json::arrayValue);
  for (const PieceInfo& piece : pieces) {
    Json::Value item(Json::objectValue);
    item["index"] = piece.index;
    item["begin"] = static_cast<Json::Int64>(piece.begin);
    item["end"] = static_cast<Json::Int64>(piece.end);
    list.append(item);
  }
  root["infoList"] = list;
  return ReplaceFileText(ResumeRecordPath(file_path), RecordText(root), first);
}

bool LoadResumeInfo(const std::string& file_path, const std::string& md5, int64_t size,
                    std::vector<PieceInfo>* pieces) {
  pieces->clear();
  Json::Value root;
  if (!ReadRecord(file_path, &root)) return false;
  const Json::Value& digest = root["md5"];
  const Json::Value& list = root["infoList"];
  if (!digest.isString() || digest.asString() != md5 || !list.isArray()) return false;

  std::vector<PieceInfo> found;
  std::set<int32_t> indexes;
  for (const Json::Value& item : list) {
    if (!item.isObject()) return false;
    int64_t index = 0, begin = 0, end = 0;
    if (!ReadInteger(item, "index", &index) || !ReadInteger(item, "begin", &begin) ||
        !ReadInteger(item, "end", &end) || index < 0 || index > INT32_MAX) {
      return false;
    }
    if (!indexes.insert(static_cast<int32_t>(index)).second) return false;
    if (end < begin) continue;  // finished
    if (begin < 0 || end >= size) return false;
    found.push_back(PieceInfo{static_cast<int32_t>(index), begin, end});
  }
  if (found.empty()) return false;

  // No two pieces overlap; then find the highest byte the record claims to
  // be written: the top of the file down to the first byte no piece covers.
  std::vector<PieceInfo> sorted = found;
  std::sort(sorted.begin(), sorted.end(),
            [](const PieceInfo& a, const PieceInfo& b) { return a.begin < b.begin; });
  for (size_t i = 1; i < sorted.size(); ++i) {
    if (sorted[i].begin <= sorted[i - 1].end) return false;
  }
  int64_t top = size - 1;
  for (auto it = sorted.rbegin(); it != sorted.rend() && top >= 0; ++it) {
    if (it->end == top) top = it->begin - 1;
  }
  int64_t length = FileLength(file_path);
  if (length > size) return false;
  if (top >= 0 && length < top + 1) return false;

  *pieces = std::move(found);
  return true;
}

bool ResumeInfoMatches(const std::string& file_path, const std::string& md5) {
  Json::Value root;
  if (!ReadRecord(file_path, &root)) return false;
  const Json::Value& digest = root["md5"];
  return digest.isString() && digest.asString() == md5;
}

void DeleteResumeInfo(const std::string& file_path) {
  DeleteFileA(ResumeRecordPath(file_path).c_str());
}
