#include "app/main/launch_mode.h"

#include <windows.h>

#include <shellapi.h>

LaunchMode LaunchMode::Read(const std::vector<std::wstring>& arguments,
                            CommandLineOverrides* overrides) {
  LaunchMode mode;
  if (arguments.size() < 3 || arguments.size() > 5) return mode;
  const std::wstring& keyword = arguments[1];
  std::vector<std::wstring> rest(arguments.begin() + 2, arguments.end());
  switch (arguments.size()) {
    case 5:
      if (keyword == L"replace") {
        mode.kind = kReplace;
        mode.arguments = rest;
      }
      break;
    case 3:
      if (keyword == L"make_version") {
        mode.kind = kMakeVersion;
        mode.arguments = rest;
      } else if (keyword == L"make_dependence_version") {
        mode.kind = kMakeDependenceVersion;
        mode.arguments = rest;
      } else if (keyword == L"set_language") {
        CommandLineOverrides::Store(&overrides->languageCode, rest[0]);
      } else if (keyword == L"set_platform") {
        CommandLineOverrides::Store(&overrides->platformWord, rest[0]);
      }
      break;
    case 4:
      if (keyword == L"set_language") {
        CommandLineOverrides::Store(&overrides->languageCode, rest[0]);
        CommandLineOverrides::Store(&overrides->textAntiAlias, rest[1]);
      }
      break;
  }
  return mode;
}

std::vector<std::wstring> LaunchMode::ProcessArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!list) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(list[i]);
  LocalFree(list);
  return arguments;
}
