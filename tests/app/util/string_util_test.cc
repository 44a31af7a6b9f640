#include "app/util/string_util.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(StringConversionTest, Utf8AndWideRoundTrip) {
  struct Case {
    const char* utf8;
    const wchar_t* wide;
  } cases[] = {
      {"", L""},
      {"save\\settings.txt", L"save\\settings.txt"},
      {"caf\xc3\xa9", L"caf\u00e9"},
      {"\xe6\xb8\xb8\xe6\x88\x8f", L"\u6e38\u620f"},
      // U+1F600 needs a surrogate pair.
      {"a\xf0\x9f\x98\x80z", L"a\xd83d\xde00z"},
  };
  for (const Case& c : cases) {
    std::wstring wide = L"stale";
    EXPECT_TRUE(Utf8ToWide(c.utf8, &wide)) << c.utf8;
    EXPECT_EQ(c.wide, wide) << c.utf8;
    std::string utf8 = "stale";
    EXPECT_TRUE(WideToUtf8(c.wide, &utf8));
    EXPECT_EQ(c.utf8, utf8);
    // The counted forms agree on text without zeros.
    EXPECT_TRUE(MultiByteToWide(c.utf8, &wide, CP_UTF8));
    EXPECT_EQ(c.wide, wide);
    EXPECT_TRUE(WideToMultiByte(c.wide, &utf8, CP_UTF8));
    EXPECT_EQ(c.utf8, utf8);
  }
}

TEST(StringConversionTest, InvalidInputIsReplacedNotRejected) {
  const char* inputs[] = {"a\xff" "b", "a\xc3" "b", "a\xe6\xb8" "b", "a\xed\xa0\x80" "b",
                          "a\xc0\xaf" "b"};
  for (const char* input : inputs) {
    std::wstring wide;
    EXPECT_TRUE(Utf8ToWide(input, &wide)) << input;
    ASSERT_GE(wide.size(), 3u) << input;
    EXPECT_EQ(L'a', wide.front());
    EXPECT_EQ(L'b', wide.back());
    EXPECT_NE(std::wstring::npos, wide.find(L'\xfffd')) << input;
  }
  // A lone surrogate cannot be UTF-8; it becomes U+FFFD.
  std::string utf8;
  EXPECT_TRUE(WideToUtf8(std::wstring(L"a\xd800" L"b"), &utf8));
  EXPECT_EQ("a\xef\xbf\xbd" "b", utf8);
  EXPECT_TRUE(WideToUtf8(std::wstring(L"a\xdc00"), &utf8));
  EXPECT_EQ("a\xef\xbf\xbd", utf8);
}

TEST(StringConversionTest, TerminatedAndCountedForms) {
  const std::string with_zero("a\0b", 3);
  std::wstring wide;
  EXPECT_TRUE(Utf8ToWide(with_zero, &wide));
  EXPECT_EQ(L"a", wide);
  EXPECT_TRUE(MultiByteToWide(with_zero, &wide, CP_UTF8));
  EXPECT_EQ(std::wstring(L"a\0b", 3), wide);
  std::string narrow;
  EXPECT_TRUE(WideToMultiByte(std::wstring(L"a\0b", 3), &narrow, CP_UTF8));
  EXPECT_EQ(with_zero, narrow);
  EXPECT_TRUE(MultiByteToWide("", &wide, CP_UTF8));
  EXPECT_TRUE(wide.empty());
}

TEST(StringConversionTest, AnsiCodePage) {
  std::wstring wide;
  EXPECT_TRUE(MultiByteToWide("caf\xe9", &wide, 1252));
  EXPECT_EQ(L"caf\u00e9", wide);
  std::string narrow;
  EXPECT_TRUE(WideToMultiByte(L"caf\u00e9", &narrow, 1252));
  EXPECT_EQ("caf\xe9", narrow);

  // Code page 0 is the system's ANSI code page, whatever it is.
  EXPECT_TRUE(WideToMultiByte(L"update\\predownload", &narrow, 0));
  EXPECT_EQ("update\\predownload", narrow);
  const UINT acp = GetACP();
  EXPECT_TRUE(MultiByteToWide("\xe9", &wide, 0));
  std::wstring expected;
  EXPECT_TRUE(MultiByteToWide("\xe9", &expected, acp));
  EXPECT_EQ(expected, wide);
  EXPECT_FALSE(wide.empty());
}

