// Layout numbers: where each layout puts its children for padding, child
// margins, fixed, auto and stretch sizes, min/max and alignment, and what
// it estimates for an automatically sized box.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "ui/controls/box_kinds.h"
#include "ui/layout/virtual_layout.h"

namespace ui {

// A compact way to read rectangles in failures.
void PrintTo(const UiRect& r, std::ostream* os) {
  *os << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}
void PrintTo(const UiSize& s, std::ostream* os) { *os << "(" << s.cx << "," << s.cy << ")"; }

namespace {

// A child given by attribute text, e.g. L"width=\"100\" halign=\"right\"".
Control* Child(Box* box, const wchar_t* attributes) {
  Control* control = new Control;
  control->ApplyAttributeList(attributes);
  box->Add(control);
  return control;
}

std::vector<UiRect> Positions(const Box& box) {
  std::vector<UiRect> out;
  for (Control* c : box.GetItems()) out.push_back(c->GetPos());
  return out;
}

TEST(HLayout, FixedAndStretchWidthsShareTheRow) {
  struct Case {
    int width;
    std::vector<UiRect> expected;
  } const cases[] = {
      {300, {{0, 0, 100, 20}, {104, 0, 154, 20}, {158, 0, 227, 20}, {231, 0, 300, 20}}},
      {301, {{0, 0, 100, 20}, {104, 0, 154, 20}, {158, 0, 228, 20}, {232, 0, 301, 20}}},
      // Too narrow: stretch children get nothing, fixed ones keep their size.
      {100, {{0, 0, 100, 20}, {104, 0, 154, 20}, {158, 0, 158, 20}, {162, 0, 162, 20}}},
  };
  for (const Case& c : cases) {
    HBox box;
    box.SetAttribute(L"childmargin", L"4");
    Child(&box, L"width=\"100\"");
    Child(&box, L"width=\"50\"");
    Child(&box, L"");
    Child(&box, L"");
    box.SetPos(UiRect{0, 0, c.width, 20});
    EXPECT_EQ(c.expected, Positions(box)) << c.width;
  }
}

TEST(HLayout, MarginsAlignmentAndClamps) {
  HBox box;
  box.SetAttribute(L"padding", L"10,5,10,5");
  Child(&box, L"width=\"20\" height=\"10\" valign=\"top\" margin=\"2,3,4,5\"");
  Child(&box, L"width=\"20\" height=\"10\" valign=\"center\"");
  Child(&box, L"width=\"20\" height=\"10\" valign=\"bottom\" margin=\"0,0,0,1\"");
  Child(&box, L"minwidth=\"30\" maxwidth=\"40\" maxheight=\"25\"");
  Child(&box, L"width=\"5\" height=\"5\" float=\"true\" halign=\"right\" margin=\"0,0,1,0\"");
  box.SetPos(UiRect{0, 0, 200, 50});
  const std::vector<UiRect> expected = {
      {12, 8, 32, 18},     // top, after its left margin
      {36, 20, 56, 30},    // centred in 40: (40 - 10) / 2
      {56, 34, 76, 44},    // bottom, above its bottom margin
      {76, 5, 116, 30},    // stretch limited to 40 wide, 25 high
      {184, 5, 189, 10},   // float: over the content, by its own alignment
  };
  EXPECT_EQ(expected, Positions(box));
}

TEST(HLayout, NegativeChildMarginOverlapsAndShrinksTheEstimate) {
  HBox box;
  box.SetAttribute(L"width", L"auto");
  box.SetAttribute(L"height", L"auto");
  box.SetAttribute(L"childmargin", L"-4");
  box.SetAttribute(L"padding", L"1,2,3,4");
  Child(&box, L"width=\"30\" height=\"10\"");
  Child(&box, L"width=\"30\" height=\"12\" margin=\"0,1,0,1\"");
  Child(&box, L"width=\"30\" height=\"10\"");
  EXPECT_EQ((UiSize{30 * 3 - 8 + 4, 14 + 6}), box.EstimateSize(UiSize{500, 500}));
  box.SetPos(UiRect{0, 0, 86, 20});
  const std::vector<UiRect> expected = {{1, 2, 31, 12}, {27, 3, 57, 15}, {53, 2, 83, 12}};
  EXPECT_EQ(expected, Positions(box));
}

TEST(VLayout, StretchChildrenShareTheRemainder) {
  VBox box;
  for (int i = 0; i < 3; ++i) Child(&box, L"");
  box.SetPos(UiRect{0, 0, 50, 100});
  const std::vector<UiRect> expected = {{0, 0, 50, 34}, {0, 34, 50, 67}, {0, 67, 50, 100}};
  EXPECT_EQ(expected, Positions(box));
}

TEST(VLayout, AlignmentMarginsAndClamps) {
  VBox box;
  box.SetAttribute(L"childmargin", L"3");
  Child(&box, L"width=\"20\" height=\"10\" halign=\"center\"");
  Child(&box, L"width=\"20\" height=\"10\" halign=\"right\" margin=\"0,0,4,0\"");
  Child(&box, L"height=\"10\" margin=\"5,2,6,1\"");
  Child(&box, L"maxheight=\"15\" minwidth=\"200\"");
  Child(&box, L"height=\"500\" maxheight=\"8\" maxwidth=\"30\"");
  box.SetPos(UiRect{0, 0, 101, 100});
  const std::vector<UiRect> expected = {
      {40, 0, 60, 10},    // (101 - 20) / 2 truncates to 40
      {77, 13, 97, 23},   // right, inside its right margin
      {5, 28, 95, 38},    // stretch width less both margins
      {0, 42, 200, 57},   // stretch height held at 15, width at least 200
      {0, 60, 30, 68},    // the maximum wins over the fixed height
  };
  EXPECT_EQ(expected, Positions(box));
}

TEST(VLayout, Estimate) {
  VBox box;
  box.SetAttribute(L"height", L"auto");
  box.SetAttribute(L"width", L"auto");
  box.SetAttribute(L"childmargin", L"2");
  box.SetAttribute(L"padding", L"1,1,1,1");
  Child(&box, L"width=\"20\" height=\"10\" margin=\"3,0,0,0\"");
  Child(&box, L"width=\"40\" height=\"5\" minheight=\"7\"");
  Child(&box, L"width=\"99\" height=\"99\" visible=\"false\"");
  Child(&box, L"width=\"99\" height=\"99\" float=\"true\"");
  EXPECT_EQ((UiSize{42, 10 + 7 + 2 + 2}), box.EstimateSize(UiSize{500, 500}));
}

TEST(BaseLayout, ChildrenShareTheContentByAlignment) {
  Box box;
  box.SetAttribute(L"padding", L"10,10,10,10");
  Child(&box, L"width=\"20\" height=\"10\" halign=\"right\" valign=\"bottom\"");
  Child(&box, L"width=\"20\" height=\"10\" halign=\"center\" valign=\"center\"");
  Child(&box, L"margin=\"1,2,3,4\"");
  box.SetPos(UiRect{0, 0, 101, 100});
  const std::vector<UiRect> expected = {
      {71, 80, 91, 90}, {40, 45, 60, 55}, {11, 12, 88, 86}};
  EXPECT_EQ(expected, Positions(box));
}

TEST(BaseLayout, AutoTextTakesTheWidthItIsGiven) {
  // Stands in for a wrapping label: as wide as its text when it can be,
  // two lines when held to half of it.
  struct Wrapping : Control {
    UiSize EstimateTextSize(UiSize, bool*) override {
      return fixed_width_ == kSizeAuto ? UiSize{200, 10} : UiSize{fixed_width_, 20};
    }
  };
  Box box;
  Control* label = new Wrapping;
  label->ApplyAttributeList(L"width=\"auto\" height=\"auto\" maxwidth=\"-1\"");
  box.Add(label);
  box.SetPos(UiRect{0, 0, 100, 50});
  EXPECT_EQ((UiRect{0, 0, 100, 20}), label->GetPos());
  EXPECT_EQ(kSizeAuto, label->GetFixedWidth());
}

TEST(TileLayout, CellsFromTheItemWidth) {
  TileBox box;
  box.SetAttribute(L"itemsize", L"100,40");
  box.SetAttribute(L"childmargin", L"6");
  Child(&box, L"width=\"20\" height=\"10\"");
  Child(&box, L"width=\"20\" height=\"30\"");
  Child(&box, L"width=\"20\" height=\"10\"");
  Child(&box, L"width=\"20\" height=\"10\"");
  box.SetPos(UiRect{0, 0, 350, 200});
  auto* tile = static_cast<TileLayout*>(box.GetLayout());
  EXPECT_EQ(3, tile->GetColumns());
  // Cells 117, 117 and 116 wide, children centred; row one is 30 high.
  const std::vector<UiRect> expected = {
      {48, 10, 68, 20}, {165, 0, 185, 30}, {282, 10, 302, 20}, {48, 36, 68, 46}};
  EXPECT_EQ(expected, Positions(box));
}

TEST(TileLayout, ColumnsAndEstimate) {
  TileBox box;
  box.SetAttribute(L"columns", L"0");  // ignored, still taken
  box.SetAttribute(L"columns", L"2");
  box.SetAttribute(L"childmargin", L"4");
  box.SetAttribute(L"padding", L"0,1,0,2");
  box.SetAttribute(L"height", L"auto");
  box.SetAttribute(L"width", L"90");
  for (int i = 0; i < 5; ++i) Child(&box, L"height=\"10\"");
  EXPECT_EQ(2, static_cast<TileLayout*>(box.GetLayout())->GetColumns());
  EXPECT_EQ((UiSize{90, 3 * 10 + 2 * 4 + 3}), box.EstimateSize(UiSize{500, 500}));
}

TEST(Layout, PaddingTakesShortLists) {
  struct Case {
    const wchar_t* text;
    UiRect expected;
  } const cases[] = {{L"6", {6, 0, 0, 0}},
                     {L"0,6", {0, 6, 0, 0}},
                     {L"10,0,40", {10, 0, 40, 0}},
                     {L"18,19,12", {18, 19, 12, 0}},
                     {L"1,2,3,4,5", {1, 2, 3, 4}},
                     {L"", {0, 0, 0, 0}}};
  for (const Case& c : cases) {
    Box box;
    box.SetAttribute(L"padding", c.text);
    EXPECT_EQ(c.expected, box.GetLayout()->GetPadding()) << c.text;
  }
}

class FakeVirtualList : public Box, public IVirtualLayoutHost {
 public:
  FakeVirtualList() : Box(new VirtualLayout) {}
  int GetElementCount() const override { return elements; }
  int GetElementHeight() const override { return 20; }
  void ReArrangeChildren(bool) override { ++rebinds; }
  int elements = 0;
  int rebinds = 0;
};

TEST(VirtualLayout, MoreDataThanControlsRebindsInsteadOfPlacing) {
  FakeVirtualList list;
  Child(&list, L"height=\"20\"");
  Child(&list, L"height=\"20\"");
  list.elements = 2;
  list.SetPos(UiRect{0, 0, 100, 40});
  EXPECT_EQ((UiRect{0, 20, 100, 40}), list.GetItemAt(1)->GetPos());
  EXPECT_EQ(0, list.rebinds);

  list.elements = 1000;
  UiSize used = list.GetLayout()->ArrangeChildren(list.GetItems(), UiRect{0, 0, 100, 40});
  EXPECT_EQ((UiSize{100, 20000}), used);
  EXPECT_EQ(1, list.rebinds);
}

}  // namespace
}  // namespace ui
