// ListBox: selection with its events, keys and wheel, renumbering on
// insertion, removal and moves, scrolling items into view, option groups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/controls/list_box.h"
#include "ui/core/window.h"
#include "ui/layout/linear_layout.h"

namespace ui {
namespace {

class ListBoxTest : public ::testing::Test {
 protected:
  // A vertical list of `count` elements 20 high, named "0", "1", ...
  void SetUp() override {
    list_ = new ListBox(new VLayout);
    window_.SetRoot(list_);
    for (int i = 0; i < 5; ++i) list_->Add(MakeItem(std::to_wstring(i)));
    list_->SetAttribute(L"vscrollbar", L"true");
    list_->SetPos(UiRect{0, 0, 100, 60});
    list_->AttachEvent(kEventSelect, [this](EventArgs* args) {
      log_.push_back("select " + std::to_string(args->wparam) + " from " +
                     std::to_string(static_cast<int>(args->lparam)));
      return true;
    });
  }
  ListContainerElement* MakeItem(const std::wstring& name) {
    auto* item = new ListContainerElement;
    item->SetName(name);
    item->SetFixedHeight(20);
    item->AttachEvent(kEventUnselect, [this, item](EventArgs*) {
      log_.push_back("unselect " + std::to_string(item->GetIndex()));
      return true;
    });
    return item;
  }
  ListContainerElement* Item(int i) {
    return static_cast<ListContainerElement*>(list_->GetItemAt(i));
  }
  void Key(WORD key) { list_->SendEventArgs(kEventKeyDown, 0, 0, key); }
  std::vector<int> Indexes() {
    std::vector<int> out;
    for (int i = 0; i < list_->GetCount(); ++i) out.push_back(Item(i)->GetIndex());
    return out;
  }

  Window window_;
  ListBox* list_ = nullptr;
  std::vector<std::string> log_;
};

TEST_F(ListBoxTest, SelectingMovesTheSelectedFlagAndReports) {
  EXPECT_TRUE(list_->SelectItem(1, false, true));
  EXPECT_TRUE(list_->SelectItem(3, false, true));
  EXPECT_EQ(3, list_->GetCurSel());
  EXPECT_FALSE(Item(1)->IsSelected());
  EXPECT_TRUE(Item(3)->IsSelected());
  EXPECT_EQ((std::vector<std::string>{"select 1 from -1", "unselect 1", "select 3 from 1"}),
            log_);

  // A refused index still unselects the old item.
  log_.clear();
  Item(4)->SetEnabled(false);
  EXPECT_FALSE(list_->SelectItem(4, false, true));
  EXPECT_FALSE(list_->SelectItem(-1, false, true));
  EXPECT_FALSE(list_->SelectItem(9, false, true));
  EXPECT_EQ(-1, list_->GetCurSel());
  EXPECT_EQ((std::vector<std::string>{"unselect 3"}), log_);
}

TEST_F(ListBoxTest, Keys) {
  struct Case {
    int from;
    WORD key;
    int to;
  } const cases[] = {
      {2, VK_DOWN, 3}, {2, VK_UP, 1}, {0, VK_UP, 0}, {1, VK_HOME, 0},
      {1, VK_END, 4},  {4, VK_DOWN, 4},
  };
  for (const Case& c : cases) {
    list_->SelectItem(c.from, false, false);
    Key(c.key);
    EXPECT_EQ(c.to, list_->GetCurSel()) << c.from << " key " << c.key;
  }
  // Down on the last item selects it again: unselect, then select from itself.
  list_->SelectItem(4, false, false);
  log_.clear();
  Key(VK_DOWN);
  EXPECT_EQ((std::vector<std::string>{"unselect 4", "select 4 from 4"}), log_);
  // The focus follows.
  EXPECT_EQ(Item(4), window_.GetFocusControl());
}

TEST_F(ListBoxTest, KeysSkipItemsThatCannotBeSelected) {
  Item(2)->SetVisible(false);
  Item(3)->SetEnabled(false);
  list_->SelectItem(1, false, false);
  Key(VK_DOWN);
  EXPECT_EQ(4, list_->GetCurSel());
  Key(VK_UP);
  EXPECT_EQ(1, list_->GetCurSel());
}

TEST_F(ListBoxTest, WheelSelectsOnlyWithScrollSelect) {
  list_->SelectItem(2, false, false);
  list_->SendEventArgs(kEventScrollWheel, static_cast<WPARAM>(120));
  EXPECT_EQ(2, list_->GetCurSel());
  list_->SetAttribute(L"scrollselect", L"true");
  list_->SendEventArgs(kEventScrollWheel, static_cast<WPARAM>(120));
  EXPECT_EQ(1, list_->GetCurSel());
  list_->SendEventArgs(kEventScrollWheel, static_cast<WPARAM>(static_cast<int32_t>(-120)));
  EXPECT_EQ(2, list_->GetCurSel());
}

TEST_F(ListBoxTest, ClickingAnItemSelectsItThroughTheList) {
  Item(2)->SendEventArgs(kEventButtonDown, 0, 0, 0, UiPoint{10, 50});
  Item(2)->SendEventArgs(kEventButtonUp, 0, 0, 0, UiPoint{10, 50});
  EXPECT_EQ(2, list_->GetCurSel());
  EXPECT_EQ((std::vector<std::string>{"select 2 from -1"}), log_);
}

TEST_F(ListBoxTest, RemovingTheSelectedItemSelectsANeighbour) {
  list_->SelectItem(0, false, false);
  log_.clear();
  EXPECT_TRUE(list_->RemoveAt(0));
  window_.DeleteDeferredControls();
  EXPECT_EQ(0, list_->GetCurSel());
  EXPECT_EQ(L"1", Item(0)->GetName());
  EXPECT_TRUE(Item(0)->IsSelected());
  EXPECT_EQ((std::vector<std::string>{"select 0 from -1"}), log_);
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), Indexes());

