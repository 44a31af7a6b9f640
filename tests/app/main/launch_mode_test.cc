// The command-line modes as the process entry reads them.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/config/command_line_overrides.h"
#include "app/main/launch_mode.h"
#include "base/file/path_util.h"

namespace {

using Args = std::vector<std::wstring>;

TEST(LaunchModeTest, ModesAndTheirArgumentCounts) {
  struct Case {
    Args arguments;
    LaunchMode::Kind kind;
    Args mode_arguments;
  } cases[] = {
      {{L"l.exe", L"replace", L"a", L"b", L"c"}, LaunchMode::kReplace, {L"a", L"b", L"c"}},
      {{L"l.exe", L"replace", L"", L"", L""}, LaunchMode::kReplace, {L"", L"", L""}},
      {{L"l.exe", L"replace", L"a", L"b"}, LaunchMode::kStart, {}},
      {{L"l.exe", L"replace", L"a", L"b", L"c", L"d"}, LaunchMode::kStart, {}},
      {{L"l.exe", L"Replace", L"a", L"b", L"c"}, LaunchMode::kStart, {}},
      {{L"l.exe", L"other", L"a", L"b", L"c"}, LaunchMode::kStart, {}},
      {{L"l.exe", L"make_version", L"1.2.3"}, LaunchMode::kMakeVersion, {L"1.2.3"}},
      {{L"l.exe", L"make_version", L""}, LaunchMode::kMakeVersion, {L""}},
      {{L"l.exe", L"make_version"}, LaunchMode::kStart, {}},
      {{L"l.exe", L"make_version", L"1", L"2"}, LaunchMode::kStart, {}},
      {{L"l.exe", L"make_versions", L"1"}, LaunchMode::kStart, {}},
      {{L"l.exe", L"make_dependence_version", L"2.0"}, LaunchMode::kMakeDependenceVersion,
       {L"2.0"}},
      {{L"l.exe", L"make_dependence_version"}, LaunchMode::kStart, {}},
      {{L"l.exe", L"set_language", L"ko"}, LaunchMode::kStart, {}},
      {{L"l.exe"}, LaunchMode::kStart, {}},
      {{}, LaunchMode::kStart, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.size() > 1 ? c.arguments[1] : L"(none)");
    CommandLineOverrides overrides;
    LaunchMode mode = LaunchMode::Read(c.arguments, &overrides);
    EXPECT_EQ(c.kind, mode.kind);
    EXPECT_EQ(c.mode_arguments, mode.arguments);
  }
}

TEST(LaunchModeTest, OverridesForOneRun) {
  struct Case {
    Args arguments;
    const wchar_t* language;  // null: not set
    const wchar_t* platform;
    const wchar_t* anti_alias;
  } cases[] = {
      {{L"l.exe", L"set_language", L"ko"}, L"ko", nullptr, nullptr},
      {{L"l.exe", L"set_language", L"de", L"taa"}, L"de", nullptr, L"taa"},
      {{L"l.exe", L"set_language", L"de", L""}, L"de", nullptr, nullptr},
      {{L"l.exe", L"set_language", L""}, nullptr, nullptr, nullptr},
      {{L"l.exe", L"set_language", L"", L"text_anti_alias"}, nullptr, nullptr, L"text_anti_alias"},
      {{L"l.exe", L"set_language"}, nullptr, nullptr, nullptr},
      {{L"l.exe", L"set_language", L"a", L"b", L"c"}, nullptr, nullptr, nullptr},
      {{L"l.exe", L"SET_LANGUAGE", L"ko"}, nullptr, nullptr, nullptr},
      {{L"l.exe", L"set_platform", L"win64"}, nullptr, L"win64", nullptr},
      {{L"l.exe", L"set_platform", L""}, nullptr, nullptr, nullptr},
      {{L"l.exe", L"set_platform", L"a", L"b"}, nullptr, nullptr, nullptr},
      {{L"l.exe", L"set_language", std::wstring(40, L'x')}, nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.size());
    CommandLineOverrides overrides;
    LaunchMode mode = LaunchMode::Read(c.arguments, &overrides);
    EXPECT_EQ(LaunchMode::kStart, mode.kind);
    EXPECT_EQ(c.language != nullptr, overrides.languageCode.set);
    if (c.language) {
      EXPECT_STREQ(c.language, overrides.languageCode.value);
    }
    EXPECT_EQ(c.platform != nullptr, overrides.platformWord.set);
    if (c.platform) {
      EXPECT_STREQ(c.platform, overrides.platformWord.value);
    }
    EXPECT_EQ(c.anti_alias != nullptr, overrides.textAntiAlias.set);
    if (c.anti_alias) {
      EXPECT_STREQ(c.anti_alias, overrides.textAntiAlias.value);
    }
  }
}

}  // namespace
