// LaunchMode: what the launcher's command line asks for. Four modes do work
// of their own instead of starting the launcher ("replace", "make_version",
// "make_dependence_version"); "set_language" and "set_platform" store a
// one-run override and start normally, as does any other command line.
//
// Used by the process entry on the main thread before any other thread exists.
#ifndef APP_MAIN_LAUNCH_MODE_H_
#define APP_MAIN_LAUNCH_MODE_H_

#include <string>
#include <vector>

#include "app/config/command_line_overrides.h"

struct LaunchMode {
  enum Kind {
    kStart,                 // start the launcher
    kReplace,               // finish a self-replacement: source, target, command
    kMakeVersion,           // write the launcher's version map: version
    kMakeDependenceVersion  // write the "dependence" folder's map: version
  };

  Kind kind = kStart;
  std::vector<std::wstring> arguments;  // the mode's own arguments

  // Recognises the mode of `arguments` (argument 0 is the program and is not
  // looked at). Keywords are compared whole and case-sensitively; each mode
  // has its exact argument count. The overrides go into `overrides`.
  static LaunchMode Read(const std::vector<std::wstring>& arguments,
                         CommandLineOverrides* overrides);

  // The process's arguments (CommandLineToArgvW of GetCommandLineW); empty
  // when they cannot be split.
  static std::vector<std::wstring> ProcessArguments();
};

#endif  // APP_MAIN_LAUNCH_MODE_H_
