// TOLM.exe, a stand-in for the game: just what the launcher relies on, and
// a log of what it saw, so that tests can check the launcher's side.
//
// - Holds the mutex "_Tolm_Instance_" while it runs; a second copy logs
//   "second_instance" and ends with code 2.
// - Logs, as JSON lines, its command line, working folder, PATH, ComSpec and
//   the files it reads beside its executable ("version_map.txt",
//   "save\gid.txt", "save\TransToGame").
// - Opens a window of class "UnityWndClass" that carries the property
//   "_ZQV_GAME_KOREA" (its own handle), registers it with the launcher's main
//   window (found by "_ZQV_LAUNCHER_KOREA") and logs every launcher message it
//   receives. It ends when that window gets WM_CLOSE.
// - Takes commands, one a line, from a file that it polls (see RunCommand).
//
// An optional "TOLM.standin" beside the executable holds key=value lines:
//   log=<file>       the log (default "tolm_log.jsonl" beside the executable)
//   commands=<file>  the commands (default "tolm_commands.txt" beside it)
//   window=<kind>    normal (default); classonly: no property, no
//                    registration; late: no window until the command
//                    "window"; hung: also a second marked, registered window
//                    whose thread never takes a message.
#include <windows.h>

#include <json/json.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kInstanceMutex[] = L"_Tolm_Instance_";
constexpr wchar_t kGameProperty[] = L"_ZQV_GAME_KOREA";
constexpr wchar_t kLauncherProperty[] = L"_ZQV_LAUNCHER_KOREA";
constexpr wchar_t kWindowClass[] = L"UnityWndClass";

constexpr UINT kMsgGameRegister = 2525;
constexpr UINT kFirstLauncherMessage = 2525;
constexpr UINT kLastLauncherMessage = 2532;

// Thread messages to the main thread.
constexpr UINT kCreateWindowMessage = WM_APP + 1;

// The balloon record of WM_COPYDATA: title, text, sound path, window to flash.
constexpr size_t kTitleUnits = 64;
constexpr size_t kTextUnits = 256;
constexpr size_t kSoundUnits = 1024;
constexpr size_t kBalloonBytes = (kTitleUnits + kTextUnits + kSoundUnits) * 2 + 8;

struct Config {
  std::wstring log;
  std::wstring commands;
  std::string window = "normal";
};

Config g_config;
CRITICAL_SECTION g_log_lock;
HANDLE g_log = INVALID_HANDLE_VALUE;
DWORD g_main_thread = 0;
HWND g_window = nullptr;  // the main thread's game window
volatile LONG g_exiting = 0;

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string text(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size,
                      nullptr, nullptr);
  return text;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], size);
  return text;
}

Json::Value Handle(HWND window) {
  return Json::Value(static_cast<Json::UInt64>(reinterpret_cast<uintptr_t>(window)));
}

void Log(const Json::Value& record) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  std::string line = Json::writeString(builder, record) + "\n";
  EnterCriticalSection(&g_log_lock);
  if (g_log != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(g_log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  LeaveCriticalSection(&g_log_lock);
}

Json::Value Event(const char* name) {
  Json::Value record(Json::objectValue);
  record["event"] = name;
  return record;
}

std::wstring ExecutableFolder() {
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".\\") : folder.substr(0, slash + 1);
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes->append(buffer, read);
  }
  CloseHandle(file);
  return true;
}

std::wstring Environment(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring value(size, L'\0');
  DWORD length = GetEnvironmentVariableW(name, &value[0], size);
  value.resize(length < size ? length : 0);
  return value;
}

void ReadConfig() {
  std::wstring folder = ExecutableFolder();
  g_config.log = folder + L"tolm_log.jsonl";
  g_config.commands = folder + L"tolm_commands.txt";
  std::string text;
  if (!ReadWholeFile(folder + L"TOLM.standin", &text)) return;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    std::string value = line.substr(equals + 1);
    if (key == "log") g_config.log = Wide(value);
    if (key == "commands") g_config.commands = Wide(value);
    if (key == "window") g_config.window = value;
  }
}

// What the game reads of the files the launcher leaves for it.
Json::Value GameFiles() {
  static const wchar_t* const kFiles[] = {L"version_map.txt", L"save\\gid.txt",
                                          L"save\\TransToGame"};
  Json::Value files(Json::objectValue);
  std::wstring folder = ExecutableFolder();
  for (const wchar_t* name : kFiles) {
    Json::Value entry(Json::objectValue);
    std::string bytes;
    entry["exists"] = ReadWholeFile(folder + name, &bytes);
    entry["size"] = static_cast<Json::UInt64>(bytes.size());
    entry["text"] = bytes;
    files[Utf8(name)] = entry;
  }
  return files;
}

