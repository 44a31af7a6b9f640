// LauncherController: the one process-wide object through which the UI
// thread (0) and the update engine's worker thread (1) share the launcher's
// state: settings and server overrides, download statistics and identity
// texts, the main window and the game's windows, the two update-state slots,
// the version maps, the update flags and versions, the skin's titles and
// links, and the options of the directory reply.
//
// Made on first use by GetInstance and destroyed at process exit, after both
// threads have ended. A field that two threads touch is one of:
//  - fixed before thread 1 starts (Init on thread 0, which then waits for
//    thread 1's InitVersionState): serverOverrides, gid, installPackageType,
//    fileAliases;
//  - atomic: the flags, preDownloadBytes;
//  - locked: the version texts and the activity address (locked texts); the
//    settings, which thread 0 changes under settingsLock_ (ApplySettings) and
//    other threads read whole with GetSettings; the download record, which
//    both threads read and write through the record operations below;
//  - in the snapshot that thread 1 publishes for the windows (GetSnapshot):
//    the current state's type and pass, the pre-download step, the versions,
//    the download progress, speed and pause.
// Every other field belongs to one thread, named beside it; the operations
// that touch such fields check that they run on that thread while it exists
// (CHECK_CALLED_ON_THREAD_ID, in builds with thread checks). Thread 0 never
// touches the state objects.
//
// Each operation names the thread it runs on.
#ifndef APP_CONTROLLER_LAUNCHER_CONTROLLER_H_
#define APP_CONTROLLER_LAUNCHER_CONTROLLER_H_

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/config/download_record.h"
#include "app/config/jump_link.h"
#include "app/config/launcher_settings.h"
#include "app/config/server_overrides.h"
#include "app/controller/message_box_request.h"
#include "app/controller/state.h"
#include "base/synchronization/locked_string.h"
#include "update/download/download_delegate.h"
#include "update/versions/version_map.h"

class LauncherDownloadDelegate;

class LauncherController {
 public:
  // What thread 0 may know of the current update state.
  struct StateInfo {
    int32_t type;  // StateType, -1 when the slot is empty
    int32_t pass;  // 0 launcher, 1 game, -1 when the slot is empty
  };

  // What the windows may know of the update engine: one immutable copy,
  // replaced whole whenever a part changes.
  struct Snapshot {
    StateInfo state{-1, -1};
    int32_t preDownloadStep = -1;  // -1 when the pre-download slot is empty
    std::string launcherVersion;
    std::string localGameVersion;
    std::string remoteGameVersion;
    std::string displayGameVersion;
    std::string downloadingVersion;
    std::string preDownloadVersion;
    int64_t totalBytes = 0;  // of the current downloads
    int64_t doneBytes = 0;
    int64_t secondsLeft = 0;
    int64_t bytesPerSecond = 0;
    bool paused = false;
  };

  // The process-wide controller; made on the first call, from any thread.
  static LauncherController* GetInstance();

  // Every field at its default. Tests make controllers of their own.
  LauncherController();
  ~LauncherController();
  LauncherController(const LauncherController&) = delete;
  LauncherController& operator=(const LauncherController&) = delete;

  // Start-up on thread 0, before thread 1 exists: the save folder, the
  // extra configuration, the settings (first-run defaults when missing), the
  // statistics, the gid, the language, the UI channel, the server overrides,
  // the fonts and the game-file aliases.
  void Init();
  // Thread 1, once, after it enrolled: the download engine, the flags, the
  // version maps, the pre-download folders and the local versions.
  void InitVersionState();
  // Thread 1, at its end: stops the download engine, empties both slots and
  // erases the version maps.
  void Shutdown();

  // A copy of fileAliases, for either thread to walk.
  std::map<std::wstring, std::wstring> GetFileAliases() const;

  // Settings files, thread 0 (SaveDownloadRecord also on thread 1).
  bool LoadSettings();
  void SaveSettings();
  bool LoadDownloadRecord();
  void SaveDownloadRecord();
  void LoadServerOverrides();
  bool LoadExtraConfig();
  void LoadGid();
  // Thread 0: takes over every field of `changed` that differs: saves, hands
  // the changed speed limits to the engine, writes or deletes the
  // start-with-Windows value, marks a language change and tracks the change.
  void ApplySettings(const LauncherSettings& changed);
  // Any thread: a copy of the settings in force.
  LauncherSettings GetSettings() const;
  // The player's speed limit of a download mode (0 game, 1 pre-download), as
  // the engine takes it. Thread 0, or under GetSettings' copy.
  static SpeedSetting SpeedSettingOf(const LauncherSettings& settings, int32_t mode);

