#include "update/states/apply_update_state.h"

#include <windows.h>

#include <fstream>
#include <map>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "app/util/md5_context.h"
#include "app/util/self_replacement.h"
#include "app/util/string_util.h"
#include "update/download/download_manager.h"
#include "update/patch/in_memory_patch.h"
#include "update/patch/patch_cancel_flag.h"
#include "update/patch/streamed_patch.h"
#include "update/states/patch_suffix_mode.h"
#include "update/states/state_clock.h"
#include "update/states/state_routing.h"
#include "update/states/successor_states.h"
#include "update/versions/version_keys.h"

namespace {

constexpr char kApplyListName[] = "apply_list.txt";
constexpr int kInMemoryPatchFailure = 10000;

std::wstring Widen(const std::string& utf8) {
  std::wstring wide;
  if (!Utf8ToWide(utf8, &wide)) wide.clear();
  return wide;
}

std::string Ansi(const std::wstring& wide) {
  std::string narrow;
  WideToMultiByte(wide, &narrow, CP_ACP);
  return narrow;
}

std::string UpdateFolderA() { return NormalizePathA(Ansi(GetUpdateFolder()), true); }

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the file holds exactly the entry's bytes (size first: it is cheap).
bool HasEntryBytes(const std::wstring& path, const VersionMapEntry& entry) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  const int64_t size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (size != entry.size) return false;
  std::ifstream stream(path.c_str(), std::ios::in | std::ios::binary);
  if (!stream.is_open()) return false;
  std::string digest;
  int64_t hashed = 0;
  GetStreamMd5(stream, &digest, &hashed);
  return hashed == entry.size && SameMd5(digest, entry.md5);
}

void CreateFolderOf(const std::wstring& file) {
  std::wstring folder, name;
  if (SplitPathW(NormalizePathW(file, false), &folder, &name) && !IsDirectoryW(folder)) {
    CreateDirectoriesW(folder);
  }
}

bool IsStagedFont(const std::string& path) {
  const size_t at = path.find(".ttf");
  return at != std::string::npos && at + 4 == path.size();
}

void Trace(const std::string& line) { DownloadManager::GetInstance()->AppendTrace(line + "\n"); }

}  // namespace

void DeleteInterruptedWritesOfPass(int32_t pass) {
  const std::wstring update = NormalizePathW(GetUpdateFolder(), true);
  std::vector<std::wstring> written;
  if (pass == 0) {
    const std::wstring base = NormalizePathW(GetBaseFolderW(), true);
    written = {base + L"launcher_version_map.txt", base + L"tmp_launcher_version_map.txt",
               update + Widen(kStagedCefListName), update + Widen(kStagedFontListName)};
  } else {
    const std::wstring game =
        NormalizePathW(LauncherController::GetInstance()->GetSettings().gamePath.Get(), true);
    written = {game + L"version_map.txt", game + L"tmp_version_map.txt",
               update + Widen(kApplyListName)};
  }
  for (const std::wstring& path : written) DeleteUnfinishedWrites(path);
}

bool ApplyUpdateState::PromoteMap(const std::wstring& tmp_map, const std::wstring& map) {
  std::string text;
  if (!ReadFileTextW(tmp_map, &text) || !WriteFileTextW(map, text)) return false;
  DeleteFileW(tmp_map.c_str());
  return true;
}

std::wstring ApplyUpdateState::StagedPath(const std::string& path) const {
  return NormalizePathW(GetUpdateFolder(), true) + Widen(path);
}

std::wstring ApplyUpdateState::TargetPath(const std::string& path) const {
  const std::wstring base = pass == 0 ? std::wstring(GetBaseFolderW()) : gameFolder_;
  return NormalizePathW(base, true) + Widen(path);
}

std::wstring ApplyUpdateState::PatchPath(const std::string& path) const {
  return StagedPath(path) + Widen(PatchSuffix());
}

const VersionMapEntry* ApplyUpdateState::Expected(const std::string& path) const {
  LauncherController* controller = LauncherController::GetInstance();
  const VersionMap& update =
      controller->versionMaps[pass == 0 ? kUpdateLauncherVersionKey : kUpdateGameVersionKey];
  auto found = update.find(path);
  return found == update.end() ? nullptr : &found->second;
}

