// Text effects: the units that letter spacing places (Thai clusters and
// joined Arabic letters never torn apart), the glow pens' colours, and the
// effect drawn through a label into an off-screen context, checked on its
// pixels: a glow reaches past the glyphs, a gradient runs its direction.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/controls/label.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"
#include "ui/render/text_effect_gdiplus.h"
#include "ui/render/text_units.h"

namespace ui {
namespace {

// A line's units joined again in the line's own order.
std::wstring Rejoin(std::vector<std::wstring> units, bool reversed) {
  if (reversed) std::reverse(units.begin(), units.end());
  std::wstring all;
  for (const auto& u : units) all += u;
  return all;
}

TEST(TextUnitsTest, UnitsKeepWhatMustStayTogether) {
  struct Case {
    const wchar_t* text;
    std::vector<std::vector<std::wstring>> expected;
  } cases[] = {
      {L"ab\ncd", {{L"a", L"b"}, {L"c", L"d"}}},
      {L"a b", {{L"a", L" ", L"b"}}},
      // Thai: a consonant keeps its tone mark, and both of two marks.
      {L"\u0E01\u0E48\u0E02", {{L"\u0E01\u0E48", L"\u0E02"}}},
      {L"\u0E19\u0E35\u0E49\u0E01", {{L"\u0E19\u0E35\u0E49", L"\u0E01"}}},
      // Korean syllables are single characters; a character outside the
      // basic plane is one unit of two code units.
      {L"\uD55C\uAE00", {{L"\uD55C", L"\uAE00"}}},
      {L"x\U0001F600y", {{L"x", L"\U0001F600", L"y"}}},
      // Arabic: beh-seen-meem joins into one piece; alef ends a piece (it
      // joins only from behind); the line is given end first.
      {L"\u0628\u0633\u0645", {{L"\u0628\u0633\u0645"}}},
      {L"\u0628\u0627\u0628", {{L"\u0628", L"\u0628\u0627"}}},
      // Lam-alef is one piece, a mark stays with its letter, a space alone.
      {L"\u0644\u0627 \u0628\u064E\u062A", {{L"\u0628\u064E\u062A", L" ", L"\u0644\u0627"}}},
      // Latin inside an Arabic text: letters of their own.
      {L"ab\u0628", {{L"\u0628", L"b", L"a"}}},
  };
  for (const Case& c : cases) {
    TextUnitLines lines;
    ASSERT_TRUE(SplitTextUnits(c.text, &lines)) << c.expected.size();
    EXPECT_EQ(c.expected, lines);
  }
  // Auto widths count the spacing per unit of the longest line.
  EXPECT_EQ(3u, CountUnitsOfLongestLine(L"\u0E01\u0E48\u0E01\u0E49\u0E02\nabc"));
  EXPECT_EQ(0u, CountUnitsOfLongestLine(L""));
  TextUnitLines none;
  EXPECT_FALSE(SplitTextUnits(L"", &none));
  EXPECT_FALSE(SplitTextUnits(std::wstring(L"a\xD800z"), &none));  // lone surrogate
}

// Over a longer Arabic sentence: the pieces cover the line exactly once in
// order, and no piece boundary falls between two letters that join.
TEST(TextUnitsTest, ArabicPiecesCoverTheLineAndCutOnlyWhereLettersDoNotJoin) {
  const std::wstring line =
      L"\u0645\u0631\u062D\u0628\u0627\u064B \u0628\u0627\u0644\u0639\u0627\u0644\u0645 "
      L"\u0627\u0644\u0640\u0644\u0647 \u0644\u0623\u0646\u0651";
  const std::vector<std::wstring> units = SplitArabicUnits(line);
  EXPECT_EQ(line, Rejoin(units, false));
  for (size_t k = 0; k + 1 < units.size(); ++k) {
    const wchar_t last = units[k].back();
    const wchar_t next = units[k + 1].front();
    // Dual-joining letters (beh..ghain but not the right-joining ones,
    // feh..yeh but not waw/alef maksura) never end a piece before a letter.
    const bool dual = (last >= 0x0628 && last <= 0x063A && last != 0x0629 &&
                       !(last >= 0x062F && last <= 0x0632)) ||
                      (last >= 0x0641 && last <= 0x064A && last != 0x0648 && last != 0x0649);
    const bool letter_next = next >= 0x0622 && next <= 0x064A && next != 0x0621;
    EXPECT_FALSE(dual && letter_next) << "cut after U+" << std::hex << int(last);
  }
}

TEST(TextUnitsTest, GlowColoursSplitOrBlendTheTwoColours) {
  constexpr uint32_t red = 0xFFFF0000, blue = 0xFF0000FF;
  EXPECT_EQ((std::vector<uint32_t>{red, red, blue, blue, blue}),
            BuildGlowColors(red, blue, 5, false));
  EXPECT_TRUE(BuildGlowColors(red, blue, 0, false).empty());
  EXPECT_TRUE(BuildGlowColors(red, blue, -3, true).empty());
  const std::vector<uint32_t> blend = BuildGlowColors(0x80FF0000, 0x800000FF, 8, true);
  ASSERT_EQ(8u, blend.size());
  for (uint32_t c : blend) EXPECT_EQ(0xFFu, c >> 24);  // alpha forced opaque
  EXPECT_GT((blend.front() >> 16) & 0xFF, blend.front() & 0xFF);  // reddish first
  EXPECT_GT(blend.back() & 0xFF, (blend.back() >> 16) & 0xFF);    // bluish last
}

class TextEffectPaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resources_.resources.colors = {{L"textdefaultcolor", 0xFF000000},
                                   {L"red", 0xFFFF0000},
                                   {L"blue", 0xFF0000FF},
                                   {L"green", 0xFF00FF00}};
    render_ = factory_.CreateRenderContext();
    render_->Resize(200, 60);
  }
  // The label painted alone; the box of its ink.
  UiRect PaintLabel(Label* label) {
    label->SetPos(UiRect{20, 10, 180, 50});
    render_->Clear();
    label->Paint(render_.get(), UiRect{0, 0, 200, 60});
    UiRect ink{200, 60, 0, 0};
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 200; ++x) {
        if (ui_test::AlphaAt(render_.get(), x, y) == 0) continue;
        ink.left = std::min(ink.left, x);
        ink.top = std::min(ink.top, y);
        ink.right = std::max(ink.right, x + 1);
        ink.bottom = std::max(ink.bottom, y + 1);
      }
    }
    return ink;
  }
  ui_test::ScopedTestResources resources_;
  RenderFactory_GdiPlus factory_;
  std::unique_ptr<IRenderContext> render_;
};

