#include "app/util/process_util.h"

#include <windows.h>

#include <vector>

namespace {

bool NeedsQuotes(const std::wstring& program) {
  if (program[0] == L'"' || program.find_first_of(L" \t") == std::wstring::npos) return false;
  DWORD attributes = GetFileAttributesW(program.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void RunProgram(const std::wstring& program, const std::wstring& arguments,
                const std::wstring& working_folder) {
  if (program.empty()) return;
  // Unquoted, "C:\Quorvel Game\TOLM.exe" would be cut at its blank.
  std::wstring line = NeedsQuotes(program) ? L"\"" + program + L"\"" : program;
  if (!arguments.empty()) {
    line += L' ';
    line += arguments;
  }
  // CreateProcessW may write into its command line.
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process = {};
  if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     working_folder.empty() ? nullptr : working_folder.c_str(), &startup,
                     &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}
