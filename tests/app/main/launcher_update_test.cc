// A launcher update with real processes: launcher.exe, pointed at the sample
// publisher through "setting.json", finds a new launcher (its own executable
// with a trailer), a browser file and a font; its launcher pass stages them,
// the forced restart closes it and starts "launcher_temp.exe", which copies
// them into place, starts the new launcher and deletes itself.

#include <gtest/gtest.h>
#include <json/json.h>

#include <windows.h>

#include <string>

#include "app/main/launcher_copy.h"
#include "app/main/single_instance.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/util/md5_context.h"
#include "base/file/path_util.h"
#include "test_support/publisher_client.h"
#include "test_support/pump_until.h"

namespace {

using app_testing::LauncherCopy;
using testing_support::PumpUntil;

// The provisional main window's yes button.
constexpr WPARAM kYesCommand = 102;

std::string Narrow(const std::wstring& wide) { return std::string(wide.begin(), wide.end()); }

std::string Md5Of(const std::string& bytes) {
  Md5Context context;
  context.Update(bytes.data(), bytes.size());
  context.Final();
  return context.DigestText();
}

std::string ReadAll(const std::wstring& path) {
  std::string text;
  return ReadFileTextW(path, &text) ? text : "<missing>";
}

// The process's executable path, or "" when it cannot be read.
std::wstring ImageOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return L"";
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  const bool ok = QueryFullProcessImageNameW(process, 0, path, &size) != FALSE;
  CloseHandle(process);
  return ok ? path : L"";
}

TEST(LauncherUpdateTest, TemporaryCopyReplacesTheLauncherAppliesTheStagedFilesAndGoes) {
  testing_support::PublisherClient publisher;
  std::string error;
  ASSERT_TRUE(publisher.Connect(&error)) << error;
  ASSERT_TRUE(publisher.Reset());

  LauncherCopy launcher;
  // The release: the launcher with a trailer (Windows ignores bytes after
  // the image), a browser file and a font, and their map.
  std::string old_exe, font;
  ASSERT_TRUE(ReadFileTextW(launcher.exe(), &old_exe));
  ASSERT_TRUE(ReadFileTextW(base::GetModuleDirectory() + QUORVEL_FONT_DIR + L"\\LomaN.ttf", &font));
  const std::string new_exe = old_exe + "\r\nquorvel launcher 1.0.1\r\n";
  const std::string pak = "new en-US pak";
  const std::string served = publisher.root() + "\\self\\";
  const struct {
    const char* path;
    const std::string* bytes;
  } files[] = {{"launcher.exe", &new_exe}, {"cef/locales/en-US.pak", &pak}, {"LomaN.ttf", &font}};
  Json::Value map;
  map["version"]["md5"] = "1_0_1";
  for (const auto& file : files) {
    std::string target = served + file.path;
    CreateParentFoldersA(target);
    ASSERT_TRUE(WriteFileTextA(target, *file.bytes));
    map[file.path]["md5"] = Md5Of(*file.bytes);
    map[file.path]["size"] = static_cast<Json::Int64>(file.bytes->size());
  }
  ASSERT_TRUE(WriteJsonFile(served + "launcher_version_map.txt", map));
  Json::Value config;
  Json::Value& directory = config["directory"];
  directory["DlcAddr"].append(publisher.Url("dl0") + "/self/");
  directory["Others"]["DlcAddr"].append(publisher.Url("dl0") + "/self/");
  directory["Others"]["PatchOption"] = 0;
  directory["Others"]["ForceUpdateLauncher"] = "1";
  ASSERT_TRUE(publisher.SetConfig(config));

  // The launcher finds the publisher through its server overrides.
  Json::Value settings;
  settings["GateURLs"].append(publisher.Url("gate") + "/");
  settings["DlcURLs"].append(publisher.Url("dl0") + "/self/");
  CreateDirectoryW(launcher.Path(L"save").c_str(), nullptr);
  ASSERT_TRUE(WriteJsonFile(Narrow(launcher.Path(L"save\\setting.json")), settings));

  ASSERT_TRUE(launcher.Start({}));
  // The forced notice, answered as the player would, ends the first
  // launcher...
  ASSERT_TRUE(PumpUntil(
      [&] {
        HWND window = launcher.MainWindow();
        if (window) PostMessageW(window, WM_COMMAND, kYesCommand, 0);
        return !launcher.Running();
      },
      120000));
  EXPECT_EQ(0, launcher.WaitForExit(1000));
  // ...and the temporary copy puts the new one in place and starts it.
  ASSERT_TRUE(PumpUntil([&] { return ReadAll(launcher.exe()) == new_exe; }, 60000));
  HWND window = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        window = SingleInstance::FindLauncherWindow();
        return window && ImageOf(window) == GetFullPathW(launcher.exe());
      },
      60000));
  EXPECT_TRUE(PumpUntil([&] { return !launcher.Exists(L"launcher_temp.exe"); }, 30000));
  EXPECT_EQ(pak, ReadAll(launcher.Path(L"cef\\locales\\en-US.pak")));
  EXPECT_EQ(font, ReadAll(launcher.Path(L"LomaN.ttf")));
  EXPECT_FALSE(launcher.Exists(L"update\\cef_update.txt"));
  EXPECT_FALSE(launcher.Exists(L"update\\font_update.txt"));
  EXPECT_FALSE(launcher.Exists(L"update\\launcher.exe"));
  EXPECT_FALSE(launcher.Exists(L"update\\cef\\locales\\en-US.pak"));
  std::string promoted, listed;
  ReadFileTextW(launcher.Path(L"launcher_version_map.txt"), &promoted);
  ReadFileTextA(served + "launcher_version_map.txt", &listed);
  EXPECT_EQ(listed, promoted);

  // The new launcher ends as any does.
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (process) {
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; },
                          60000));
    CloseHandle(process);
  }
}

}  // namespace
