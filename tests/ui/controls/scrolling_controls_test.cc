// The scroll bar's geometry, touch and horizontal scrolling of a box,
// trees, virtual lists, child boxes and the box variants of the text
// controls, without a native window.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "test_support/temp_folder.h"
#include "ui/animation/fake_timing.h"
#include "ui/controls/check_box.h"
#include "ui/controls/child_box.h"
#include "ui/controls/label.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/scrollable_box.h"
#include "ui/controls/tree_view.h"
#include "ui/controls/virtual_list_box.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"
#include "ui/layout/linear_layout.h"

namespace ui {
namespace {

TEST(ScrollBarGeometry, ThumbAndButtons) {
  struct Case {
    const char* what;
    int length;        // of a 16-wide vertical bar at (0, 0)
    bool buttons;
    int64_t range;
    int64_t position;
    UiRect thumb;
    UiRect button1;
    UiRect button2;
  } const cases[] = {
      // 100 x 100 / 400 is 25, raised to the minimum of 30.
      {"minimum thumb at the top", 100, false, 300, 0, {0, 0, 16, 30}, {0, 0, 0, 0}, {0, 100, 0, 100}},
      {"minimum thumb at the end", 100, false, 300, 300, {0, 70, 16, 100}, {0, 0, 0, 0}, {0, 100, 0, 100}},
      {"half way", 100, false, 100, 50, {0, 25, 16, 75}, {0, 0, 0, 0}, {0, 100, 0, 100}},
      {"range 0 fills the track", 100, true, 0, 0, {0, 16, 16, 84}, {0, 0, 16, 16}, {0, 84, 16, 100}},
      // Too short for a thumb: the buttons share the length.
      {"20 pixels with 16-pixel buttons", 20, true, 100, 0, {0, 0, 0, 0}, {0, 0, 16, 10}, {0, 10, 16, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScrollBar bar;
    bar.SetShowButton1(c.buttons);
    bar.SetShowButton2(c.buttons);
    bar.SetRange(c.range);
    bar.SetScrollPos(c.position);
    bar.SetPos(UiRect{0, 0, 16, c.length});
    EXPECT_EQ(c.thumb, bar.GetThumbRect());
    EXPECT_EQ(c.button1, bar.GetButton1Rect());
    EXPECT_EQ(c.button2, bar.GetButton2Rect());
  }
}

TEST(ScrollBarAlone, RangeAndPositionClampAndAHorizontalBarTurnsItsSize) {
  ScrollBar bar;
  bar.SetAttribute(L"range", L"-5");
  EXPECT_EQ(0, bar.GetRange());
  EXPECT_FALSE(bar.IsVisible());
  bar.SetAttribute(L"range", L"50");
  bar.SetAttribute(L"value", L"80");
  EXPECT_EQ(50, bar.GetScrollPos());
  bar.SetRange(20);
  EXPECT_EQ(20, bar.GetScrollPos());
  bar.SetAttribute(L"hor", L"true");
  EXPECT_EQ(0, bar.GetFixedWidth());
  EXPECT_EQ(16, bar.GetFixedHeight());
}

// A vertical box of rows 30 high in a 100-pixel view, scrolled on a clock
// the test moves.
class BoxScrollTest : public ::testing::Test {
 protected:
  ScrollableBox* MakeBox(Layout* layout, int rows, int row_width, int row_height) {
    box_ = new ScrollableBox(layout);
    window_.SetRoot(box_);
    box_->SetTimerManager(&timers_.manager);
    for (int i = 0; i < rows; ++i) {
      auto* row = new Control;
      row->SetFixedWidth(row_width);
      row->SetFixedHeight(row_height);
      box_->Add(row);
    }
    return box_;
  }
  void Send(int type, WPARAM key, UiPoint pt = {0, 0}) {
    box_->SendEventArgs(type, 0, 0, static_cast<wchar_t>(key), pt);
  }

  ui_test::ManualTimers timers_;
  Window window_;
  ScrollableBox* box_ = nullptr;
};

TEST_F(BoxScrollTest, ATouchDragMovesTheContentWithTheFinger) {
  MakeBox(new VLayout, 10, -1, 30);
  box_->SetAttribute(L"vscrollbar", L"true");
  box_->SetPos(UiRect{0, 0, 100, 100});
  ASSERT_EQ(200, box_->GetScrollRange().cy);
  Send(kEventTouchDown, 0, UiPoint{10, 90});
  Send(kEventTouchMove, 0, UiPoint{10, 65});
  EXPECT_EQ(25, box_->GetScrollPos().cy);
  Send(kEventTouchMove, 0, UiPoint{10, 75});
  EXPECT_EQ(15, box_->GetScrollPos().cy);
  Send(kEventTouchUp, 0, UiPoint{10, 75});
  Send(kEventTouchMove, 0, UiPoint{10, 0});
  EXPECT_EQ(15, box_->GetScrollPos().cy);
  // The child offsets follow the rows.
  EXPECT_EQ(30, box_->GetChildOffsets()[1]);
}

TEST_F(BoxScrollTest, AHorizontalBoxScrollsSidewaysWithUpAndDown) {
  MakeBox(new HLayout, 10, 50, -1);
  box_->SetAttribute(L"hscrollbar", L"true");
  box_->SetPos(UiRect{0, 0, 100, 40});
  ASSERT_EQ(400, box_->GetScrollRange().cx);
  Send(kEventKeyDown, VK_DOWN);
  timers_.RunUntilIdle();
  EXPECT_EQ(30, box_->GetScrollPos().cx);
  Send(kEventKeyDown, VK_RIGHT);
  Send(kEventKeyDown, VK_LEFT);
  timers_.RunUntilIdle();
  EXPECT_EQ(30, box_->GetScrollPos().cx);
  Send(kEventKeyDown, VK_END);
  EXPECT_EQ(400, box_->GetScrollPos().cx);
  Send(kEventKeyDown, VK_PRIOR);
  EXPECT_EQ(300, box_->GetScrollPos().cx);
}

TEST_F(BoxScrollTest, ABarThatDoesNotFloatNarrowsTheContent) {
  MakeBox(new VLayout, 4, -1, 30);
  box_->SetAttribute(L"vscrollbarstyle", L"width='14'");
  box_->SetAttribute(L"scrollbarfloat", L"false");
  box_->SetPos(UiRect{0, 0, 100, 110});
  EXPECT_EQ(10, box_->GetScrollRange().cy);
  EXPECT_EQ(86, box_->GetItemAt(0)->GetPos().Width());
  // Fits again: the bar goes and the content takes the width back.
  box_->SetPos(UiRect{0, 0, 100, 200});
  EXPECT_EQ(0, box_->GetScrollRange().cy);
  EXPECT_EQ(100, box_->GetItemAt(0)->GetPos().Width());
}

TEST(TreeViewTest, NodesIndentCollapseAndAreSkippedByTheKeys) {
  Window window;
  auto* tree = new TreeView;
  window.SetRoot(tree);
  tree->SetAttribute(L"indent", L"12");
  auto node = [](const wchar_t* name) {
    auto* n = new TreeNode;
    n->SetName(name);
    n->SetFixedHeight(20);
    return n;
  };
  TreeNode* a = node(L"a");
  TreeNode* a1 = node(L"a1");
  TreeNode* a11 = node(L"a11");
  TreeNode* b = node(L"b");
  ASSERT_TRUE(tree->GetRootNode()->AddChildNode(a));
  ASSERT_TRUE(tree->GetRootNode()->AddChildNode(b));
  ASSERT_TRUE(a->AddChildNode(a1));
  ASSERT_TRUE(a1->AddChildNode(a11));
  EXPECT_FALSE(b->AddChildNode(a1));  // linked already
  std::vector<std::wstring> order;
  for (int i = 0; i < tree->GetCount(); ++i) order.push_back(tree->GetItemAt(i)->GetName());
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"a1", L"a11", L"b"}), order);
  EXPECT_EQ(24, a11->GetMargin().left);
  EXPECT_EQ(2, a11->GetDepth());

