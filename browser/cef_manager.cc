#include "browser/cef_manager.h"

#include <windows.h>

#include "base/file/path_util.h"
#include "base/thread/thread_registry.h"
#include "browser/client_app.h"
#include "browser/runtime/cef_runtime.h"

namespace comp {

namespace {

constexpr base::TimeDelta kBrowserCloseRecheck(500000);

// Gives the main thread's hidden pop-up a child made on the runtime's UI
// thread, then closes the pop-up: the main thread destroys both once it
// pumps messages.
class ProbeWindowTask : public CefTask {
 public:
  explicit ProbeWindowTask(HWND popup) : popup_(popup) {}
  void Execute() override {
    CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 0, 0, popup_, nullptr, nullptr, nullptr);
    PostMessageW(popup_, WM_CLOSE, 0, 0);
  }

 private:
  HWND popup_;
  CEF_IMPLEMENT_REFCOUNTING(ProbeWindowTask);
};

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Environment(const wchar_t* name) {
  // The value may outgrow any fixed buffer (PATH often does): ask its size.
  for (DWORD size = 4096;;) {
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name, &value[0], size);
    if (length < size) {
      value.resize(length);
      return value;
    }
    size = length;
  }
}

}  // namespace

CefManager* CefManager::GetInstance() {
  static CefManager manager;
  return &manager;
}

bool CefManager::Initialize(const std::wstring& folder, CefSettings& settings) {
  cef_enable_highdpi_support();
  offscreen_rendering = true;
  CefMainArgs main_args(GetModuleHandleW(nullptr));
  CefRefPtr<ClientApp> application(new ClientApp());

  // 0 or more: a runtime sub-process, or a runtime of another version.
  if (CefExecuteProcess(main_args, application, nullptr) >= 0) return false;

  FillSettings(folder, settings);
  bool ok = CefInitialize(main_args, settings, application, nullptr);

  if (offscreen_rendering) {
    HWND popup = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 nullptr, nullptr);
    // A runtime that takes no task would leave the pop-up for ever.
    if (popup && !CefPostTask(TID_UI, new ProbeWindowTask(popup))) DestroyWindow(popup);
  }
  initialized = ok;
  return ok;
}

void CefManager::FillSettings(const std::wstring& folder, CefSettings& settings) {
  if (!IsDirectory(folder)) base::CreateDirectoryTree(folder.c_str());
  settings.no_sandbox = 1;
  CefSettings::Set(&settings.cache_path, folder + L"CefLocalStorage");
  CefSettings::Set(&settings.log_file, folder + L"cef.log");
  settings.single_process = 0;
  settings.multi_threaded_message_loop = 1;
  settings.windowless_rendering_enabled = offscreen_rendering ? 1 : 0;
  CefSettings::Set(&settings.browser_subprocess_path, L".\\cef\\cef_helper.exe");
}

void CefManager::QuitWhenBrowsersClosed(int32_t exit_code) {
  if (live_browser_count == 0) {
    base::ThreadRegistry::Post(base::kUiThreadId, [exit_code] { PostQuitMessage(exit_code); });
    return;
  }
  // A plain task: the manager outlives thread 0's loop.
  if (auto proxy = base::ThreadRegistry::Find(base::kUiThreadId)) {
    proxy->PostDelayedTask(
        [exit_code] { CefManager::GetInstance()->QuitWhenBrowsersClosed(exit_code); },
        kBrowserCloseRecheck);
  }
}

bool PrependCefFolderToPath() {
  std::wstring old_path = Environment(L"path");
  std::wstring folder = base::GetModuleDirectory() + L"cef";
  if (!IsDirectory(folder)) return false;
  SetEnvironmentVariableW(L"path", (folder + L";" + old_path).c_str());
  SetEnvironmentVariableW(L"ComSpec", (folder + L"\\dummy_cmd.exe").c_str());
  return true;
}

}  // namespace comp
