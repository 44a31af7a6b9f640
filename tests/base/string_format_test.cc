#include "base/util/string_format.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(StringFormatTest, Basics) {
  EXPECT_EQ(base::StringFormat("%d-%s", 42, "x"), "42-x");
  EXPECT_EQ(base::StringFormat("%lld", int64_t{5000000000}), "5000000000");
  EXPECT_EQ(base::StringFormat("%zu", size_t{7}), "7");
  EXPECT_EQ(base::StringFormat("%02d:%02d:%02d", 1, 2, 3), "01:02:03");
  EXPECT_EQ(base::StringFormat("%5.2fM", 1.5), " 1.50M");
  EXPECT_EQ(base::StringFormat("%s", ""), "");
}

// The project's convention: "%s" is narrow and "%ls" is wide in every format.
TEST(StringFormatTest, WideAndNarrowConvention) {
  EXPECT_EQ(base::StringFormat("%ls|%s", L"wide", "narrow"), "wide|narrow");
  wchar_t buffer[32];
  swprintf(buffer, 32, L"%ls|%s", L"wide", "narrow");
  EXPECT_STREQ(buffer, L"wide|narrow");
}

TEST(StringFormatTest, LengthsAroundTheStackBuffer) {
  for (size_t length : {1023u, 1024u, 1025u, 5000u, 3000000u}) {
    std::string text(length, 'q');
    text.back() = 'z';
    std::string out = base::StringFormat("%s", text.c_str());
    EXPECT_EQ(out, text) << length;
  }
}

TEST(StringFormatTest, AppendsAndGivesUpPast32MiB) {
  std::string out = "prefix:";
  auto append = [&out](const char* format, ...) {
    va_list args;
    va_start(args, format);
    base::StringFormatV(&out, format, args);
    va_end(args);
  };
  append("%d", 1);
  EXPECT_EQ(out, "prefix:1");
  std::string huge(32u * 1024 * 1024, 'a');  // needs 32 MiB + 1 with the zero
  append("%s", huge.c_str());
  EXPECT_EQ(out, "prefix:1");
}

}  // namespace