  tree->SetPos(UiRect{0, 0, 100, 200});
  EXPECT_EQ(60, b->GetPos().top);
  // A click listener collapses; the subtree reports itself hidden while
  // its own flags stay set, and the list lays b out under a.
  a->AttachEvent(kEventClick, [a](EventArgs* args) { return a->OnClickItem(args); });
  a->SendEventArgs(kEventClick);
  EXPECT_FALSE(a->IsExpanded());
  EXPECT_FALSE(a1->IsVisible());
  EXPECT_FALSE(a11->IsVisible());
  EXPECT_TRUE(a11->IsInternVisible());
  tree->SetPos(UiRect{0, 0, 100, 201});
  EXPECT_EQ(20, b->GetPos().top);
  tree->SelectItem(0, false, false);
  tree->SendEventArgs(kEventKeyDown, 0, 0, VK_DOWN);
  EXPECT_EQ(3, tree->GetCurSel());

  // Removing a node removes its subtree and unlinks it.
  a->SetExpand(true);
  EXPECT_TRUE(tree->Remove(a1));
  EXPECT_EQ(2, tree->GetCount());
  EXPECT_TRUE(a->GetChildNodes().empty());
  EXPECT_TRUE(b->RemoveChildNode(nullptr) == false);
  EXPECT_TRUE(tree->GetRootNode()->RemoveChildNode(b));
  ASSERT_EQ(1, tree->GetCount());
  window.DeleteDeferredControls();
}

// Rows named by number; counts every fill.
class Rows : public VirtualListDataProvider {
 public:
  Control* CreateElement() override {
    ++created;
    return new ListContainerElement;
  }
  void FillElement(Control* element, int index) override {
    element->SetDataId(std::to_wstring(index));
  }
  int GetElementCount() override { return count; }
  int count = 1000;
  int created = 0;
};

class VirtualListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list_ = new VirtualListBox;
    window_.SetRoot(list_);
    list_->SetAttribute(L"vscrollbar", L"true");
    list_->SetDataProvider(&rows_);
    list_->SetElementHeight(20);
    list_->InitElement(30);
    list_->SetPos(UiRect{0, 0, 100, 200});
  }
  // The row each control shows, in control order.
  std::vector<int> Shown(int from, int to) {
    std::vector<int> rows;
    for (int i = from; i <= to; ++i) rows.push_back(std::stoi(list_->GetItemAt(i)->GetDataId()));
    return rows;
  }

  Rows rows_;
  Window window_;
  VirtualListBox* list_ = nullptr;
};

