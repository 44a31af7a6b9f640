// The attribute parser: value syntax, the order attributes are applied in,
// classes and the channel filter.
#include <gtest/gtest.h>

#include <string>

#include "ui/core/dpi_guard.h"
#include "ui/core/box.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"

namespace ui {
namespace {

struct SizeCase {
  const wchar_t* value;
  int percent;
  int expected;
};

TEST(ControlAttributes, WidthAndHeightValues) {
  const SizeCase cases[] = {
      {L"-5", 100, -1},      // below -2: unchanged
      {L"0", 100, 0},        {L"auto", 150, -2},     {L"stretch", 150, -1},
      {L"100", 150, 150},    {L"13", 150, 20},       // 19.5 rounds away from zero
      {L"-2", 150, -2},      {L"40px", 100, 40},     // reading stops at the letters
  };
  for (const SizeCase& c : cases) {
    DpiGuard dpi(c.percent);
    Control control;
    control.SetAttribute(L"width", c.value);
    control.SetAttribute(L"height", c.value);
    EXPECT_EQ(c.expected, control.GetFixedWidth()) << c.value << " at " << c.percent;
    EXPECT_EQ(c.expected, control.GetFixedHeight()) << c.value << " at " << c.percent;
  }
}

TEST(ControlAttributes, MaxSizeIsScaledWhateverItsSign) {
  {
    Control control;
    control.SetAttribute(L"maxwidth", L"stretch");
    EXPECT_EQ(-1, control.GetMaxWidth());
  }
  {
    DpiGuard dpi(150);
    Control control;
    control.SetAttribute(L"maxwidth", L"stretch");
    control.SetAttribute(L"maxheight", L"200");
    control.SetAttribute(L"minwidth", L"-4");  // negative: ignored
    control.SetAttribute(L"minheight", L"10");
    EXPECT_EQ(-2, control.GetMaxWidth());
    EXPECT_EQ(300, control.GetMaxHeight());
    EXPECT_EQ(-1, control.GetMinWidth());
    EXPECT_EQ(15, control.GetMinHeight());
  }
}

TEST(ControlAttributes, BooleansAreTrueOnlyForExactTrue) {
  struct Case {
    const wchar_t* value;
    bool visible;
  } const cases[] = {{L"true", true}, {L"True", false}, {L"1", false},
                     {L"", false},    {L"true ", false}};
  for (const Case& c : cases) {
    Control control;
    control.SetAttribute(L"visible", L"false");
    control.SetAttribute(L"visible", c.value);
    EXPECT_EQ(c.visible, control.IsVisible()) << c.value;
  }
  Control control;
  control.SetAttribute(L"nofocus", L"false");  // the value is not read
  EXPECT_TRUE(control.IsNoFocus());
}

TEST(ControlAttributes, NumberLists) {
  Control control;
  control.SetAttribute(L"margin", L"30");
  EXPECT_EQ((UiRect{30, 0, 0, 0}), control.GetMargin());
  control.SetAttribute(L"margin", L"30,-8");
  EXPECT_EQ((UiRect{30, -8, 0, 0}), control.GetMargin());
  control.SetAttribute(L"margin", L"1;2;3;4");  // any one separator
  EXPECT_EQ((UiRect{1, 2, 3, 4}), control.GetMargin());

  control.SetAttribute(L"bordersize", L"2");
  EXPECT_EQ(2, control.GetBorderSize());
  control.SetAttribute(L"bordersize", L"1,0,0,2");
  EXPECT_EQ((UiRect{1, 0, 0, 2}), control.GetBorderSides());
  EXPECT_EQ(2, control.GetBorderSize());
  control.SetAttribute(L"bordersize", L"3");
  EXPECT_EQ((UiRect{0, 0, 0, 0}), control.GetBorderSides());
  EXPECT_EQ(3, control.GetBorderSize());

  control.SetAttribute(L"bkcolor", L"\t  white");
  EXPECT_EQ(L"white", control.GetBkColor());
}

TEST(ControlAttributes, StateAndAlignmentKeywords) {
  Control control;
  control.SetAttribute(L"state", L"hot");
  EXPECT_EQ(kControlStateHot, control.GetState());
  EXPECT_EQ(255, control.GetHotAlpha());
  control.SetAttribute(L"state", L"Pushed");  // keywords are case-sensitive
  EXPECT_EQ(kControlStateHot, control.GetState());
  control.SetAttribute(L"state", L"normal");
  EXPECT_EQ(0, control.GetHotAlpha());
  control.SetAttribute(L"halign", L"center");
  control.SetAttribute(L"valign", L"middle");  // not a keyword: ignored
  EXPECT_EQ(1, control.GetHorAlignType());
  EXPECT_EQ(0, control.GetVerAlignType());
  control.SetAttribute(L"alpha", L"300");  // stored as given
  EXPECT_EQ(300, control.GetAlpha());
}

TEST(ControlAttributes, AttributeListParsing) {
  struct Case {
    const wchar_t* text;
    const wchar_t* name;
    const wchar_t* tooltip;
  } const cases[] = {
      {L"name=\"a\" tooltiptext='b'", L"a", L"b"},
      // Two spaces: the second pair's name begins with a space.
      {L"name=\"a\"  tooltiptext=\"b\"", L"a", L""},
      // An unclosed quote applies nothing for that pair.
      {L"name=\"a\" tooltiptext=\"b", L"a", L""},
      {L"name=a tooltiptext=\"b\"", L"", L""},
      {L"name=\"a\" ", L"a", L""},
      {L"name=\"x=y\"", L"x=y", L""},
  };
  for (const Case& c : cases) {
    Control control;
    control.ApplyAttributeList(c.text);
    EXPECT_EQ(c.name, control.GetName()) << c.text;
    EXPECT_EQ(c.tooltip, control.GetToolTipText()) << c.text;
  }
}

class ClassTest : public ::testing::Test {
 protected:
  void TearDown() override { GlobalResources::Instance().ClearClasses(); }
};

TEST_F(ClassTest, GlobalTableFirstThenWindow) {
  GlobalResources::Instance().AddClass(L"both", L"width=\"10\"");
  GlobalResources::Instance().AddClass(L"empty", L"");
  Window window;
  window.AddClass(L"both", L"width=\"20\"");
  window.AddClass(L"empty", L"height=\"30\"");
  window.AddClass(L"mine", L"name=\"m\"");
  Box* root = new Box;
  window.SetRoot(root);
  Control* control = new Control;
  root->Add(control);

  control->SetAttribute(L"class", L"both  missing empty mine");
  EXPECT_EQ(10, control->GetFixedWidth());
  EXPECT_EQ(30, control->GetFixedHeight());
  EXPECT_EQ(L"m", control->GetName());
}

TEST_F(ClassTest, ClassesThatNameThemselvesStop) {
  GlobalResources::Instance().AddClass(L"self", L"class=\"self\" width=\"11\"");
  GlobalResources::Instance().AddClass(L"a", L"class=\"b\" height=\"12\"");
  GlobalResources::Instance().AddClass(L"b", L"class=\"a\" name=\"b\"");
  Control control;
  control.SetAttribute(L"class", L"self a");
  EXPECT_EQ(11, control.GetFixedWidth());
  EXPECT_EQ(12, control.GetFixedHeight());
  EXPECT_EQ(L"b", control.GetName());
  // A class named again by a later list acts again.
  control.SetFixedWidth(1, false, false);
  control.SetAttribute(L"class", L"self self");
  EXPECT_EQ(11, control.GetFixedWidth());
}

TEST_F(ClassTest, AClassReachedAlongManyPathsIsExpandedOnce) {
  // Each class names the next twice: 2^40 expansions if every path counted.
  const int kLevels = 40;
  for (int i = 0; i < kLevels; ++i) {
    const std::wstring next = L"c" + std::to_wstring(i + 1);
    GlobalResources::Instance().AddClass(L"c" + std::to_wstring(i),
                                         L"class=\"" + next + L" " + next + L"\" height=\"" +
                                             std::to_wstring(i) + L"\"");
  }
  GlobalResources::Instance().AddClass(L"c" + std::to_wstring(kLevels), L"width=\"7\"");
  Control control;
  control.SetAttribute(L"class", L"c0 c0");
  EXPECT_EQ(7, control.GetFixedWidth());
  // The deepest class's own pair comes last: c0's height is written after
  // everything it names.
  EXPECT_EQ(0, control.GetFixedHeight());
}

TEST(ControlAttributes, HotLookSwitchesTheHoverFadeOnInMarkupOrder) {
  {
    Control control;
    control.SetAttribute(L"hotcolor", L"red");
    control.SetAttribute(L"fadehot", L"false");
    EXPECT_EQ(nullptr, control.GetAnimationSet().GetPlayer(kAnimationHot));
    // The same colour again does not switch it back on.
    control.SetAttribute(L"hotcolor", L"red");
    EXPECT_EQ(nullptr, control.GetAnimationSet().GetPlayer(kAnimationHot));
  }
  {
    Control control;
    control.SetAttribute(L"fadehot", L"false");
    control.SetAttribute(L"hotimage", L"hot.png");
    EXPECT_NE(nullptr, control.GetAnimationSet().GetPlayer(kAnimationHot));
    EXPECT_TRUE(control.HasHotStyle());
  }
}

TEST(ControlAttributes, ChannelFilter) {
  struct Case {
    const wchar_t* channels;
    bool visible;
  } const cases[] = {{L"KR VN", true}, {L"VN", false}, {L"", false},
                     {L"kr", false},   {L"VN  KR", true}};
  const std::wstring saved = GlobalResources::Instance().GetUiChannel();
  GlobalResources::Instance().SetUiChannel(L"KR");
  for (const Case& c : cases) {
    Control control;
    control.SetAttribute(L"channel", c.channels);
    EXPECT_EQ(c.visible, control.IsVisible()) << c.channels;
  }
  GlobalResources::Instance().SetUiChannel(saved);
}

TEST(ControlAttributes, MarkupListenerAppliesToItsReceiver) {
  Window window;
  Box* root = new Box;
  window.SetRoot(root);
  Box* panel = new Box;
  Control* inner = new Control;
  inner->SetName(L"inner");
  Control* other = new Control;
  other->SetName(L"other");
  panel->Add(inner);
  root->Add(panel);
  root->Add(other);

  EXPECT_TRUE(panel->OnApplyAttributeList(L"./inner", L"width=\"5\"", nullptr));
  EXPECT_TRUE(panel->OnApplyAttributeList(L".\\inner", L"height=\"6\"", nullptr));
  EXPECT_TRUE(panel->OnApplyAttributeList(L"other", L"width=\"7\"", nullptr));
  EXPECT_TRUE(panel->OnApplyAttributeList(L"./other", L"width=\"8\"", nullptr));
  EXPECT_TRUE(panel->OnApplyAttributeList(L"nobody", L"width=\"9\"", nullptr));
  EXPECT_EQ(5, inner->GetFixedWidth());
  EXPECT_EQ(6, inner->GetFixedHeight());
  EXPECT_EQ(7, other->GetFixedWidth());  // not inside the panel: untouched by ./
}

TEST(ControlAttributes, ToolTipText) {
  Control control;
  control.SetToolTipText(L"one<n>two");
  EXPECT_EQ(L"one\r\ntwo", control.GetToolTipText());
  control.SetToolTipTextUtf8("");
  EXPECT_EQ(L"", control.GetToolTipText());
  GlobalResources::Instance().SetTextLookup(
      [](const std::wstring& id) { return id == L"TIP" ? L"tip text" : L""; });
  control.SetAttribute(L"tooltiptextid", L"TIP");
  EXPECT_EQ(L"tip text", control.GetToolTipText());
  GlobalResources::Instance().SetTextLookup(nullptr);
}

}  // namespace
}  // namespace ui
