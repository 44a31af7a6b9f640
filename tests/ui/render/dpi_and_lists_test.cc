#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/render/dpi_scale.h"
#include "ui/render/render_test_support.h"
#include "ui/util/number_list.h"
#include "ui/util/safe_math.h"

namespace ui {
namespace {

TEST(DpiScale, ScalesOnlyWhenAdaptingAndNotAtOneHundred) {
  DpiScale scale;
  scale.SetScaleFromDpi(144);
  EXPECT_EQ(scale.GetScale(), 150);
  EXPECT_EQ(scale.ScaleInt(13), 13) << "not DPI-aware: nothing scaled";
  scale.SetAdaptDpi(true);
  EXPECT_EQ(scale.ScaleInt(13), 20) << "19.5 rounds away from zero";
  EXPECT_EQ(scale.ScaleInt(-13), -20);
  EXPECT_EQ(scale.ScaleRect(UiRect{1, 1, 2, 2}), (UiRect{2, 2, 4, 4}));
  // The size does not depend on where the rectangle lies.
  EXPECT_EQ(scale.ScaleRect(UiRect{3, 0, 4, 1}).Width(), scale.ScaleRect(UiRect{0, 0, 1, 1}).Width());
  scale.SetScaleFromDpi(96);
  EXPECT_EQ(scale.ScaleInt(13), 13);
  EXPECT_EQ(scale.ScaleRect(UiRect{1, 1, 2, 2}), (UiRect{1, 1, 2, 2}));
}

// In the high-DPI prefix the screen has the DPI the prefix was given, and
// the scale follows it.
TEST(DpiScale, FollowsTheScreen) {
  const char* expected = std::getenv("QUORVEL_EXPECT_DPI");
  if (!expected) GTEST_SKIP() << "no DPI asked for";
  EXPECT_EQ(ui_test::ScreenDpi(), std::atoi(expected));
  DpiScale scale;
  scale.SetAdaptDpi(true);
  scale.SetScaleFromDpi(ui_test::ScreenDpi());
  EXPECT_EQ(scale.ScaleInt(96), std::atoi(expected));
}

TEST(WindowsVersion, TheVersionsTheFrameworkAsksFor) {
  EXPECT_TRUE(IsWindowsVersionAtLeast(0));
  EXPECT_TRUE(IsWindowsVersionAtLeast(1));
  EXPECT_FALSE(IsWindowsVersionAtLeast(99));
}

TEST(NumberList, StopsAtTheEndAndMissingValuesAreZero) {
  struct Case {
    const wchar_t* text;
    UiRect rect;
    size_t given;
  } cases[] = {
      {L"1,2,3,4", {1, 2, 3, 4}, 4},
      {L"30,30,30,30,99", {30, 30, 30, 30}, 4},
      {L"5,6", {5, 6, 0, 0}, 2},
      {L"7", {7, 0, 0, 0}, 1},
      {L"", {0, 0, 0, 0}, 0},
      // A blank before a separator ends the value; the separator is then
      // read as a value of its own (0), as the skins were written against.
      {L"-1, -2 ,+3,4", {-1, -2, 0, 3}, 4},
      {L"1 ,2", {1, 0, 2, 0}, 3},
      {L"1,,3", {1, 0, 3, 0}, 3},
      {L"1,", {1, 0, 0, 0}, 1},
      {L"1 2 3 4", {1, 2, 3, 4}, 4},
      {L"1;2", {1, 2, 0, 0}, 2},
      {L"99999999999,-99999999999", {INT32_MAX, INT32_MIN, 0, 0}, 2},
  };
  for (const Case& c : cases) {
    int32_t v[4];
    EXPECT_EQ(ReadNumberList(c.text, v, 4), c.given) << c.text;
    EXPECT_EQ(ReadRect(c.text), c.rect) << c.text;
  }
  // The text view's end is the end, whatever follows it in memory.
  const wchar_t buffer[] = L"1,2,3,4";
  EXPECT_EQ(ReadRect(std::wstring_view(buffer, 3)), (UiRect{1, 2, 0, 0}));
  EXPECT_EQ(ReadSize(L"3,4"), (UiSize{3, 4}));
  EXPECT_EQ(ReadPoint(L"-5"), (UiPoint{-5, 0}));
}

TEST(SafeMath, NoInfinityOrNaNReachesAnInt) {
  EXPECT_EQ(TruncToInt(2.9), 2);
  EXPECT_EQ(TruncToInt(-2.9), -2);
  EXPECT_EQ(TruncToInt(std::nan("")), 0);
  EXPECT_EQ(TruncToInt(1e300), INT32_MAX);
  EXPECT_EQ(TruncToInt(-1.0 / 0.0), INT32_MIN);
  EXPECT_EQ(SafeDivide(1, 0, 7), 7);
  EXPECT_EQ(SafeDivide(1e308, 1e-308, 7), 7);
  EXPECT_EQ(SafeDivide(6, 3), 2);
}

}  // namespace
}  // namespace ui