TEST_F(VirtualListTest, FewControlsCoverManyRows) {
  EXPECT_EQ(30, list_->GetCount());
  EXPECT_EQ(30, rows_.created);
  EXPECT_EQ(20000 - 200, list_->GetScrollRange().cy);

  // Down past the bound rows: bound again from the top row.
  list_->SetScrollPos(UiSize{0, 400});
  EXPECT_EQ((std::vector<int>{20, 21, 22}), Shown(0, 2));
  EXPECT_EQ((UiRect{0, 400, 100, 420}), list_->GetItemAt(0)->GetPos());
  // A full binding keeps 19 controls above the view for a scroll up.
  list_->ReArrangeChildren(true);
  EXPECT_EQ((std::vector<int>{20, 21, 30}), (std::vector<int>{Shown(19, 19)[0], Shown(20, 20)[0],
                                                                Shown(29, 29)[0]}));
  EXPECT_EQ((std::vector<int>{19, 1}), (std::vector<int>{Shown(18, 18)[0], Shown(0, 0)[0]}));
  // A small step down stays within the bound rows: nothing is bound again.
  list_->GetItemAt(0)->SetDataId(L"-1");
  list_->SetScrollPos(UiSize{0, 410});
  EXPECT_EQ(L"-1", list_->GetItemAt(0)->GetDataId());

  // End and Home jump without a smooth scroll.
  list_->SendEventArgs(kEventKeyDown, 0, 0, VK_END);
  EXPECT_EQ(19800, list_->GetScrollPos().cy);
  list_->SendEventArgs(kEventKeyDown, 0, 0, VK_HOME);
  EXPECT_EQ(0, list_->GetScrollPos().cy);
  EXPECT_EQ(30, rows_.created);
}