HWND FindLauncherWindow() {
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window;
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (GetPropW(window, kLauncherProperty) == window) return window;
  }
  return nullptr;
}

void Register(HWND window) {
  HWND launcher = FindLauncherWindow();
  DWORD_PTR result = 0;
  bool sent = launcher && SendMessageTimeoutW(launcher, kMsgGameRegister, 0,
                                              reinterpret_cast<LPARAM>(window), SMTO_NORMAL,
                                              5000, &result);
  Json::Value record = Event("register");
  record["window"] = Handle(window);
  record["launcher"] = Handle(launcher);
  record["sent"] = sent;
  Log(record);
}

LRESULT CALLBACK GameWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= kFirstLauncherMessage && message <= kLastLauncherMessage) {
    Json::Value record = Event("received");
    record["window"] = Handle(window);
    record["message"] = message;
    record["wparam"] = static_cast<Json::UInt64>(wparam);
    record["lparam"] = static_cast<Json::Int64>(lparam);
    Log(record);
    return 0;
  }
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      RemovePropW(window, kGameProperty);
      if (window == g_window) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

// A game window on the calling thread: marked and registered unless `plain`.
HWND OpenGameWindow(bool plain, const char* thread) {
  HWND window = CreateWindowExW(0, kWindowClass, L"TOLM", WS_OVERLAPPEDWINDOW, 40, 40, 320, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;
  if (!plain) SetPropW(window, kGameProperty, window);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  Json::Value record = Event("window");
  record["window"] = Handle(window);
  record["marked"] = !plain;
  record["thread"] = thread;
  Log(record);
  if (!plain) Register(window);
  return window;
}

// The hung variant's second window: made, then its thread never looks at a
// message again.
DWORD WINAPI HungWindowThread(void*) {
  OpenGameWindow(false, "hung");
  for (;;) Sleep(INFINITE);
}

void SendBalloon(const std::vector<BYTE>& record, ULONG_PTR data, const char* kind) {
  HWND launcher = FindLauncherWindow();
  COPYDATASTRUCT copy = {};
  copy.dwData = data;
  copy.cbData = static_cast<DWORD>(record.size());
  copy.lpData = const_cast<BYTE*>(record.data());
  DWORD_PTR result = 0;
  bool sent = launcher && SendMessageTimeoutW(launcher, WM_COPYDATA,
                                              reinterpret_cast<WPARAM>(g_window),
                                              reinterpret_cast<LPARAM>(&copy), SMTO_NORMAL,
                                              10000, &result);
  Json::Value logged = Event("balloon");
  logged["kind"] = kind;
  logged["bytes"] = static_cast<Json::UInt64>(record.size());
  logged["sent"] = sent;
  Log(logged);
}

// Copies at most `units` units of `text` into the field at `offset`; the
// record's zeros terminate it when it is shorter.
void PutField(std::vector<BYTE>* record, size_t offset, size_t units, const std::wstring& text) {
  size_t count = text.size() < units ? text.size() : units;
  std::memcpy(record->data() + offset, text.data(), count * 2);
}

std::vector<BYTE> BalloonRecord(const std::wstring& title, const std::wstring& text,
                                const std::wstring& sound) {
  std::vector<BYTE> record(kBalloonBytes, 0);
  PutField(&record, 0, kTitleUnits - 1, title);
  PutField(&record, kTitleUnits * 2, kTextUnits - 1, text);
  PutField(&record, (kTitleUnits + kTextUnits) * 2, kSoundUnits - 1, sound);
  uint64_t flash = reinterpret_cast<uintptr_t>(g_window);
  std::memcpy(record.data() + (kTitleUnits + kTextUnits + kSoundUnits) * 2, &flash, 8);
  return record;
}

// Commands:
//   register                      registers the main game window again
//   query status|progress|speed|notify
//                                 sends 2526, 2528, 2530 or 2532 to the launcher
//   balloon <title>|<text>|<sound>
//                                 a whole balloon record with dwData 0
//   bad_balloon data|short|unterminated
//                                 dwData 1; a record of 100 bytes; title and
//                                 text that fill their fields unterminated
//   window                        opens the game window (variant "late")
//   exit                          closes the game window
void RunCommand(const std::string& line) {
  Json::Value record = Event("command");
  record["line"] = line;
  Log(record);
  size_t blank = line.find(' ');
  std::string verb = line.substr(0, blank);
  std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
  if (verb == "register") {
    if (g_window) Register(g_window);
  } else if (verb == "query") {
    UINT message = rest == "status"     ? 2526
                   : rest == "progress" ? 2528
                   : rest == "speed"    ? 2530
                   : rest == "notify"   ? 2532
                                        : 0;
    HWND launcher = FindLauncherWindow();
    DWORD_PTR result = 0;
    bool sent = message && launcher &&
                SendMessageTimeoutW(launcher, message, 0, 0, SMTO_NORMAL, 5000, &result);
    Json::Value logged = Event("query");
    logged["message"] = message;
    logged["sent"] = sent;
    Log(logged);
  } else if (verb == "balloon") {
    std::wstring fields[3];
    std::wstring wide = Wide(rest);
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
      size_t bar = i < 2 ? wide.find(L'|', at) : std::wstring::npos;
      fields[i] = wide.substr(at, bar == std::wstring::npos ? std::wstring::npos : bar - at);
      if (bar == std::wstring::npos) break;
      at = bar + 1;
    }
    SendBalloon(BalloonRecord(fields[0], fields[1], fields[2]), 0, "whole");
  } else if (verb == "bad_balloon") {
    std::vector<BYTE> whole = BalloonRecord(L"title", L"text", L"");
    if (rest == "data") {
      SendBalloon(whole, 1, "data");
    } else if (rest == "short") {
      whole.resize(100);
      SendBalloon(whole, 0, "short");
    } else if (rest == "unterminated") {
      std::vector<BYTE> record(kBalloonBytes, 0);
      PutField(&record, 0, kTitleUnits, std::wstring(kTitleUnits, L'T'));
      PutField(&record, kTitleUnits * 2, kTextUnits, std::wstring(kTextUnits, L'X'));
      SendBalloon(record, 0, "unterminated");
    }
  } else if (verb == "window") {
    PostThreadMessageW(g_main_thread, kCreateWindowMessage, 0, 0);
  } else if (verb == "exit") {
    if (g_window) PostMessageW(g_window, WM_CLOSE, 0, 0);
  }
}

