#include "update/versions/version_text.h"

#include "app/util/string_util.h"

#include <gtest/gtest.h>

#include "update/versions/version_map.h"

namespace {

TEST(VersionTextTest, CompareVersions) {
  struct Case {
    const char* candidate;
    const char* base;
    const char* current;
    int expected;
  };
  const Case cases[] = {
      {"10_1_2", "10_1_1", "", 1},
      {"10_2_1", "10_1_2", "", -6},  // the third part ranks first
      {"10_1_3", "10_1_1", "10_1_2", -5},
      {"10_1_3", "10_1_1", "10_1_1", 1},  // current equal to base is ignored
      {"10_1_3", "10_1_1", "10_1_3", 1},
      {"10_1_2", "10_1_1", "10_1_3", -7},
      {"11_0_0", "10_9_9", "", 1},
      {"10_1_1", "10_1_1", "", -6},
      {"10_1_1", "10_1_2", "", -6},
      {"", "10_1_1", "", 0},
      {"", "", "", 0},
      {"10_1_1", "", "", -1},
      {"1.0.0", "10_1_1", "", -2},
      {"10_1", "10_1_1", "", -2},
      {"10_1_1_1", "10_1_1", "", -2},
      {"10_1_x", "10_1_1", "", -2},
      {"+10_1_1", "10_1_1", "", -2},
      {" 10_1_1", "10_1_1", "", -2},
      {"10__1", "10_1_1", "", -2},
      {"99999999999_1_1", "10_1_1", "", -2},
      {"10_1_2", "10_1", "", -3},
      {"10_1_2", "10_1_1", "junk", -4},
      {"2147483647_0_0", "2147483646_0_0", "", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareVersions(c.candidate, c.base, c.current), c.expected)
        << c.candidate << " " << c.base << " " << c.current;
  }
}

TEST(VersionTextTest, ParseVersionTripleCrossesTheParts) {
  int a = -1, b = -1, c = -1;
  EXPECT_TRUE(ParseVersionTriple("10077_3_15", &a, &b, &c));
  EXPECT_EQ(a, 10077);
  EXPECT_EQ(b, 15);
  EXPECT_EQ(c, 3);
  EXPECT_FALSE(ParseVersionTriple("1.0.0", &a, &b, &c));
  EXPECT_EQ(a + b + c, 0);
}

TEST(VersionTextTest, FormatGameVersion) {
  struct Case {
    const char* version;
    const char* display;
  };
  const Case cases[] = {
      {"100_2_3", "0.0.100.3.2"},   {"101_2_3", "0.1.1.3.2"},
      {"1010203_7_45", "1.1.2.3.45.7"}, {"10000_0_0", "0.100.0.0.0"},
      {"10001_1_2", "1.0.1.2.1"},   {"5_1_2", "0.0.5.2.1"},
      {"1.0.0", "1.0.0"},           {"1_2", "1_2"},
      {"", ""},                     {"a_b_c", "a_b_c"},
  };
  for (const Case& c : cases) {
    std::string display = "stale";
    FormatGameVersion(c.version, &display);
    EXPECT_EQ(display, c.display) << c.version;
  }
}

TEST(VersionTextTest, TextChecks) {
  for (const char* good : {"1_2_3", "1.0.0", "10077", "0_0_0"}) {
    EXPECT_TRUE(IsSafeVersionText(good)) << good;
  }
  for (const char* bad : {"", "..", "1_2_", "_1", "1__2", "1/2", "1\\2", "1_2_3 ", "v1"}) {
    EXPECT_FALSE(IsSafeVersionText(bad)) << bad;
  }
  EXPECT_TRUE(IsMd5Text("0123456789abcdefABCDEF0123456789"));
  EXPECT_FALSE(IsMd5Text("0123456789abcdef0123456789abcde"));
  EXPECT_FALSE(IsMd5Text("0123456789abcdef0123456789abcdefa"));
  EXPECT_FALSE(IsMd5Text("0123456789abcdef0123456789abcdeZ"));
}

}  // namespace