TEST(StringPrintfTest, ArgumentsAndLengths) {
  EXPECT_EQ(L"a 5 wide narrow 9000000000",
            StringPrintf(L"%s %d %ls %s %lld", "a", 5, L"wide", "narrow", 9000000000LL));
  // Text passed as an argument is never read as a format.
  EXPECT_EQ(L"%s%n%d", StringPrintf(L"%s", "%s%n%d"));
  for (size_t length : {0u, 1023u, 1024u, 1025u, 5000u, 70000u}) {
    std::string text(length, 'x');
    std::wstring result = StringPrintf(L"%s", text.c_str());
    EXPECT_EQ(std::wstring(length, L'x'), result) << length;
  }
}

TEST(StringPrintfTest, AppendKeepsWhatWasThere) {
  std::wstring output = L"head:";
  auto append = [&output](const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    StringAppendV(&output, format, arguments);
    va_end(arguments);
  };
  append(L"%d", 1);
  append(L"%ls", std::wstring(3000, L'y').c_str());
  EXPECT_EQ(L"head:1" + std::wstring(3000, L'y'), output);
}

TEST(FormatDurationTest, Values) {
  struct Case {
    unsigned int seconds;
    const wchar_t* text;
  } cases[] = {{0, L"00:00:00"},       {3725, L"01:02:05"},    {86399, L"23:59:59"},
               {86400, L"24:00:00"},   {360000, L"100:00:00"}, {4294967295u, L"1193046:28:15"}};
  for (const Case& c : cases) {
    wchar_t buffer[32];
    EXPECT_EQ(static_cast<int>(wcslen(c.text)), FormatDuration(c.seconds, buffer, 32));
    EXPECT_STREQ(c.text, buffer);
  }
  // Eight characters need room for nine with the terminating zero.
  wchar_t small[9];
  EXPECT_EQ(-1, FormatDuration(3725, small, 8));
  EXPECT_EQ(8, FormatDuration(3725, small, 9));
  EXPECT_STREQ(L"01:02:05", small);
}

TEST(TrimRightTest, Cases) {
  struct Case {
    std::wstring input;
    std::wstring output;
  } cases[] = {
      {L"text \t\r\n", L"text"},
      {std::wstring(L"text\x1f"), std::wstring(L"text\x1f")},
      {std::wstring(L"text\x1e "), std::wstring(L"text\x1e")},
      {std::wstring(L"text\x1d\x01", 6), L"text"},
      {L"   ", L""},
      {L"", L""},
      {L" in side ", L" in side"},
  };
  for (Case& c : cases) {
    std::wstring text = c.input;
    EXPECT_EQ(&text, &TrimRight(text));
    EXPECT_EQ(c.output, text);
  }
}

