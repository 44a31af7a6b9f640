// The controller's operations on the game's process and folder, and the
// disk-space questions before a download.
#include "app/controller/game_process.h"

#include <windows.h>

#include <utility>

#include "app/config/command_line_overrides.h"
#include "app/config/save_files.h"
#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_services.h"
#include "app/util/file_util.h"
#include "app/util/process_util.h"
#include "app/util/string_util.h"
#include "app/util/system_util.h"
#include "base/thread/thread_checker.h"
#include "base/thread/thread_registry.h"

namespace {

constexpr wchar_t kDefaultPlatformWord[] = L"win";
// The questions' texts were formatted into 260 units.
constexpr size_t kFormattedTextLimit = 259;

bool TakesPlatformPart(const std::string& game_version) {
  if (game_version.empty()) return true;
  std::vector<std::string> parts;
  int first = 0;
  return SplitStringA(game_version, "_", &parts) == 3 && ParseDecimalDigits(parts[0], &first) &&
         first >= kPlatformArgumentsVersion;
}

// Deletes the file `relative` names in `folder` (which ends with a
// separator), unless the name leads out of the folder.
void DeleteGameFile(const std::wstring& folder, const std::wstring& relative) {
  std::wstring inside = GetFullPathW(folder);
  std::wstring path = GetFullPathW(folder + NormalizePathW(relative, false));
  if (inside.empty() || path.size() <= inside.size() ||
      CompareStringOrdinal(path.c_str(), static_cast<int>(inside.size()), inside.c_str(),
                           static_cast<int>(inside.size()), TRUE) != CSTR_EQUAL) {
    return;
  }
  DeleteFileW(path.c_str());
}

std::wstring LauncherExecutablePath() {
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, length < MAX_PATH ? length : 0);
}

}  // namespace

bool IsGameRunning() {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kGameInstanceMutex);
  if (mutex) {
    CloseHandle(mutex);
    return true;
  }
  // A mutex this user may not open is still there.
  return GetLastError() == ERROR_ACCESS_DENIED;
}

int32_t CountRunningGameInstances(std::vector<int32_t>* free_slots) {
  if (!IsGameRunning()) free_slots->push_back(0);
  return 1 - static_cast<int32_t>(free_slots->size());
}

std::wstring BuildGameArguments(const std::string& arguments, const std::string& game_version,
                                const std::wstring& platform_word, int32_t slot) {
  std::wstring result = L"empty";
  if (!arguments.empty()) Utf8ToWide(arguments, &result);
  if (TakesPlatformPart(game_version)) {
    result += L' ';
    result += platform_word;
    result += L' ';
    result += std::to_wstring(slot);
    result += L"|1";
  }
  return result;
}

std::wstring FillSizePlaceholder(const std::wstring& text, const std::wstring& size_text) {
  std::wstring result;
  for (size_t i = 0; i < text.size() && result.size() < kFormattedTextLimit; ++i) {
    if (text.compare(i, 3, L"%ls") == 0) {
      result += size_text;
      i += 2;
    } else if (text.compare(i, 2, L"%%") == 0) {
      result += L'%';
      ++i;
    } else {
      result += text[i];
    }
  }
  if (result.size() > kFormattedTextLimit) result.resize(kFormattedTextLimit);
  return result;
}

void LauncherController::RunGame(const std::string& arguments, int32_t slot) {
  if (slot != 0) return;
  const CommandLineOverrides::Text& platform = CommandLineOverrides::Get().platformWord;
  std::wstring platform_word = platform.set ? platform.value : kDefaultPlatformWord;
  std::wstring game_path = settings.gamePath.Get();
  // The executable and its arguments stay apart, so that a folder with blanks
  // ("Quorvel Game") is quoted and runs the right program.
  RunProgram(NormalizePathW(game_path, true) + kGameExecutable,
             BuildGameArguments(arguments, localGameVersion.Get(), platform_word, slot),
             game_path);
  TrackLauncherStep("rungame", "", "", "", "pre_install", false);
}