void ApplyUpdateState::Enter(State*) {
  LauncherController* controller = LauncherController::GetInstance();
  controller->NotifyMainWindow(MsgRefreshVersion, 0, 0);
  result = 0;
  PatchCancelFlag = false;
  gameFolder_ = controller->GetSettings().gamePath.Get();
  if (pass == 0) {
    ApplyLauncherUpdate();
    return;
  }
  const std::string list_path = UpdateFolderA() + kApplyListName;
  const std::string version = controller->remoteGameVersion.Get();
  if (ReadFileList(list_path, &applyList) && applyList.version != version) {
    applyList.files.clear();
  }
  applyList.version = version;
  pending.clear();
  for (const auto& entry : controller->versionMaps[kUpdateGameVersionKey]) {
    // The launcher's own executable is never the game's.
    if (entry.first != "launcher.exe") pending.push_back(entry.first);
  }
  total = static_cast<int32_t>(pending.size());
  failed.clear();
  controller->NotifyMainWindow(MsgCheckProgress, 0, 0);
}

void ApplyUpdateState::Exit(State*) {
  total = 0;
  pending.clear();
}

void ApplyUpdateState::Update() {
  LauncherController* controller = LauncherController::GetInstance();
  if (pass != 0) {
    if (result == 0) {
      ApplyGameBatch();
      return;
    }
    if (result > 0) {
      controller->SetState(MakeStateOfPass(kEnterGameState, pass));
    } else {
      controller->SetState(MakeFailureSuccessor(*this));
    }
    return;
  }
  if (result == 0) {
    if (reloading_) return;
    while (!refetched_.empty()) {
      const std::string path = refetched_.front();
      refetched_.pop_front();
      ApplyLauncherFile(path);
    }
    if (refetching_.empty()) FinishLauncherPass();
    return;
  }
  if (controller->resourceReload != 0) {
    result = 0;
    reloading_ = true;
    controller->ReloadResources([] {
      LauncherController::GetInstance()->SetState(MakeStateOfPass(kEnterGameState, 0));
    });
    return;
  }
  controller->SetState(MakeStateOfPass(kEnterGameState, pass));
}

ApplyUpdateState::Outcome ApplyUpdateState::PatchOne(const std::string& path,
                                                     const VersionMap&, bool* in_place) {
  LauncherController* controller = LauncherController::GetInstance();
  const VersionMapEntry* expected = Expected(path);
  const std::wstring staged = StagedPath(path);
  const std::wstring target = TargetPath(path);
  const std::wstring patch = PatchPath(path);
  std::wstring old_file = target;
  if (pass != 0) {
    const std::map<std::wstring, std::wstring> aliases = controller->GetFileAliases();
    auto alias = aliases.find(Widen(path));
    if (alias != aliases.end()) old_file = NormalizePathW(gameFolder_, true) + alias->second;
  }
  int code = kInMemoryPatchFailure;
  int rc;
  if (controller->patchOption == 1) {
    rc = PatchFileW(old_file.c_str(), staged.c_str(), patch.c_str());
  } else {
    int detail = 0;
    rc = PatchFileStreamedW(old_file.c_str(), staged.c_str(), patch.c_str(), &detail);
    code = detail;
  }
  // A patched file replaces nothing until it holds the map's bytes.
  if (rc == 0 && expected && HasEntryBytes(staged, *expected)) return Outcome::kApplied;
  DeleteFileW(staged.c_str());
  // Cut short after its move last time: the target is already the new file,
  // which is why the patch no longer fits it.
  if (expected && HasEntryBytes(target, *expected)) {
    DeleteFileW(patch.c_str());
    *in_place = true;
    return Outcome::kApplied;
  }
  Trace("apply: patch of " + path + " failed (" + std::to_string(rc) + "/" +
        std::to_string(code) + "), fetching it whole");
  DeleteFileW(patch.c_str());
  patchCodes_[path] = code;
  Refetch(path);
  return Outcome::kRefetching;
}

void ApplyUpdateState::Refetch(const std::string& path) {
  const VersionMapEntry* expected = Expected(path);
  DownloadManager* engine = DownloadManager::GetInstance();
  refetching_.insert(path);
  whole_.insert(path);
  engine->set_active_servers(engine->download_servers());
  // May answer at once (no servers, or the file is already whole).
  engine->DownloadFile(path, Ansi(StagedPath(path)), expected ? expected->md5 : std::string(),
                       expected ? expected->size : 0, OnDownloadFileDone, OnDownloadSpeed,
                       kApplyUpdateState, 0, 0);
}