  // The download record, any thread: a copy, and the statistics that the
  // engine's speed reports keep.
  DownloadRecord GetDownloadRecord() const;
  void SetDownloadStatistics(int64_t size, int64_t speed, int64_t time);
  // The game has been started since its install: firstInstall := false.
  // True when it was set.
  bool ClearFirstInstall();

  // Thread 0: remembers the main window and marks it with the property
  // kLauncherInstanceName, whose value is the window itself; null removes the
  // mark from the window remembered and forgets it.
  void SetMainWindow(HWND window);
  // Any thread: sends the message to the main window from thread 0. Dropped
  // when thread 0 or the main window does not exist when it gets there.
  void NotifyMainWindow(uint32_t message, WPARAM wparam, LPARAM lparam);

  // The game's windows (game_windows.cc). A game window carries the property
  // kGameWindowProperty with its own handle as value; only such windows get
  // the launcher's messages. Any thread.
  // Rebuilds gameWindows from the top-level windows that carry the property.
  void FindGameWindows();
  // Posts the sending of the message to every live game window to thread 1;
  // dropped when thread 1 does not exist. The list is searched again when it
  // is empty.
  void NotifyGameWindows(uint32_t message, WPARAM wparam, LPARAM lparam);
  // Thread 1's side of NotifyGameWindows. Each send waits at most
  // kGameMessageTimeoutMs, and not at all for a window that does not pump.
  void SendToGameWindows(uint32_t message, WPARAM wparam, LPARAM lparam);
  // The main window's answer to MsgGameRegister: forgets windows that no
  // longer exist and appends `window` when it is a window not yet listed.
  void RegisterGameWindow(HWND window);
  // A copy of gameWindows.
  std::vector<HWND> GetGameWindows() const;

  // The game's process and the disk-space questions (game_process.cc).
  // Thread 1: starts the game in slot 0 (other slots start nothing) with the
  // MD5 text of its version map as `arguments`.
  void RunGame(const std::string& arguments, int32_t slot);
  // Brings a game window to the front; false when there is none.
  bool ActivateGameWindow();
  // Whether the game's executable is in `path`, or in the game folder when
  // `path` is empty.
  bool GameExeExists(const std::wstring& path) const;
  // Whether an install or update of the game was cut short after the remote
  // version map was stored.
  bool HasUnfinishedUpdate() const;
  // Thread 0: deletes the aliased game files and the game's version map,
  // then starts a game pass that hashes every file.
  void RepairGame();
  // Whether the drive of `path` has kNeededDiskSpace available. When it has
  // less, asks the player with `content_text` and the two button ids and
  // returns false; the answer reaches `callback` on thread 0. A drive that
  // cannot be read gives a notice and counts as passed.
  bool CheckDiskSpace(const std::wstring& path, const std::wstring& content_text,
                      const std::wstring& no_id, const std::wstring& yes_id,
                      MessageBoxCallback callback);
  // Before a game download: the game's drive, then the launcher's; at most
  // one question, worded by "STRING_ERROR_NEED_DISKSPACE_R".
  bool CheckUpdateDiskSpace(MessageBoxCallback callback);
  // Before the player chooses to install: the same with
  // "STRING_ERROR_NEED_DISKSPACE".
  bool CheckInstallDiskSpace(MessageBoxCallback callback);

  // Bridges to the worker (launcher_controller_bridges.cc). Each posts its
  // work to thread 1 and returns at once; with no thread 1 nothing happens.
  // A new launcher pass: clears autoEnterGame here, then a PrepareState of
  // pass 0 on thread 1 (dropped there while one is current).
  void RestartLauncherCheck();
  // A new game pass: autoEnterGame := auto_enter, but false when
  // honour_disable and the server overrides disable it; then a PrepareState
  // of pass 1 on thread 1.
  void RestartGameCheck(bool auto_enter, bool honour_disable);
  // A PreDownloadState in the pre-download slot, unless one is there.
  void StartPreDownload();
  // The pre-download state's Exit, then the slot is emptied.
  void StopPreDownload();
  // Pauses every download, or resumes them when they are paused.
  void TogglePauseDownloads();
  // Any thread: on thread 0, the skin archive and the UI's resources again,
  // resourceReload := 0, the common configuration again (MsgReloadAll when it
  // changed); then `continuation` is posted to thread 1.
  void ReloadResources(std::function<void()> continuation);
  // Thread 0, the main window on MsgWindowListChanged: when a language
  // change is pending, clears it and posts ApplyLanguage of the settings'
  // language code to thread 0.
  void ApplyPendingLanguageChange();
  // Thread 0: switches the UI to `code` unless it is in force already.
  void ApplyLanguage(const std::wstring& code);

