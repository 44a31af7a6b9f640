#include "app/config/command_line_overrides.h"

#include <cwchar>

CommandLineOverrides& CommandLineOverrides::Get() {
  static CommandLineOverrides overrides;
  return overrides;
}

bool CommandLineOverrides::Store(Text* slot, const std::wstring& value) {
  if (value.empty() || value.size() >= sizeof(slot->value) / sizeof(slot->value[0])) return false;
  swprintf(slot->value, sizeof(slot->value) / sizeof(slot->value[0]), L"%ls", value.c_str());
  slot->set = true;
  return true;
}