void ApplyUpdateState::OnDownloadFinished(int code, const std::string& url, const std::string&) {
  auto found = refetching_.find(url);
  if (found == refetching_.end()) return;
  refetching_.erase(found);
  if (code == 0) {
    refetched_.push_back(url);
    return;
  }
  auto patch_code = patchCodes_.find(url);
  const std::string entry =
      url + " (" + std::to_string(patch_code == patchCodes_.end() ? code : patch_code->second) + ")";
  if (pass == 0) {
    failureText_ += " " + entry;
  } else {
    failed.push_back(entry);
  }
}

void ApplyUpdateState::ApplyLauncherUpdate() {
  LauncherController* controller = LauncherController::GetInstance();
  controller->launcherReplaced = false;
  controller->cefFilesStaged = false;
  controller->fontsStaged = false;
  const std::string update = UpdateFolderA();
  DeleteFileA((update + kStagedCefListName).c_str());
  DeleteFileA((update + kStagedFontListName).c_str());
  cefFiles_.clear();
  fontFiles_.clear();
  usedPatches_.clear();
  failureText_.clear();
  patching_ = controller->patchOption > 0 &&
              !controller->versionMaps[kLauncherPatchVersionKey].empty();
  for (const auto& entry : controller->versionMaps[kUpdateLauncherVersionKey]) {
    ApplyLauncherFile(entry.first);
  }
  if (refetching_.empty() && refetched_.empty()) FinishLauncherPass();
}

ApplyUpdateState::Outcome ApplyUpdateState::ApplyLauncherFile(const std::string& path) {
  LauncherController* controller = LauncherController::GetInstance();
  const VersionMap& patches = controller->versionMaps[kLauncherPatchVersionKey];
  const std::wstring target = TargetPath(path);
  const std::wstring staged = StagedPath(path);
  CreateFolderOf(target);
  bool in_place = false;
  if (patching_ && patches.count(path) && !whole_.count(path)) {
    Outcome outcome = PatchOne(path, patches, &in_place);
    if (outcome != Outcome::kApplied) return outcome;
    // Deleted only once the whole pass has succeeded.
    usedPatches_.push_back(PatchPath(path));
  }
  const VersionMapEntry* expected = Expected(path);
  // Nothing staged but the target already right: this file was done before.
  if (!in_place && !FileExists(staged) && expected && HasEntryBytes(target, *expected)) {
    in_place = true;
  }
  if (in_place) return Outcome::kApplied;
  if (path == "launcher.exe") {
    launcherStaged_ = true;
    return Outcome::kApplied;
  }
  if (path.compare(0, 3, "cef") == 0) {
    cefFiles_.push_back(path);
    return Outcome::kApplied;
  }
  if (IsStagedFont(path)) {
    fontFiles_.push_back(path);
    return Outcome::kApplied;
  }
  if (!CopyFileW(staged.c_str(), target.c_str(), FALSE)) {
    failureText_ += " " + path;
    return Outcome::kFailed;
  }
  DeleteFileW(staged.c_str());
  if (path == "resources.zip") controller->resourceReload = 1;
  return Outcome::kApplied;
}

void ApplyUpdateState::FinishLauncherPass() {
  LauncherController* controller = LauncherController::GetInstance();
  const std::string update = UpdateFolderA();
  // The lists go first: a pass cut short before its map is promoted runs
  // again and writes them again, while a promoted map with no list would
  // strand the staged files.
  if (failureText_.empty() && !cefFiles_.empty() &&
      !WriteJsonFileList(update + kStagedCefListName, cefFiles_)) {
    failureText_ += std::string(" ") + kStagedCefListName;
  }
  if (failureText_.empty() && !fontFiles_.empty() &&
      !WriteJsonFileList(update + kStagedFontListName, fontFiles_)) {
    failureText_ += std::string(" ") + kStagedFontListName;
  }
  const std::wstring base = NormalizePathW(GetBaseFolderW(), true);
  if (failureText_.empty() &&
      !PromoteMap(base + L"tmp_launcher_version_map.txt", base + L"launcher_version_map.txt")) {
    failureText_ += " launcher_version_map.txt";
  }
  if (!failureText_.empty()) {
    // Staged files and patches stay for the next pass.
    errorMessage = "Apply Failed";
    errorUrl = failureText_;
    result = -1;
    return;
  }
  DeleteInterruptedWritesOfPass(pass);
  controller->LoadLauncherVersion();
  if (launcherStaged_) {
    controller->launcherReplaced = true;
    controller->restartPromptArmed = true;
  }
  if (!cefFiles_.empty()) controller->cefFilesStaged = true;
  if (!fontFiles_.empty()) controller->fontsStaged = true;
  for (const std::wstring& patch : usedPatches_) DeleteFileW(patch.c_str());
  result = 1;
}

