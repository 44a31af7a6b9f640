#include "app/util/self_replacement.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/util/process_util.h"
#include "app/util/string_util.h"

const wchar_t kTemporaryLauncher[] = L".\\launcher_temp.exe";
const char kStagedCefListName[] = "cef_update.txt";
const char kStagedFontListName[] = "font_update.txt";

namespace {

constexpr wchar_t kLauncherExe[] = L"launcher.exe";

std::string UpdateFolderA() {
  std::string folder;
  WideToMultiByte(GetUpdateFolder(), &folder, CP_ACP);
  return folder;
}

// A list entry names a file below the launcher's folder; anything that could
// leave it is no file of ours.
bool StaysInside(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos) {
    return false;
  }
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part.empty() || part.find_first_not_of(". ") == std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::wstring BuildReplaceArguments(const std::wstring& command, bool launcher_replaced) {
  std::wstring source, target;
  if (launcher_replaced) {
    source = std::wstring(GetUpdateFolder()) + L"\\" + kLauncherExe;
    target = std::wstring(GetBaseFolderW()) + L"\\" + kLauncherExe;
  }
  return L"replace \"" + source + L"\" \"" + target + L"\" \"" + command + L"\"";
}

void RelaunchForSelfUpdate(const std::wstring& command, bool launcher_replaced) {
  const std::wstring launcher = std::wstring(GetBaseFolderW()) + L"\\" + kLauncherExe;
  // A failed copy is not fatal: an older copy, when there is one, still
  // finishes the job.
  CopyFileW(launcher.c_str(), kTemporaryLauncher, FALSE);
  RunProgram(kTemporaryLauncher, BuildReplaceArguments(command, launcher_replaced), L"");
}

void ApplyStagedCefUpdate() {
  const std::string update = UpdateFolderA();
  const std::string list_path = NormalizePathA(update, true) + kStagedCefListName;
  std::vector<std::string> names;
  if (!ReadJsonFileList(list_path, &names)) return;
  std::vector<std::string> failed;
  for (const std::string& name : names) {
    if (!StaysInside(name)) continue;
    const std::string source = update + "\\" + name;
    const std::string target = std::string(GetBaseFolderA()) + "\\" + name;
    std::string folder, file;
    if (SplitPathA(target, &folder, &file)) CreateDirectoriesA(folder);
    if (CopyFileA(source.c_str(), target.c_str(), FALSE)) {
      DeleteFileA(source.c_str());
    } else {
      failed.push_back(name);
    }
  }
  // A file still in use stays listed, so the next replacement copies it.
  if (failed.empty() || !WriteJsonFileList(list_path, failed)) DeleteFileA(list_path.c_str());
}

void DeleteSelfAndExit() {
  // Ends before the deletion command runs.
  SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  std::wstring own(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, &own[0], static_cast<DWORD>(own.size()));
    if (length < own.size()) {
      own.resize(length);
      break;
    }
    own.resize(own.size() * 2);
  }
  SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, own.c_str(), nullptr);
  const std::wstring parameters = L"/c del /q \"" + own + L"\"";
  ShellExecuteW(nullptr, L"open", L"cmd.exe", parameters.c_str(), nullptr, SW_HIDE);
  ExitProcess(0);
}

bool WriteJsonFileList(const std::string& path, const std::vector<std::string>& names) {
  Json::Value list(Json::arrayValue);
  for (const std::string& name : names) list.append(name);
  return WriteJsonFile(path, list);
}

bool ReadJsonFileList(const std::string& path, std::vector<std::string>* names) {
  std::string text;
  Json::Value root;
  if (!ReadFileTextA(path, &text) || !ParseJson(text, &root, nullptr) || !root.isArray()) {
    return false;
  }
  for (const Json::Value& item : root) {
    if (item.isString()) names->push_back(item.asString());
  }
  return true;
}
