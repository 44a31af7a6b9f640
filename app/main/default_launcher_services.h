// DefaultLauncherServices: the launcher's services as the product runs them.
// The calls into the UI framework, the windows, the browser, the update
// states and the self-replacement are wired here, in the launcher itself,
// the one place where every library meets; the rest is LauncherServices' own.
//
// The process entry installs one with LauncherServices::SetDefault before
// anything else runs.
//
// PROVISIONAL: the bodies marked so in default_launcher_services.cc stand in
// for pieces that are not in the tree yet and do nothing (or report
// success); each names what it becomes. When a piece lands, its body calls it.
#ifndef APP_MAIN_DEFAULT_LAUNCHER_SERVICES_H_
#define APP_MAIN_DEFAULT_LAUNCHER_SERVICES_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/controller/launcher_services.h"

class DefaultLauncherServices : public LauncherServices {
 public:
  std::unique_ptr<State> MakePrepareState(int32_t pass) override;
  std::unique_ptr<State> MakePreDownloadState() override;

  bool InstallFonts() override;
  void RemoveFonts() override;

  void SetUiChannel(const std::wstring& channel) override;
  void LoadSkinArchive() override;
  void StartUi(const std::wstring& resource_root, const std::wstring& theme,
               const std::wstring& language) override;
  bool LoadCommonConfig() override;
  void StopUi() override;

  bool IsOpenWindow(HWND window) override;
  void ShowMsgBox(HWND owner, const MsgBoxContent& box, MessageBoxCallback closed) override;

  void RelaunchForSelfUpdate(const std::wstring& command, bool launcher_replaced) override;
  void ApplyStagedCefUpdate() override;
  void ApplyStagedFontUpdate() override;
  [[noreturn]] void DeleteSelfAndExit() override;

  std::wstring GetLanguageText(const std::wstring& id) override;
};

#endif  // APP_MAIN_DEFAULT_LAUNCHER_SERVICES_H_