bool LauncherController::ActivateGameWindow() {
  if (GetGameWindows().empty()) FindGameWindows();
  std::vector<HWND> windows = GetGameWindows();
  HWND target = nullptr;
  if (windows.empty()) {
    target = FindWindowW(kGameWindowClass, nullptr);
  } else {
    for (HWND window : windows) {
      if (IsWindow(window) && GetPropW(window, kGameWindowProperty) == window) {
        target = window;
        break;
      }
    }
  }
  if (!target) return false;

  DWORD own_thread = GetCurrentThreadId();
  DWORD window_thread = GetWindowThreadProcessId(target, nullptr);
  bool attached = window_thread != own_thread && AttachThreadInput(own_thread, window_thread, TRUE);
  // Asynchronous for another thread's window: a hung game must not hang the
  // caller (the UI thread, from the settings).
  if (window_thread == own_thread) {
    ShowWindow(target, SW_SHOWNORMAL);
  } else {
    ShowWindowAsync(target, SW_SHOWNORMAL);
  }
  SetForegroundWindow(target);
  if (attached) AttachThreadInput(own_thread, window_thread, FALSE);
  return true;
}

bool LauncherController::GameExeExists(const std::wstring& path) const {
  std::wstring folder = path.empty() ? settings.gamePath.Get() : path;
  return FileOpensForReading(NormalizePathW(folder, true) + kGameExecutable);
}

bool LauncherController::HasUnfinishedUpdate() const {
  return FileOpensForReading(NormalizePathW(settings.gamePath.Get(), true) +
                             kUnfinishedVersionMapFile);
}

void LauncherController::RepairGame() {
  CHECK_CALLED_ON_THREAD_ID(base::kUiThreadId);
  std::wstring game_path = settings.gamePath.Get();
  // An empty folder would name the drive's root.
  if (!game_path.empty()) {
    std::wstring folder = NormalizePathW(game_path, true);
    for (const auto& alias : GetFileAliases()) DeleteGameFile(folder, alias.second);
    DeleteGameFile(folder, kGameVersionMapFile);
  }
  // Without its version map the game pass hashes every file of the folder.
  RestartGameCheck(false, true);
}

bool LauncherController::CheckDiskSpace(const std::wstring& path,
                                        const std::wstring& content_text,
                                        const std::wstring& no_id, const std::wstring& yes_id,
                                        MessageBoxCallback callback) {
  uint64_t total = 0;
  uint64_t available = 0;
  if (!LauncherServices::Get()->GetDriveSpace(path, &total, &available)) {
    ShowMessageBox(nullptr, L"STRING_ERROR_NOTICE", L"STRING_ERROR_INVALID_DISKSPACE", L"",
                   L"STRING_CONFIRM", nullptr, false);
    return true;
  }
  if (available >= kNeededDiskSpace) return true;
  // The pass waits for this answer: a box that cannot be shown answers "no".
  PostMessageBox(nullptr, L"STRING_ERROR_NOTICE", L"", L"", content_text, no_id, yes_id, L"", L"",
                 std::move(callback), false, /*answer_when_dropped=*/true);
  return false;
}

bool LauncherController::CheckUpdateDiskSpace(MessageBoxCallback callback) {
  LauncherServices* services = LauncherServices::Get();
  std::wstring game_text = services->GetLanguageText(L"STRING_ERROR_NEED_DISKSPACE_R");
  std::wstring launcher_text = services->GetLanguageText(L"STRING_ERROR_NEED_DISKSPACE_R");
  std::wstring game_path = settings.gamePath.Get();
  std::wstring launcher_path = LauncherExecutablePath();
  if (!game_text.empty()) {
    ReplaceAllW(L"{p2}", kNeededDiskSpaceText, &game_text);
    ReplaceAllW(L"{p1}", GetDriveLetter(game_path), &game_text);
    ReplaceAllW(L"{p2}", kNeededDiskSpaceText, &launcher_text);
    ReplaceAllW(L"{p1}", GetDriveLetter(launcher_path), &launcher_text);
  }
  if (!CheckDiskSpace(game_path, game_text, L"STRING_CANCEL", L"STRING_DOWNLOAD_CONTINUE",
                      callback)) {
    return false;
  }
  return CheckDiskSpace(launcher_path, launcher_text, L"STRING_CANCEL",
                        L"STRING_DOWNLOAD_CONTINUE", callback);
}

bool LauncherController::CheckInstallDiskSpace(MessageBoxCallback callback) {
  // The language text is written for printf ("%ls"), but it is never used as
  // a format: a stray "%n" or "%s" in it must not read the stack.
  std::wstring text = FillSizePlaceholder(
      LauncherServices::Get()->GetLanguageText(L"STRING_ERROR_NEED_DISKSPACE"),
      kNeededDiskSpaceText);
  if (!CheckDiskSpace(settings.gamePath.Get(), text, L"", L"STRING_CONFIRM", callback)) {
    return false;
  }
  return CheckDiskSpace(LauncherExecutablePath(), text, L"", L"STRING_CONFIRM", callback);
}