TEST(SplitStringTest, WholeDelimiter) {
  struct Case {
    std::string text;
    std::string delimiter;
    std::vector<std::string> pieces;
  } cases[] = {
      {"a,,b", ",", {"a", "", "b"}},
      {",a", ",", {"", "a"}},
      {"a,", ",", {"a"}},
      {"abc", ",", {"abc"}},
      {"10077_3_15", "_", {"10077", "3", "15"}},
      {"a::b:c", "::", {"a", "b:c"}},
      {"", ",", {}},
      {"abc", "", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> pieces = {"stale"};
    EXPECT_EQ(c.pieces.size(), SplitStringA(c.text, c.delimiter, &pieces)) << c.text;
    EXPECT_EQ(c.pieces, pieces) << c.text;
    std::wstring text(c.text.begin(), c.text.end());
    std::wstring delimiter(c.delimiter.begin(), c.delimiter.end());
    std::vector<std::wstring> wide_pieces;
    EXPECT_EQ(c.pieces.size(), SplitStringW(text, delimiter, &wide_pieces));
    for (size_t i = 0; i < wide_pieces.size() && i < c.pieces.size(); ++i)
      EXPECT_EQ(std::wstring(c.pieces[i].begin(), c.pieces[i].end()), wide_pieces[i]);
  }
}

TEST(SplitStringTest, CharacterSet) {
  EXPECT_EQ((std::list<std::wstring>{L"KR", L"AppStore"}),
            SplitStringList(L" KR  AppStore ", L" "));
  EXPECT_EQ((std::list<std::wstring>{L"a", L"b", L"c"}), SplitStringList(L"a,b;;c;", L",;"));
  EXPECT_TRUE(SplitStringList(L" ,, ", L", ").empty());
  EXPECT_TRUE(SplitStringList(L"", L" ").empty());
}

TEST(ReplaceAllTest, Cases) {
  struct Case {
    std::string find;
    std::string replacement;
    std::string target;
    std::string result;
    int64_t count;
  } cases[] = {
      {"aa", "b", "aaa", "ba", 1},
      {"a", "aa", "aa", "aaaa", 2},
      {"/", "\\", "a/b/c/", "a\\b\\c\\", 3},
      {"", "x", "abc", "abc", 0},
      {"x", "yy", "abc", "abc", 0},
      {"abc", "", "abcabcd", "d", 2},
      {"long", "l", "lon", "lon", 0},
  };
  for (const Case& c : cases) {
    std::string target = c.target;
    EXPECT_EQ(c.count, ReplaceAllA(c.find, c.replacement, &target)) << c.target;
    EXPECT_EQ(c.result, target);
    std::wstring wide(c.target.begin(), c.target.end());
    EXPECT_EQ(c.count, ReplaceAllW(std::wstring(c.find.begin(), c.find.end()),
                                   std::wstring(c.replacement.begin(), c.replacement.end()),
                                   &wide));
    EXPECT_EQ(std::wstring(c.result.begin(), c.result.end()), wide);
  }
}

TEST(NormalizeSlashesTest, Cases) {
  EXPECT_EQ(L"a\\b\\c", NormalizeSlashes(L"a//b/c"));
  EXPECT_EQ(L"\\server\\share", NormalizeSlashes(L"\\\\server\\share"));
  EXPECT_EQ(L"a\\\\b", NormalizeSlashes(L"a\\\\\\b"));
  EXPECT_EQ(L"a\\\\b", NormalizeSlashes(L"a\\\\\\\\b"));
  EXPECT_EQ(L"", NormalizeSlashes(L""));
}

TEST(ParseVersionTripleTest, Cases) {
  struct Case {
    const char* text;
    bool ok;
    int first, second, third;
  } cases[] = {
      {"10077_3_15", true, 10077, 15, 3},
      {"1_2_3", true, 1, 3, 2},
      {" 7_-1_+2", false, 0, 0, 0},
      {"1_2_ 3", false, 0, 0, 0},
      {"2147483647_0_0", true, 2147483647, 0, 0},
      {"2147483648_0_0", false, 0, 0, 0},
      {"1.0.0", false, 0, 0, 0},
      {"1_2", false, 0, 0, 0},
      {"1_2_3_4", false, 0, 0, 0},
      {"a_1_2", false, 0, 0, 0},
      {"1__2", false, 0, 0, 0},
      {"2147483648_1_2", false, 0, 0, 0},
      {"1_2_99999999999999999999", false, 0, 0, 0},
      {"", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    int first = 9, second = 9, third = 9;
    EXPECT_EQ(c.ok, ParseVersionTriple(c.text, &first, &second, &third)) << c.text;
    EXPECT_EQ(c.first, first) << c.text;
    EXPECT_EQ(c.second, second) << c.text;
    EXPECT_EQ(c.third, third) << c.text;
  }
}

}  // namespace