  // Thread 1, every 2 ms: the current state's Update, the pre-download
  // state's, then the download engine's pump.
  void Tick();

  // Message and options boxes (message_box_requests.cc), any thread; the
  // boxes are shown on thread 0. ShowMessageBox marks a box as open (until
  // that box closes) and as shown in this run, then posts it; PostMessageBox
  // only posts. A caller that waits for the answer passes
  // answer_when_dropped, and gets 0 when there is nothing to show the box
  // over.
  void ShowMessageBox(HWND owner, const std::wstring& title_id, const std::wstring& content_id,
                      const std::wstring& no_id, const std::wstring& yes_id,
                      MessageBoxCallback callback, bool swap_button_styles,
                      bool answer_when_dropped = false);
  void PostMessageBox(HWND owner, const std::wstring& title_id, const std::wstring& title_text,
                      const std::wstring& content_id, const std::wstring& content_text,
                      const std::wstring& no_id, const std::wstring& yes_id,
                      const std::wstring& no_text, const std::wstring& yes_text,
                      MessageBoxCallback callback, bool swap_button_styles,
                      bool answer_when_dropped = false);
  // Over the main window; the first option is preselected whatever
  // `selected_index` says.
  void ShowOptionsBox(const std::wstring& content_id, const std::wstring& group_name,
                      const std::vector<std::wstring>& option_ids, int32_t selected_index,
                      const std::wstring& button_id, MessageBoxCallback callback);
  // Thread 0, as a message box closes: the open flag when this box held it,
  // and MsgRefreshVersion to the main window.
  void MessageBoxClosed(bool held_open_flag);
  // Gives up one box's hold on messageBoxOpen; the last clears it.
  void ReleaseMessageBoxOpen();

  // Tracking reports, from any thread: each copies its texts and posts the
  // matching sender (app/tracking/tracking_senders.h) to thread 1, which
  // reads this controller's shared fields when it runs and hands the report
  // to the download engine; nothing is sent when thread 1 does not exist.
  void TrackUiClick(const std::string& uitype, const std::string& action);
  void TrackLauncherDetail(const std::string& action_id, const std::string& speed,
                           const std::string& size, const std::string& download_time);
  void TrackActivity(const std::string& event_name, const std::string& value1,
                     const std::string& value2, const std::string& value3);
  void TrackLauncherStep(const std::string& print_info, const std::string& speed,
                         const std::string& size, const std::string& action_type,
                         const std::string& step, bool immediate);
  void TrackSettingChange(const std::string& autostart, const std::string& close,
                          int32_t install_speed_limit, int32_t pre_install_speed_limit);

  // Thread 1: installs `next` as the current state (ownership passes in
  // every case). A state of the same type and pass kind as the current one
  // is dropped; otherwise the old state's Exit, the new one's Enter with the
  // old one, then the old one is deleted.
  void SetState(std::unique_ptr<State> next);
  // Thread 1: publishes the pre-download slot's step (-1 when empty); the
  // pre-download state calls it whenever its step changes.
  void PublishPreDownloadStep(int32_t step);

  // Any thread: the newest snapshot, and two of its parts.
  std::shared_ptr<const Snapshot> GetSnapshot() const;
  StateInfo GetCurrentStateInfo() const { return GetSnapshot()->state; }
  int32_t GetPreDownloadStep() const { return GetSnapshot()->preDownloadStep; }
  // Thread 1 (and the version loads below): replaces the snapshot by a copy
  // that `change` has altered. Publishers never interleave.
  template <typename Change>
  void PublishSnapshot(Change change) {
    std::lock_guard<std::mutex> hold(snapshotLock_);
    auto next = std::make_shared<Snapshot>(*snapshot_);
    change(next.get());
    snapshot_ = std::move(next);
  }
  // Copies the six version texts into the snapshot; whoever changes a version
  // text calls it.
  void PublishVersions();

  // The engine's view of this controller, handed to the engine when it
  // starts.
  LauncherDownloadDelegate* download_delegate() const { return downloadDelegate_.get(); }