// Polls the commands file and runs each whole line once.
DWORD WINAPI CommandThread(void*) {
  uint64_t done = 0;
  std::string pending;
  while (!g_exiting) {
    std::string bytes;
    if (ReadWholeFile(g_config.commands, &bytes) && bytes.size() > done) {
      pending += bytes.substr(done);
      done = bytes.size();
      size_t end;
      while ((end = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) RunCommand(line);
      }
    }
    Sleep(20);
  }
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  InitializeCriticalSection(&g_log_lock);
  g_main_thread = GetCurrentThreadId();
  ReadConfig();
  g_log = CreateFileW(g_config.log.c_str(), FILE_APPEND_DATA,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);

  HANDLE mutex = CreateMutexW(nullptr, TRUE, kInstanceMutex);
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
    Log(Event("second_instance"));
    return 2;
  }

  wchar_t folder[MAX_PATH * 4] = {};
  GetCurrentDirectoryW(MAX_PATH * 4, folder);
  Json::Value start = Event("start");
  start["command_line"] = Utf8(GetCommandLineW());
  start["working_folder"] = Utf8(folder);
  start["path"] = Utf8(Environment(L"PATH"));
  start["comspec"] = Utf8(Environment(L"ComSpec"));
  start["pid"] = static_cast<Json::UInt>(GetCurrentProcessId());
  start["files"] = GameFiles();
  Log(start);

  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = GameWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClass;
  RegisterClassW(&window_class);

  // The thread's message queue exists before the command thread may post.
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
  if (g_config.window == "normal" || g_config.window == "hung") {
    g_window = OpenGameWindow(false, "main");
  } else if (g_config.window == "classonly") {
    g_window = OpenGameWindow(true, "main");
  }
  if (g_config.window == "hung") {
    CloseHandle(CreateThread(nullptr, 0, HungWindowThread, nullptr, 0, nullptr));
  }
  HANDLE commands = CreateThread(nullptr, 0, CommandThread, nullptr, 0, nullptr);

  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!message.hwnd && message.message == kCreateWindowMessage) {
      if (!g_window) g_window = OpenGameWindow(false, "main");
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }

  InterlockedExchange(&g_exiting, 1);
  WaitForSingleObject(commands, 5000);
  CloseHandle(commands);
  Log(Event("exit"));
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  if (g_log != INVALID_HANDLE_VALUE) CloseHandle(g_log);
  // The hung thread never ends by itself.
  ExitProcess(0);
}
