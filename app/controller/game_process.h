// What the launcher knows of the game's process: its executable, its
// single-instance mutex, its windows and their property, and the command
// line it is started with. The controller's operations on the game
// (LauncherController::RunGame, ActivateGameWindow, RepairGame and the
// disk-space questions) use these; the free functions here keep no state
// and any thread may call them.
#ifndef APP_CONTROLLER_GAME_PROCESS_H_
#define APP_CONTROLLER_GAME_PROCESS_H_

#include <cstdint>
#include <string>
#include <vector>

// The game's executable, directly in the game folder.
constexpr wchar_t kGameExecutable[] = L"TOLM.exe";
// Held by the game while it runs.
constexpr wchar_t kGameInstanceMutex[] = L"_Tolm_Instance_";
// A game window that wants the launcher's messages carries this property,
// whose value is the window's own handle.
constexpr wchar_t kGameWindowProperty[] = L"_ZQV_GAME_KOREA";
// The class of the game's main window, the one to bring to the front when
// no marked window is known.
constexpr wchar_t kGameWindowClass[] = L"UnityWndClass";
// The game's files that say an install or update is under way or done.
constexpr wchar_t kGameVersionMapFile[] = L"version_map.txt";
constexpr wchar_t kUnfinishedVersionMapFile[] = L"tmp_version_map.txt";
// The longest the worker waits for a game window to take one message.
constexpr unsigned int kGameMessageTimeoutMs = 1000;
// Game versions from this one on take the platform part of the command line.
constexpr int kPlatformArgumentsVersion = 10077;
// Each drive needs this much space available before a download.
constexpr uint64_t kNeededDiskSpace = 1ull << 32;
// The needed space as the player reads it: "%5.2fG" of 4.0.
constexpr wchar_t kNeededDiskSpaceText[] = L" 4.00G";

// Whether the game runs: its mutex exists. Only opens the mutex, so a game
// starting at the same moment never finds a mutex the launcher made.
bool IsGameRunning();

// Appends the index of every free instance slot (there is one, slot 0) to
// `free_slots` and returns the number of occupied slots.
int32_t CountRunningGameInstances(std::vector<int32_t>* free_slots);

// The game's arguments, after its executable: the launcher's arguments
// converted from UTF-8, or "empty"; then, for an empty game version or one of
// three "_" parts whose first is at least kPlatformArgumentsVersion, a blank,
// the platform word, a blank, the slot and "|1".
std::wstring BuildGameArguments(const std::string& arguments, const std::string& game_version,
                                const std::wstring& platform_word, int32_t slot);

// `text` with every "%ls" replaced by `size_text` and every "%%" by "%",
// and nothing else read as a format; at most 259 characters. A language text
// written for printf thus reads as printf would have made it, without ever
// being one.
std::wstring FillSizePlaceholder(const std::wstring& text, const std::wstring& size_text);

#endif  // APP_CONTROLLER_GAME_PROCESS_H_
