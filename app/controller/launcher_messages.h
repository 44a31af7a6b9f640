// The numbered window messages of the launcher, in one place: those the
// controller sends to the main window (the download engine's events among
// them, mapped by MainWindowMessageOf), and those exchanged with the game's
// windows. Parameters are described with the window that handles them.
#ifndef APP_CONTROLLER_LAUNCHER_MESSAGES_H_
#define APP_CONTROLLER_LAUNCHER_MESSAGES_H_

#include <cstdint>

// To the main window.
constexpr uint32_t MsgTrayNotify = 2025;
constexpr uint32_t MsgShowMainWindow = 2026;
constexpr uint32_t MsgHideToTray = 2027;
constexpr uint32_t MsgExitLauncher = 2028;
constexpr uint32_t MsgRefreshVersion = 2126;
constexpr uint32_t MsgCheckProgress = 2127;
constexpr uint32_t MsgDownloadSpeed = 2128;
constexpr uint32_t MsgDownloadProgress = 2129;
constexpr uint32_t MsgDownloadPaused = 2130;
constexpr uint32_t MsgReloadAll = 2225;
constexpr uint32_t MsgReloadNews = 2226;
constexpr uint32_t MsgRefreshGameButton = 2325;
constexpr uint32_t MsgPreDlcPage = 2326;
constexpr uint32_t MsgPreDlcTick = 2425;
constexpr uint32_t MsgWindowListChanged = 3025;  // the window list changed

// With the game's windows.
constexpr uint32_t MsgGameRegister = 2525;
constexpr uint32_t MsgGamePreDlcStatusQuery = 2526;
constexpr uint32_t MsgGamePreDlcStatus = 2527;
constexpr uint32_t MsgGamePreDlcProgressQuery = 2528;
constexpr uint32_t MsgGamePreDlcProgress = 2529;
constexpr uint32_t MsgGamePreDlcSpeedQuery = 2530;
constexpr uint32_t MsgGamePreDlcSpeed = 2531;
constexpr uint32_t MsgGamePreDlcNotify = 2532;

// The name of the single-instance semaphore and of the main window's property
// whose value is the window's own handle.
constexpr wchar_t kLauncherInstanceName[] = L"_ZQV_LAUNCHER_KOREA";

#endif  // APP_CONTROLLER_LAUNCHER_MESSAGES_H_
