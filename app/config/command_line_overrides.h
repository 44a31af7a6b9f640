// The one-run overrides that the command line gives: the interface language
// ("set_language"), the platform word of the game's command line
// ("set_platform") and the text anti-alias switch (a fourth argument of
// "set_language").
//
// Process-wide. The process entry writes them before any other thread of the
// launcher exists; everything else only reads them.
#ifndef APP_CONFIG_COMMAND_LINE_OVERRIDES_H_
#define APP_CONFIG_COMMAND_LINE_OVERRIDES_H_

#include <string>

class CommandLineOverrides {
 public:
  // One override: at most 31 characters and whether it was given.
  struct Text {
    wchar_t value[32] = {};
    bool set = false;
  };

  static CommandLineOverrides& Get();

  // Stores a non-empty value and marks it set. A value too long for the slot
  // is ignored (false): cut short it would name another language or platform.
  static bool Store(Text* slot, const std::wstring& value);

  Text languageCode;
  Text platformWord;
  Text textAntiAlias;
};

#endif  // APP_CONFIG_COMMAND_LINE_OVERRIDES_H_
