// The self-replacement: a launcher cannot overwrite its own running
// executable, the browser-runtime files it has loaded or the fonts it has
// installed, so a launcher update leaves them staged in the "update" folder
// ("cef_update.txt" and "font_update.txt" list the browser files and fonts),
// and a temporary copy of the launcher, "launcher_temp.exe", started in the
// "replace" mode once the launcher ends, moves them into place, may start
// the launcher again and deletes itself.
//
// Paths are relative to the working folder, the launcher's own. The list
// writer and reader run on any thread; RelaunchForSelfUpdate on the UI thread
// or at exit; the appliers and DeleteSelfAndExit in the "replace" mode's
// process, before any other thread exists.
#ifndef APP_UTIL_SELF_REPLACEMENT_H_
#define APP_UTIL_SELF_REPLACEMENT_H_

#include <string>
#include <vector>

extern const wchar_t kTemporaryLauncher[];   // .\launcher_temp.exe
extern const char kStagedCefListName[];      // cef_update.txt
extern const char kStagedFontListName[];     // font_update.txt

// The command line of the temporary copy after its program: "replace" and
// the three quoted values (staged executable, executable to overwrite, command
// to start afterwards); the first two are set only when `launcher_replaced`.
std::wstring BuildReplaceArguments(const std::wstring& command, bool launcher_replaced);

// Copies .\launcher.exe to .\launcher_temp.exe and starts that copy with the
// "replace" arguments. Does not wait.
void RelaunchForSelfUpdate(const std::wstring& command, bool launcher_replaced);

// Applies .\update\cef_update.txt: each listed file is copied from the update
// folder over its place in the launcher's folder (folders made as needed) and
// its staged copy deleted. The list keeps only the files whose copy failed,
// so they are tried again by the next replacement, and goes when none did.
void ApplyStagedCefUpdate();

// Arranges the deletion of the running executable by a hidden "cmd.exe" and
// ends the process with code 0 at once.
[[noreturn]] void DeleteSelfAndExit();

// A staged list: a JSON array of relative paths ("/" between folders),
// tab-indented UTF-8, written whole or not at all.
bool WriteJsonFileList(const std::string& path, const std::vector<std::string>& names);
// Appends the list's texts to `names` in order (elements that are no text are
// left out). False, nothing appended, when the file cannot be read, is not
// JSON or is not an array.
bool ReadJsonFileList(const std::string& path, std::vector<std::string>* names);

#endif  // APP_UTIL_SELF_REPLACEMENT_H_