  // The item before a removed selection is told it is unselected.
  list_->SelectItem(2, false, false);
  log_.clear();
  list_->RemoveAt(2);
  EXPECT_EQ((std::vector<std::string>{"unselect 1", "select 2 from 1"}), log_);

  list_->SetSelectNextWhenActiveRemoved(false);
  list_->RemoveAt(list_->GetCurSel());
  EXPECT_EQ(-1, list_->GetCurSel());
}

TEST_F(ListBoxTest, SelectionFollowsInsertionsRemovalsAndMoves) {
  list_->SelectItem(2, false, false);
  ListContainerElement* selected = Item(2);
  list_->AddAt(MakeItem(L"new"), 1);
  EXPECT_EQ(3, list_->GetCurSel());
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), Indexes());
  list_->RemoveAt(0);
  EXPECT_EQ(2, list_->GetCurSel());
  EXPECT_TRUE(list_->SetItemIndex(selected, 4));
  EXPECT_EQ(4, list_->GetCurSel());
  EXPECT_EQ(selected, Item(4));
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), Indexes());
  EXPECT_FALSE(list_->SetItemIndex(selected, 5));
  EXPECT_TRUE(list_->SetItemIndex(selected, 4));
  list_->RemoveAll();
  EXPECT_EQ(-1, list_->GetCurSel());
  EXPECT_FALSE(list_->RemoveAt(0));
}

TEST_F(ListBoxTest, ScrollingItemsIntoView) {
  EXPECT_EQ((UiRect{0, 80, 100, 100}), Item(4)->GetPos());
  list_->SelectItem(4, false, false);
  EXPECT_EQ(40, list_->GetScrollPos().cy);  // its bottom at the list's bottom
  list_->SelectItem(1, false, false);
  EXPECT_EQ(20, list_->GetScrollPos().cy);  // its top at the list's top
  // The top item is the first whose bottom is at or below the visible top:
  // item 0 ends exactly there.
  EXPECT_EQ(Item(0), list_->GetTopItem());
  list_->SetScrollPos(UiSize{0, 21});
  EXPECT_EQ(Item(1), list_->GetTopItem());
  list_->SetScrollPos(UiSize{0, 20});

  EXPECT_TRUE(list_->ScrollItemToTop(Item(0)));
  EXPECT_EQ(0, list_->GetScrollPos().cy);
  EXPECT_TRUE(list_->ScrollItemToTopByName(L"2"));
  EXPECT_EQ(40, list_->GetScrollPos().cy);
  EXPECT_FALSE(list_->ScrollItemToTopByName(L"none"));
  list_->SetAttribute(L"vscrollbar", L"false");
  EXPECT_FALSE(list_->ScrollItemToTop(Item(2)));
}

TEST_F(ListBoxTest, AnItemOutsideAListCannotSelectItselfAndLeavesItsGroup) {
  Box* panel = new Box;
  auto* a = new ListContainerElement;
  auto* b = new ListContainerElement;
  a->SetAttribute(L"group", L"g");
  b->SetAttribute(L"group", L"g");
  panel->Add(a);
  panel->Add(b);
  static_cast<Box*>(window_.GetRoot())->Add(panel);
  a->SetSelected(true, true);
  EXPECT_FALSE(a->IsSelected());
  ASSERT_NE(nullptr, window_.GetOptionGroup(L"g"));
  EXPECT_EQ(2u, window_.GetOptionGroup(L"g")->size());
  panel->Remove(b);
  window_.DeleteDeferredControls();
  EXPECT_EQ(1u, window_.GetOptionGroup(L"g")->size());
}

}  // namespace
}  // namespace ui