  // Version maps, versions and pre-download folders, over the functions of
  // update/versions. Thread 1, except LoadGameVersion, GameVersionChanged and
  // HasUnfinishedPreDownload, which the windows call too.
  VersionMap& ResetVersionMap(const std::string& key);
  void LoadLauncherVersion();
  void LoadGameVersion();
  bool GameVersionChanged() const;
  bool LoadLocalGameVersionMap();
  int GetPreDownloadStatus();
  int PrunePreDownloads();
  bool HasUnfinishedPreDownload() const;

  // Server overrides (fixed before thread 1 starts).
  ServerOverrides serverOverrides;

  // Player settings: thread 0 writes them, under settingsLock_ once thread 1
  // exists; other threads read GetSettings.
  LauncherSettings settings;

  // Download statistics: through the record operations once thread 1 exists.
  DownloadRecord downloadRecord;

  // Identity, for the tracking records (fixed before thread 1 starts).
  std::string gid;
  std::string installPackageType;

  // Windows (thread 0 only).
  HWND mainWindow = nullptr;
  // Rebuilt on both threads and appended to by the main window: only under
  // gameWindowsLock, which is never held while a message is sent.
  std::vector<HWND> gameWindows;
  mutable std::mutex gameWindowsLock;

  // Update state slots (thread 1 only).
  std::unique_ptr<State> currentState;
  std::unique_ptr<State> preDownloadState;

  // Maps (thread 1 only).
  std::map<std::string, VersionMap> versionMaps;
  // Game file name on the servers -> name in the game folder (fixed before
  // thread 1 starts).
  std::map<std::wstring, std::wstring> fileAliases;

  // Flags.
  std::atomic<bool> engineStarted{false};
  std::atomic<bool> firstRun{false};
  std::atomic<bool> closeQuestionPending{false};
  std::atomic<bool> launcherReplaced{false};
  std::atomic<bool> restartPromptArmed{true};
  std::atomic<bool> cefFilesStaged{false};
  std::atomic<bool> fontsStaged{false};
  // The restart after a launcher update started the replacement already:
  // the exit does not start a second one.
  std::atomic<bool> replacementStarted{false};
  std::atomic<bool> forceUpdateLauncher{false};
  std::atomic<int32_t> resourceReload{0};  // 1 replaced, -1 removed, 0 unchanged
  std::atomic<bool> languageChangePending{false};
  std::atomic<bool> autoEnterGame{false};

  // Versions (published with PublishVersions).
  LockedStringA launcherVersion{"1.0.0"};
  LockedStringA localGameVersion;
  LockedStringA downloadingVersion;
  LockedStringA displayGameVersion;
  LockedStringA remoteGameVersion;

  // Pre-download.
  std::vector<std::string> preDownloadFolders;  // thread 1 only
  LockedStringA preDownloadVersion;
  std::atomic<uint64_t> preDownloadBytes{0};
  std::atomic<bool> resumeRequested{false};
  std::atomic<bool> pausedByUser{false};
  std::atomic<bool> preDlcCheck{false};

  // Skin configuration (thread 0 only).
  // Opens the address kept under the key in the system's browser; only
  // http and https addresses are opened. False when nothing was opened.
  bool OpenLink(const std::string& key, bool lookup);
  std::map<std::string, std::wstring> titles;
  std::map<std::string, std::string> links;
  std::vector<JumpLink> jumpLinks;

  // Directory reply options.
  LockedStringA activityAddress;
  int32_t patchOption = 2;  // thread 1 only
  std::atomic<bool> useWebExtraParam{false};
  std::string publicAddress;  // thread 1 only

  // User-interface flags.
  std::atomic<bool> errorShown{false};
  std::atomic<bool> messageBoxOpen{false};  // while a box of ShowMessageBox is open
  std::atomic<bool> messageBoxShown{false};

 private:
  void PublishCurrentState();
  // Posts the request's Show to thread 0.
  void PostRequest(MessageBoxRequest request);

  std::mutex messageBoxLock_;
  int32_t openFlagHolders_ = 0;  // boxes of ShowMessageBox not yet closed

  mutable std::mutex settingsLock_;
  mutable std::mutex recordLock_;
  mutable std::mutex snapshotLock_;
  std::shared_ptr<const Snapshot> snapshot_;
  std::unique_ptr<LauncherDownloadDelegate> downloadDelegate_;

  // A command-line language is in force for this run only: the settings file
  // keeps the player's own choice until the player picks a language.
  bool commandLineLanguageInForce_ = false;
  int32_t playerLanguageType_ = 0;
};

#endif  // APP_CONTROLLER_LAUNCHER_CONTROLLER_H_
