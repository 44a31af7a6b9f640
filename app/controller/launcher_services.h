// LauncherServices: the calls that the controller and the launcher's two
// threads make into the rest of the launcher (the download engine, fonts,
// the UI framework, tracking, the update states, the self-replacement) and
// into the machine (the user's locale, the start-with-Windows value).
//
// The controller's layer lies below the UI framework, the windows, the
// browser and the update states, so this class does itself only what its own
// layers can: the download engine, tracking and the machine. Its calls into
// the layers above do nothing (or report success); the launcher's own
// services (app/main/default_launcher_services.h), where every layer meets,
// carry them out. The process entry installs those with SetDefault. Get()
// returns the services installed for testing, else the installed default,
// else this base. Tests install a subclass with SetForTesting to watch the
// calls or to make the machine fail.
//
// Threads: each call runs on the thread its caller names: the download
// engine's start, stop, pump and first state on the worker; speed-limit
// changes, fonts, the UI, tracking of settings and the registry on the UI
// thread; the "replace" mode on the process's main thread.
#ifndef APP_CONTROLLER_LAUNCHER_SERVICES_H_
#define APP_CONTROLLER_LAUNCHER_SERVICES_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/controller/message_box_request.h"
#include "update/download/download_delegate.h"

class LauncherController;
struct MessageBoxRequest;
struct ServerOverrides;
class State;

class LauncherServices {
 public:
  virtual ~LauncherServices() = default;

  static LauncherServices* Get();
  // The process entry, once, before any other thread exists.
  static void SetDefault(LauncherServices* services);
  // Null puts the default back.
  static void SetForTesting(LauncherServices* services);

  // Download engine (the worker, except where noted).
  // DownloadManager::Init with the overrides of its servers; `delegate` hears
  // the engine's events.
  virtual void InitDownloadEngine(const ServerOverrides& overrides, DownloadDelegate* delegate);
  // DownloadManager::Shutdown: not running, paused, transfers and requests
  // released.
  virtual void StopDownloadEngine();
  // Clears the engine's running flag; the UI thread at exit.
  virtual void ClearDownloadEngineRunning();
  virtual void PumpDownloadEngine();           // DownloadManager::Pump
  // DownloadManager::ApplySpeedLimit, from any thread: the limit of mode 0
  // (game downloads) or 1 (the pre-download) becomes `setting` on the
  // engine's thread.
  virtual void ApplySpeedLimit(int32_t mode, SpeedSetting setting);
  // DownloadManager::Resume when the engine is paused, else
  // DownloadManager::Pause.
  virtual void PauseOrResumeDownloads();

  // The states the bridges make (the worker). Null when none can be made:
  // the request then starts nothing.
  // The state of a new update pass: a PrepareState of the pass.
  virtual std::unique_ptr<State> MakePrepareState(int32_t pass);
  // A PreDownloadState at its first step.
  virtual std::unique_ptr<State> MakePreDownloadState();

  // Fonts.
  virtual bool InstallFonts();
  virtual void RemoveFonts();
  // SetDefaultFontFaces, after a language switch (thread 0).
  virtual void SetDefaultFontFaces();

  // UI framework (thread 0).
  virtual void SetUiChannel(const std::wstring& channel);
  // Chooses the skin archive (LoadSkinArchive).
  virtual void LoadSkinArchive();
  // GlobalResources::Startup with the resource root, the theme and the
  // language code.
  virtual void StartUi(const std::wstring& resource_root, const std::wstring& theme,
                       const std::wstring& language);
  // LauncherController::LoadCommonConfig.
  virtual bool LoadCommonConfig();
  // GlobalResources::Shutdown.
  virtual void StopUi();
  // The text of `id` in the current language; empty when the language has
  // none. Thread 0 or 1: it reads the copy of the language table that the UI
  // thread publishes (LanguageTable::GetTextAnyThread), never the table.
  virtual std::wstring GetLanguageText(const std::wstring& id);
  // The UI framework's current language code, and its change.
  virtual std::wstring GetUiLanguage();
  virtual void SetUiLanguage(const std::wstring& code);
  // GlobalResources::SwitchLanguage with an empty resource path and no
  // completion: fonts, "global.xml" and the texts again from the archive.
  virtual void SwitchUiLanguage();

  // Launcher windows (thread 0).
  // Whether the UI framework's list of open windows holds `window`.
  virtual bool IsOpenWindow(HWND window);
  // A new MsgBox showing `box`, modal to `owner`. When it closes, the box
  // calls `closed` once with the answer (1 yes, 0 anything else), after
  // re-enabling its owner.
  virtual void ShowMsgBox(HWND owner, const MsgBoxContent& box, MessageBoxCallback closed);
  // A new OptionsBox over `owner` from the request's texts, index and
  // callback; false when its window could not be created.
  virtual bool ShowOptionsBox(HWND owner, const OptionsBoxRequest& request);
  // Closes the main window as its own close would end the launcher (the
  // restart after a launcher update).
  virtual void CloseMainWindow(HWND window);

  // Self-replacement.
  virtual void RelaunchForSelfUpdate(const std::wstring& command, bool launcher_replaced);
  // The steps of the "replace" mode after the copy.
  virtual void ApplyStagedCefUpdate();
  virtual void ApplyStagedFontUpdate();
  // Ends the process after arranging the deletion of its executable.
  [[noreturn]] virtual void DeleteSelfAndExit();

  // Tracking: the settings record of `controller` (its TrackSettingChange).
  virtual void TrackSettingChange(LauncherController* controller, const std::string& start_text,
                                  const std::string& close_text, int32_t game_limit,
                                  int32_t predownload_limit);

  // Machine.
  // Total bytes and bytes available to the caller on the drive of `path`
  // (GetDriveSpaceW); false when they cannot be read.
  virtual bool GetDriveSpace(const std::wstring& path, uint64_t* total, uint64_t* available);
  virtual uint32_t GetUserLocale();
  // Writes the start-with-Windows value with the launcher's path; the result
  // of SetRegistryString (-1 failure, 0 unchanged, 1 written).
  virtual int WriteRunValue();
  // Deletes the start-with-Windows value; failures are silent.
  virtual void DeleteRunValue();
};

#endif  // APP_CONTROLLER_LAUNCHER_SERVICES_H_
