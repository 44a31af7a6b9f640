// Started by the process and machine-id tests.
//   app_util_child record [args...]  writes "child_out.txt" in its working
//                                    folder: the arguments joined by "|",
//                                    then the working folder, one per line.
//   app_util_child machine-id <file> writes GetMachineId() into <file>.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/util/file_util.h"
#include "app/util/machine_id.h"
#include "app/util/string_util.h"

int main() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments || count < 2) return 2;
  const std::wstring mode = arguments[1];
  if (mode == L"record") {
    std::wstring text;
    for (int i = 2; i < count; ++i) text += (i > 2 ? L"|" : L"") + std::wstring(arguments[i]);
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    text += L"\n";
    text += folder;
    std::string utf8;
    WideToUtf8(text, &utf8);
    return WriteFileTextW(L"child_out.txt", utf8) ? 0 : 1;
  }
  if (mode == L"machine-id" && count == 3) {
    return WriteFileTextW(arguments[2], GetMachineId()) ? 0 : 1;
  }
  return 2;
}
