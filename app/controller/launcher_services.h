// LauncherServices: the calls that the controller and the launcher's two
// threads make into the rest of the launcher (the download engine, fonts,
// the UI framework, tracking, the update states, the self-replacement) and
// into the machine (the user's locale, the start-with-Windows value).
//
// One process-wide instance, the default below, reached through Get(). Tests
// install a subclass with SetForTesting to watch the calls or to make the
// machine fail; the product never replaces it.
//
// PROVISIONAL: the bodies marked so in launcher_services.cc stand in for
// pieces that are not in the tree yet and do nothing (or report success);
// each names what it becomes. When a piece lands, its body calls it.
//
// Threads: each call runs on the thread its caller names: the download
// engine's start, stop, pump and first state on the worker; speed limits,
// fonts, the UI, tracking of settings and the registry on the UI thread; the
// "replace" mode on the process's main thread.
#ifndef APP_CONTROLLER_LAUNCHER_SERVICES_H_
#define APP_CONTROLLER_LAUNCHER_SERVICES_H_

#include <cstdint>
#include <memory>
#include <string>

struct ServerOverrides;
class State;

class LauncherServices {
 public:
  virtual ~LauncherServices() = default;

  static LauncherServices* Get();
  // Null puts the default back.
  static void SetForTesting(LauncherServices* services);

  // Download engine (the worker, except where noted).
  // DownloadManager::Init with the overrides of its servers.
  virtual void InitDownloadEngine(const ServerOverrides& overrides);
  // DownloadManager::Shutdown: not running, paused, transfers and requests
  // released.
  virtual void StopDownloadEngine();
  // Clears the engine's running flag; the UI thread at exit.
  virtual void ClearDownloadEngineRunning();
  virtual void PumpDownloadEngine();           // DownloadManager::Pump
  // DownloadManager::ApplySpeedLimit, on the UI thread: 0 game downloads,
  // 1 the pre-download.
  virtual void ApplySpeedLimit(int32_t mode);

  // The state of a new update pass: a PrepareState of the pass.
  virtual std::unique_ptr<State> MakePrepareState(int32_t pass);

  // Fonts.
  virtual bool InstallFonts();
  virtual void RemoveFonts();

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

  // Self-replacement.
  virtual void RelaunchForSelfUpdate(const std::wstring& command, bool launcher_replaced);
  // The steps of the "replace" mode after the copy.
  virtual void ApplyStagedCefUpdate();
  virtual void ApplyStagedFontUpdate();
  // Ends the process after arranging the deletion of its executable.
  [[noreturn]] virtual void DeleteSelfAndExit();

  // Tracking: the settings record (TrackSettingChange).
  virtual void TrackSettingChange(const std::string& start_text, const std::string& close_text,
                                  int32_t game_limit, int32_t predownload_limit);

  // Machine.
  virtual uint32_t GetUserLocale();
  // Writes the start-with-Windows value with the launcher's path; the result
  // of SetRegistryString (-1 failure, 0 unchanged, 1 written).
  virtual int WriteRunValue();
  // Deletes the start-with-Windows value; failures are silent.
  virtual void DeleteRunValue();
};

#endif  // APP_CONTROLLER_LAUNCHER_SERVICES_H_
