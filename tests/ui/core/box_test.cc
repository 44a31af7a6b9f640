// Box: adding and removing children, ownership, selection search, hit tests
// and the estimate of an automatically sized box.
#include <gtest/gtest.h>

#include <memory>

#include "ui/core/recording.h"
#include "ui/core/window.h"
#include "ui/layout/layout.h"

namespace ui {
namespace {

class Counted : public Control {
 public:
  explicit Counted(int* deaths) : deaths_(deaths) {}
  ~Counted() override { ++*deaths_; }

 private:
  int* deaths_;
};

// A selectable list element stand-in for the search.
class Selectable : public Control, public ISelectableItem {};

TEST(Box, AControlHasOneHolder) {
  int deaths = 0;
  {
    Box first;
    Box second;
    Control* child = new Counted(&deaths);
    EXPECT_TRUE(first.Add(child));
    EXPECT_FALSE(first.Add(child));
    EXPECT_FALSE(first.AddAt(child, 0));
    EXPECT_FALSE(second.Add(child));
    EXPECT_EQ(1, first.GetCount());
    EXPECT_EQ(0, second.GetCount());
    EXPECT_FALSE(first.Add(nullptr));
    Control* stray = new Counted(&deaths);
    EXPECT_FALSE(first.AddAt(stray, 5));  // refused: still ours
    delete stray;
    EXPECT_EQ(1, deaths);
  }
  EXPECT_EQ(2, deaths);  // the held child died once, with its box
}

// The owning forms: a box or window takes a std::unique_ptr's control, and a
// control the box refuses dies at once instead of being left to the caller.
TEST(Box, OwningFormsTakeTheControlOrDeleteIt) {
  int deaths = 0;
  {
    Window window;
    auto root = std::make_unique<Box>();
    Box* box = root.get();
    EXPECT_TRUE(window.SetRoot(std::move(root)));
    EXPECT_TRUE(box->Add(std::make_unique<Counted>(&deaths)));
    EXPECT_TRUE(box->AddAt(std::make_unique<Counted>(&deaths), 0));
    EXPECT_EQ(2, box->GetCount());
    EXPECT_FALSE(box->AddAt(std::make_unique<Counted>(&deaths), 9));
    EXPECT_EQ(1, deaths);  // the refused one
  }
  EXPECT_EQ(3, deaths);  // the two items, with the window's root
}

TEST(Box, NoLoops) {
  Box* outer = new Box;
  Box* inner = new Box;
  ASSERT_TRUE(outer->Add(inner));
  EXPECT_FALSE(inner->Add(outer));
  EXPECT_FALSE(inner->Add(inner));
  delete outer;
}

TEST(Box, ARemovedChildThatWasKeptMayMove) {
  int deaths = 0;
  Box first;
  Box second;
  first.SetDeleteOnRemove(false);
  Control* child = new Counted(&deaths);
  first.Add(child);
  EXPECT_TRUE(first.Remove(child));
  EXPECT_EQ(&first, child->GetParent());  // kept pointing at its old box
  EXPECT_TRUE(second.Add(child));
  EXPECT_EQ(&second, child->GetParent());
  EXPECT_EQ(0, deaths);
}

TEST(Box, RemoveAllWithAndWithoutDeletion) {
  int deaths = 0;
  Window window;
  Box* root = new Box;
  window.SetRoot(root);
  Box* keeper = new Box;
  root->Add(keeper);
  keeper->SetDeleteOnRemove(false);
  Control* a = new Counted(&deaths);
  Control* b = new Counted(&deaths);
  keeper->Add(a);
  keeper->Add(b);
  keeper->RemoveAll();
  EXPECT_EQ(0, keeper->GetCount());
  EXPECT_EQ(keeper, a->GetParent());
  EXPECT_EQ(&window, b->GetWindow());

  Box* owner = new Box;
  root->Add(owner);
  owner->Add(new Counted(&deaths));
  owner->Add(new Counted(&deaths));
  owner->RemoveAll();
  EXPECT_EQ(0, deaths);
  EXPECT_EQ(2u, window.GetDeferredDeleteCount());
  window.DeleteDeferredControls();
  EXPECT_EQ(2, deaths);
  delete a;
  delete b;
}

TEST(Box, AddingToAHiddenBoxHidesTheChildUntilTheBoxIsShown) {
  Box box;
  box.SetVisible(false);
  Control* child = new Control;
  box.Add(child);
  EXPECT_FALSE(child->IsVisible());
  box.SetVisible(true);
  EXPECT_TRUE(child->IsVisible());
}

TEST(Box, NextSelectable) {
  // Items: 0 plain, 1 selectable, 2 hidden selectable, 3 disabled selectable,
  // 4 selectable, 5 plain.
  Box box;
  box.Add(new Control);
  box.Add(new Selectable);
  box.Add(new Selectable);
  box.Add(new Selectable);
  box.Add(new Selectable);
  box.Add(new Control);
  box.GetItemAt(2)->SetVisible(false);
  box.GetItemAt(3)->SetEnabled(false);
  struct Case {
    int index;
    bool forward;
    int expected;
  } const cases[] = {
      {0, true, 1},  {2, true, 4},   {5, true, -1}, {99, true, -1},
      {-3, true, 1}, {3, false, 1},  {5, false, 4}, {0, false, 1},
      {99, false, 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, box.NextSelectable(c.index, c.forward))
        << c.index << (c.forward ? " forward" : " backward");
  Box empty;
  EXPECT_EQ(-1, empty.NextSelectable(0, true));
}

TEST(Box, ItemOrder) {
  Box box;
  Control* a = new Control;
  Control* b = new Control;
  Control* c = new Control;
  box.Add(a);
  box.Add(b);
  box.AddAt(c, 0);
  EXPECT_EQ((std::vector<Control*>{c, a, b}), box.GetItems());
  EXPECT_TRUE(box.SetItemIndex(c, 2));
  EXPECT_FALSE(box.SetItemIndex(c, 3));
  EXPECT_EQ((std::vector<Control*>{a, b, c}), box.GetItems());
  box.SwapChildren(a, c);
  EXPECT_EQ((std::vector<Control*>{c, b, a}), box.GetItems());
  EXPECT_TRUE(box.RemoveAt(1));
  EXPECT_FALSE(box.RemoveAt(2));
  EXPECT_EQ(-1, box.GetItemIndex(b));
}

Control* Self(Control* c, void*) { return c; }

TEST(Box, HitTests) {
  Box box;
  box.SetAttribute(L"padding", L"10,10,10,10");
  box.SetPos(UiRect{0, 0, 100, 100});
  Control* under = new Control;
  Control* over = new Control;
  box.Add(under);
  box.Add(over);
  under->SetPos(UiRect{10, 10, 90, 90});
  over->SetPos(UiRect{10, 10, 50, 50});

  UiPoint pt{20, 20};
  EXPECT_EQ(under, box.FindControl(Self, &pt, kFindHitTest));
  EXPECT_EQ(over, box.FindControl(Self, &pt, kFindHitTest | kFindTopFirst));
  EXPECT_EQ(&box, box.FindControl(Self, &pt, kFindHitTest | kFindMeFirst));
  over->SetMouseEnabled(false);
  EXPECT_EQ(under, box.FindControl(Self, &pt, kFindHitTest | kFindTopFirst));
  box.SetMouseChildEnabled(false);
  EXPECT_EQ(&box, box.FindControl(Self, &pt, kFindHitTest | kFindTopFirst));
  box.SetMouseChildEnabled(true);

  // A child reaching under the padding cannot be hit there, a float one can.
  Control* wide = new Control;
  box.Add(wide);
  wide->SetPos(UiRect{0, 0, 100, 100});
  UiPoint in_padding{5, 5};
  EXPECT_EQ(&box, box.FindControl(Self, &in_padding, kFindHitTest | kFindTopFirst));
  wide->SetAttribute(L"float", L"true");
  EXPECT_EQ(wide, box.FindControl(Self, &in_padding, kFindHitTest | kFindTopFirst));
  UiPoint outside{150, 5};
  EXPECT_EQ(nullptr, box.FindControl(Self, &outside, kFindHitTest));
}

TEST(Box, EmptyAutoSizedBoxEstimatesItsPadding) {
  Box box;
  box.SetAttribute(L"width", L"auto");
  box.SetAttribute(L"height", L"auto");
  box.SetAttribute(L"padding", L"3,4,5,6");
  EXPECT_EQ((UiSize{8, 10}), box.EstimateSize(UiSize{100, 100}));
  Control* hidden = new Control;
  hidden->SetFixedWidth(50);
  hidden->SetVisible(false);
  box.Add(hidden);
  box.ArrangeUpward();
  EXPECT_EQ((UiSize{8, 10}), box.EstimateSize(UiSize{100, 100}));
}

TEST(Box, ChildrenFollowEnabledAndWindow) {
  Window window;
  Box* root = new Box;
  Box* panel = new Box;
  Control* leaf = new Control;
  leaf->SetName(L"leaf");
  panel->Add(leaf);  // a detached subtree
  EXPECT_EQ(nullptr, leaf->GetWindow());
  window.SetRoot(root);
  root->Add(panel);
  EXPECT_EQ(&window, leaf->GetWindow());
  EXPECT_EQ(leaf, window.FindControlByName(L"leaf"));
  panel->SetEnabled(false);
  EXPECT_FALSE(leaf->IsEnabled());
  EXPECT_EQ(kControlStateDisabled, leaf->GetState());
  panel->Remove(leaf);
  window.DeleteDeferredControls();
  EXPECT_EQ(nullptr, window.FindControlByName(L"leaf"));
}

TEST(Box, AttachingInitialisesEachControlOnce) {
  struct Counting : Control {
    explicit Counting(int* count) : count(count) {}
    void DoInit() override { ++*count; }
    int* count;
  };
  int inits = 0;
  Window window;
  Box* root = new Box;
  Box* panel = new Box;
  panel->Add(new Counting(&inits));
  root->Add(panel);
  root->Add(new Counting(&inits));
  EXPECT_EQ(0, inits);  // detached: nothing initialised yet
  window.SetRoot(root);
  EXPECT_EQ(2, inits);
  root->Add(new Counting(&inits));
  EXPECT_EQ(3, inits);
  Control* moved = panel->GetItemAt(0);
  panel->SetDeleteOnRemove(false);
  panel->Remove(moved);
  root->Add(moved);
  EXPECT_EQ(3, inits);
}

}  // namespace
}  // namespace ui