void ApplyUpdateState::ApplyGameBatch() {
  LauncherController* controller = LauncherController::GetInstance();
  const int64_t start = StateClockNow();
  const VersionMap& patches = controller->versionMaps[kGamePatchVersionKey];
  patching_ = controller->patchOption > 0 && !patches.empty();
  // Files fetched whole go first, in the order they came.
  while (!refetched_.empty()) {
    pending.push_front(refetched_.back());
    refetched_.pop_back();
  }
  usedPatches_.clear();
  bool applied_any = false;
  while (!pending.empty()) {
    if (StateClockDue(StateClockNow(), start, kApplyBatchMs)) break;
    const std::string path = pending.front();
    pending.pop_front();
    if (ApplyGameFile(path) != Outcome::kApplied) continue;
    applyList.files.push_back(path);
    applied_any = true;
    if (total > 0) {
      const size_t left = pending.size() + refetching_.size() + refetched_.size();
      const float done = 100.0f - static_cast<float>(left) * 100.0f / static_cast<float>(total);
      controller->NotifyMainWindow(MsgCheckProgress, 0, static_cast<LPARAM>(done));
    }
  }
  if (applied_any) {
    WriteFileList(UpdateFolderA() + kApplyListName, applyList);
    // Only once the list says the file is in place: a patch still lying
    // there is harmless, a file counted as done without it is not.
    for (const std::wstring& patch : usedPatches_) DeleteFileW(patch.c_str());
  }
  if (pending.empty() && refetching_.empty() && refetched_.empty()) FinishGamePass();
}

ApplyUpdateState::Outcome ApplyUpdateState::ApplyGameFile(const std::string& path) {
  LauncherController* controller = LauncherController::GetInstance();
  const VersionMap& patches = controller->versionMaps[kGamePatchVersionKey];
  const std::wstring target = TargetPath(path);
  const std::wstring staged = StagedPath(path);
  CreateFolderOf(target);
  bool in_place = false;
  const bool patched = patching_ && patches.count(path) && !whole_.count(path);
  if (patched) {
    Outcome outcome = PatchOne(path, patches, &in_place);
    if (outcome != Outcome::kApplied) return outcome;
  }
  if (!in_place && !FileExists(staged)) {
    const VersionMapEntry* expected = Expected(path);
    if (expected && HasEntryBytes(target, *expected)) {
      in_place = true;  // moved before the pass was cut short
    } else if (!whole_.count(path)) {
      Refetch(path);
      return Outcome::kRefetching;
    } else {
      failed.push_back(path);
      return Outcome::kFailed;
    }
  }
  if (!in_place && !MoveFileExW(staged.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    if (!CopyFileW(staged.c_str(), target.c_str(), FALSE)) {
      failed.push_back(path);
      return Outcome::kFailed;
    }
    DeleteFileW(staged.c_str());
  }
  const std::map<std::wstring, std::wstring> aliases = controller->GetFileAliases();
  auto alias = aliases.find(Widen(path));
  if (alias != aliases.end()) {
    const std::wstring copy = NormalizePathW(gameFolder_, true) + alias->second;
    if (!CopyFileW(target.c_str(), copy.c_str(), FALSE)) {
      failed.push_back(path);
      return Outcome::kFailed;
    }
  }
  if (patched) usedPatches_.push_back(PatchPath(path));
  return Outcome::kApplied;
}

void ApplyUpdateState::FinishGamePass() {
  LauncherController* controller = LauncherController::GetInstance();
  if (!failed.empty()) {
    errorMessage = "Apply Failed";
    errorUrl = " ";
    for (const std::string& entry : failed) errorUrl += entry + " ";
    result = -1;
    return;
  }
  const std::wstring game = NormalizePathW(gameFolder_, true);
  // The local map names the new version only once every file it names is
  // in place; a map that cannot be written fails the pass.
  if (!PromoteMap(game + L"tmp_version_map.txt", game + L"version_map.txt")) {
    errorMessage = "Apply Failed";
    errorUrl = " version_map.txt ";
    result = -1;
    return;
  }
  // Patches of files an earlier, interrupted pass applied and listed.
  for (const std::string& path : applyList.files) DeleteFileW(PatchPath(path).c_str());
  DeleteFileA((UpdateFolderA() + kApplyListName).c_str());
  DeleteInterruptedWritesOfPass(pass);
  controller->LoadGameVersion();
  if (!controller->GetDownloadRecord().firstInstall) {
    DownloadManager::GetInstance()->ReportSpeedEvent("23", "apply_update_game_success", false);
  }
  result = 1;
}