TEST_F(VirtualListTest, RefreshFollowsTheRowCount) {
  rows_.count = 10;
  list_->Refresh();
  EXPECT_EQ(10, list_->GetCount());
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), Shown(0, 9));
  rows_.count = 0;
  list_->Refresh();
  EXPECT_EQ(0, list_->GetCount());
  list_->RemoveAll();
  EXPECT_EQ(0, list_->GetScrollPos().cy);
  window_.DeleteDeferredControls();
}

TEST_F(VirtualListTest, NoProviderOrNoRowHeightBindsNothing) {
  auto* bare = new VirtualListBox;
  static_cast<Box*>(window_.GetRoot())->Add(bare);
  bare->InitElement(30);
  bare->Refresh();
  bare->SetPos(UiRect{0, 0, 100, 100});
  EXPECT_EQ(0, bare->GetCount());
  list_->SetElementHeight(0);
  list_->SetScrollPos(UiSize{0, 100});
  list_->ReArrangeChildren(true);
  list_->SetPos(UiRect{0, 0, 100, 300});
}

TEST(ChildBoxTest, LoadsItsFileOnceAndStaysEmptyForABrokenOne) {
  testing_support::TempFolder folder;
  {
    std::ofstream(folder.Join(L"child.xml").c_str())
        << "<Window><VBox name=\"inner\"><Control name=\"leaf\"/></VBox></Window>";
    std::ofstream(folder.Join(L"broken.xml").c_str()) << "<Window><VBox";
  }
  GlobalResources& resources = GlobalResources::Instance();
  const std::wstring old_root = resources.GetResourceRoot();
  resources.SetResourceRoot(folder.path() + L"\\");
  Window window;
  auto* root = new Box;
  window.SetRoot(root);
  auto* good = new ChildBox;
  good->SetAttribute(L"xmlfile", L"child.xml");
  auto* broken = new ChildBox;
  broken->SetAttribute(L"xmlfile", L"broken.xml");
  auto* missing = new ChildBox;
  missing->SetAttribute(L"xmlfile", L"missing.xml");
  root->Add(good);
  root->Add(broken);
  root->Add(missing);
  ASSERT_EQ(1, good->GetCount());
  EXPECT_NE(nullptr, window.FindControlByName(L"leaf"));
  EXPECT_EQ(0, broken->GetCount());
  EXPECT_EQ(0, missing->GetCount());
  good->Init();
  EXPECT_EQ(1, good->GetCount());
  resources.SetResourceRoot(old_root);
}

TEST(BoxVariants, TextStyleSizeAndSelection) {
  LabelBox label;
  ButtonBox button;
  ListContainerElement item;
  EXPECT_EQ(0x8120u, label.GetTextStyle());
  EXPECT_EQ(0x8125u, button.GetTextStyle());
  EXPECT_EQ(0x8124u, item.GetTextStyle());
  EXPECT_EQ(kSizeStretch, label.GetFixedWidth());
  EXPECT_EQ(kSizeStretch, button.GetFixedHeight());
  EXPECT_FALSE(item.IsReceivePointer());

  Window window;
  auto* check = new CheckBoxBox;
  window.SetRoot(check);
  std::vector<int> events;
  check->AttachEvent(kEventAll, [&events](EventArgs* args) {
    events.push_back(args->type);
    return true;
  });
  check->Activate();
  check->Activate();
  EXPECT_EQ((std::vector<int>{kEventSelect, kEventUnselect}), events);
}

}  // namespace
}  // namespace ui
