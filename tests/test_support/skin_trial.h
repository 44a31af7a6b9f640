// One start of launcher.exe with a given skin beside it: the table of skins
// made by testing/skin/make_hostile_skins.py, a fresh folder per start with
// the skin as "resources.zip" (and its loose files, when the row has them),
// the time until the launcher's main window appears and what its trace file
// says. Shared by the hostile-skin test and its benchmark.
#ifndef TESTS_TEST_SUPPORT_SKIN_TRIAL_H_
#define TESTS_TEST_SUPPORT_SKIN_TRIAL_H_

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "test_support/file_bytes.h"
#include "test_support/launcher_copy.h"
#include "test_support/pump_until.h"

namespace testing_support {

struct SkinRow {
  std::string name;
  std::wstring archive;  // file in the table's folder
  std::wstring loose;    // folder of loose files in the table's folder, or empty
  std::string trace;     // text the trace must hold, or empty for no skin line
};

inline std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The rows of `folder`\rows.tsv; empty when it cannot be read.
inline std::vector<SkinRow> ReadSkinRows(const std::wstring& folder) {
  std::vector<SkinRow> rows;
  std::istringstream lines(ReadFileBytes(folder + L"\\rows.tsv"));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, '\t')) fields.push_back(cell);
    if (fields.size() != 4) continue;
    SkinRow row;
    row.name = fields[0];
    row.archive = folder + L"\\" + Widen(fields[1]);
    if (fields[2] != "-") row.loose = folder + L"\\" + Widen(fields[2]);
    if (fields[3] != "-") row.trace = fields[3];
    rows.push_back(row);
  }
  return rows;
}

inline bool CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = CopyTree(from + L"\\" + name, to + L"\\" + name) && ok;
    } else {
      ok = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return ok;
}

// Any visible top-level window of one process: the launcher's first window,
// whatever its class, texts or the window that will replace it.
inline HWND VisibleWindowOfProcess(DWORD process_id) {
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); IsWindow(window);
       window = GetWindow(window, GW_HWNDNEXT)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process_id && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

// A launcher copy with the row's skin beside it.
class SkinTrial {
 public:
  SkinTrial(const std::wstring& built_launcher, const SkinRow& row) : launcher_(built_launcher) {
    ready_ = CopyFileW(row.archive.c_str(), launcher_.Path(L"resources.zip").c_str(), FALSE) &&
             (row.loose.empty() || CopyTree(row.loose, launcher_.folder()));
  }

  bool ready() const { return ready_; }
  LauncherCopy& launcher() { return launcher_; }

  // Starts the launcher and waits for its main window; the milliseconds it
  // took, or -1 when no window came within the bound.
  long StartAndWaitForWindow() {
    const DWORD start = GetTickCount();
    if (!launcher_.Start({})) return -1;
    // A launcher that ends brings no window: stop waiting then.
    PumpUntil([&] {
      return VisibleWindowOfProcess(launcher_.pid()) != nullptr || !launcher_.Running();
    });
    const bool shown = VisibleWindowOfProcess(launcher_.pid()) != nullptr;
    return shown ? static_cast<long>(GetTickCount() - start) : -1;
  }

  // The trace file's lines written for the skin.
  std::string SkinTraceLines() const {
    std::istringstream lines(ReadFileBytes(launcher_.Path(L"save\\dltrace.log")));
    std::string line, skin;
    while (std::getline(lines, line)) {
      if (line.compare(0, 6, "skin: ") == 0) skin += line + "\n";
    }
    return skin;
  }

 private:
  LauncherCopy launcher_;
  bool ready_ = false;
};

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_SKIN_TRIAL_H_