TEST_F(TextEffectPaintTest, AGlowReachesPastTheGlyphs) {
  Label plain;
  plain.ApplyAttributeList(L"text=\"HH\" normaltextcolor=\"green\" gradient_outline=\"red,red,0\"");
  const UiRect fill_only = PaintLabel(&plain);
  ASSERT_LT(fill_only.left, fill_only.right) << "no ink at all";
  // Fill only: green ink, nothing red.
  EXPECT_EQ(0, ui_test::CountPixels(render_.get(), UiRect{0, 0, 200, 60}, [](uint32_t p) {
              return ((p >> 16) & 0xFF) > 0x80 && ((p >> 8) & 0xFF) < 0x40;
            }));
  Label glowing;
  glowing.ApplyAttributeList(
      L"text=\"HH\" normaltextcolor=\"green\" gradient_outline=\"red,red,6,false\"");
  const UiRect glow = PaintLabel(&glowing);
  EXPECT_LE(glow.left, fill_only.left - 2);
  EXPECT_GE(glow.right, fill_only.right + 2);
  EXPECT_LE(glow.top, fill_only.top - 2);
  // Red pixels of the glow around the green fill.
  EXPECT_GT(ui_test::CountPixels(render_.get(), UiRect{0, 0, 200, 60}, [](uint32_t p) {
              return ((p >> 16) & 0xFF) > 0x80 && ((p >> 8) & 0xFF) < 0x40;
            }),
            20);
}

TEST_F(TextEffectPaintTest, AGradientRunsFromItsFirstColourToItsSecond) {
  Label label;
  label.ApplyAttributeList(
      L"text=\"MMMMMMMM\" align=\"left\" gradient_text=\"red,blue,1,1\"");
  const UiRect ink = PaintLabel(&label);
  ASSERT_GT(ink.Width(), 40);
  // The red share of the opaque ink in a fifth of the ink's width.
  auto red_share = [this, &ink](int fifth) {
    double red = 0, blue = 0;
    const int from = ink.left + ink.Width() * fifth / 5;
    const int to = ink.left + ink.Width() * (fifth + 1) / 5;
    for (int y = ink.top; y < ink.bottom; ++y) {
      for (int x = from; x < to; ++x) {
        const uint32_t p = ui_test::PixelAt(render_.get(), x, y);
        if ((p >> 24) < 0x80) continue;
        red += (p >> 16) & 0xFF;
        blue += p & 0xFF;
      }
    }
    return red / (red + blue + 1);
  };
  const double first = red_share(0), last = red_share(4);
  EXPECT_GT(first, last + 0.2) << first << " " << last;
  EXPECT_GT(first, 0.5);
}

TEST_F(TextEffectPaintTest, LetterSpacingWidensTheInkAndTheAutoWidthByUnits) {
  Label tight;
  tight.ApplyAttributeList(L"text=\"abcd\" align=\"left\" gradient_text=\"red,red,1,1,0\"");
  Label spaced;
  spaced.ApplyAttributeList(L"text=\"abcd\" align=\"left\" gradient_text=\"red,red,1,1,6\"");
  const UiRect a = PaintLabel(&tight);
  const UiRect b = PaintLabel(&spaced);
  // Three gaps between four units, each the spacing.
  EXPECT_GE(b.Width() - a.Width(), 3 * 6 - 4);  // each unit's width truncated
  // A degenerate gradient span (ratio 0) still fills, with the text colour.
  Label flat;
  flat.ApplyAttributeList(L"text=\"abcd\" normaltextcolor=\"green\" gradient_text=\"red,blue,0,0\"");
  const UiRect c = PaintLabel(&flat);
  EXPECT_LT(c.left, c.right);
}

}  // namespace
}  // namespace ui
