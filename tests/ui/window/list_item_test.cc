// List items in a real window, driven by injected messages: a click
// selects through the list with the option's events, the selected item
// paints its selected colour, Space selects the focused item and Return
// raises kEventReturn, Tab moves between items, and a right click selects
// and asks for the menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/controls/list_box.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"
#include "ui/window/window_test_support.h"

namespace ui {
namespace {

using ui_test::CentreOf;
using ui_test::PixelAt;
using ui_test::Pump;
using ui_test::TestWindow;

constexpr uint32_t kPage = 0xFFF0F0F0;
constexpr uint32_t kSelected = 0xFF3366CC;

// Three items as the settings dialog's tab list draws them.
const wchar_t kSkin[] =
    L"<Window shadowattached=\"false\" size=\"200,120\">"
    L"<VBox bkcolor=\"page\">"
    L"<VListBox name=\"tabs\" height=\"90\">"
    L"<ListContainerElement name=\"i0\" height=\"30\" selectednormalcolor=\"selected\"/>"
    L"<ListContainerElement name=\"i1\" height=\"30\" selectednormalcolor=\"selected\"/>"
    L"<ListContainerElement name=\"i2\" height=\"30\" selectednormalcolor=\"selected\"/>"
    L"</VListBox></VBox></Window>";

class ListItemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resources_.resources.colors = {{L"page", kPage}, {L"selected", kSelected}};
    window_ = new TestWindow(kSkin);
    window_->gone = &gone_;
    window_->SetTimerManager(&timers_.manager);
    hwnd_ = window_->Open();
    ASSERT_TRUE(hwnd_);
    ui_test::PaintNow(hwnd_);
    list_ = dynamic_cast<ListBox*>(Named(L"tabs"));
    ASSERT_TRUE(list_);
    for (const wchar_t* name : {L"tabs", L"i0", L"i1", L"i2"}) Watch(Named(name));
  }
  void TearDown() override {
    if (!gone_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    Pump();
  }
  Control* Named(const wchar_t* name) { return window_->FindControlByName(name); }
  // Logs "name:type" for the events that tell selection and activation;
  // a select of the list also shows its wParam and lParam.
  void Watch(Control* control) {
    std::string name(control->GetName().begin(), control->GetName().end());
    control->AttachEvent(kEventAll, [this, name](EventArgs* args) {
      const int t = args->type;
      if (t != kEventClick && t != kEventSelect && t != kEventUnselect && t != kEventReturn &&
          t != kEventMenu && t != kEventDoubleClick)
        return true;
      std::string entry = name + ":" + std::to_string(t);
      if (name == "tabs" && t == kEventSelect)
        entry += " " + std::to_string(args->wparam) + "," + std::to_string(args->lparam);
      log_.push_back(entry);
      return true;
    });
  }
  LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam) {
    return ::SendMessageW(hwnd_, message, wparam, lparam);
  }
  void Click(Control* control) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(control));
    Send(WM_LBUTTONUP, 0, CentreOf(control));
  }
  void Key(WPARAM key) {
    Send(WM_KEYDOWN, key, 0);
    Send(WM_KEYUP, key, 0);
  }
  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(log_);
    return taken;
  }
  // The window's tree rendered off-screen (a hidden window paints
  // nothing on screen).
  uint32_t CentrePixel(const wchar_t* name) {
    auto render = RenderFactory_GdiPlus().CreateRenderContext();
    render->Resize(200, 120);
    const UiRect all{0, 0, 200, 120};
    window_->GetRoot()->Paint(render.get(), all);
    window_->GetRoot()->PaintChildren(render.get(), all);
    const UiRect r = Named(name)->GetPos();
    return PixelAt(render.get(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  bool Selected(const wchar_t* name) {
    return static_cast<ListContainerElement*>(Named(name))->IsSelected();
  }

  ui_test::ScopedTestResources resources_;
  ui_test::ManualTimers timers_;
  TestWindow* window_ = nullptr;
  HWND hwnd_ = nullptr;
  bool gone_ = false;
  ListBox* list_ = nullptr;
  std::vector<std::string> log_;
};

TEST_F(ListItemTest, AClickSelectsThroughTheListAndTheSelectedColourPaints) {
  EXPECT_EQ(kPage, CentrePixel(L"i1"));
  Click(Named(L"i1"));
  EXPECT_EQ(1, list_->GetCurSel());
  EXPECT_EQ((std::vector<std::string>{"i1:41", "i1:42", "tabs:42 1,-1"}), Take());
  EXPECT_EQ(kSelected, CentrePixel(L"i1"));

  Click(Named(L"i2"));
  EXPECT_EQ((std::vector<std::string>{"i2:41", "i1:43", "i2:42", "tabs:42 2,1"}), Take());
  EXPECT_FALSE(Selected(L"i1"));
  EXPECT_EQ(kPage, CentrePixel(L"i1"));
  EXPECT_EQ(kSelected, CentrePixel(L"i2"));

  // The selected item clicked again: the list unselects and selects it
  // again, as the option's rules have it.
  Click(Named(L"i2"));
  EXPECT_EQ((std::vector<std::string>{"i2:41", "i2:43", "i2:42", "tabs:42 2,2"}), Take());
  EXPECT_TRUE(Selected(L"i2"));
}

TEST_F(ListItemTest, SpaceSelectsReturnReportsAndTabMovesBetweenItems) {
  Click(Named(L"i0"));
  Take();
  ASSERT_EQ(Named(L"i0"), window_->GetFocusControl());
  Key(VK_TAB);
  EXPECT_EQ(Named(L"i1"), window_->GetFocusControl());
  EXPECT_EQ(0, list_->GetCurSel());

  Key(VK_SPACE);
  EXPECT_EQ(1, list_->GetCurSel());
  EXPECT_EQ((std::vector<std::string>{"i1:41", "i0:43", "i1:42", "tabs:42 1,0"}), Take());

  Key(VK_RETURN);
  EXPECT_EQ(1, list_->GetCurSel());
  EXPECT_EQ((std::vector<std::string>{"i1:45"}), Take());
}

TEST_F(ListItemTest, ARightClickSelectsAndAsksForTheMenu) {
  Control* item = Named(L"i2");
  Send(WM_RBUTTONDOWN, MK_RBUTTON, CentreOf(item));
  Send(WM_RBUTTONUP, 0, CentreOf(item));
  POINT screen{0, 0};
  const UiRect r = item->GetPos();
  screen.x = (r.left + r.right) / 2;
  screen.y = (r.top + r.bottom) / 2;
  ::ClientToScreen(hwnd_, &screen);
  Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd_), MAKELPARAM(screen.x, screen.y));
  EXPECT_EQ(2, list_->GetCurSel());
  EXPECT_EQ((std::vector<std::string>{"i2:42", "tabs:42 2,-1", "i2:23"}), Take());
}

TEST_F(ListItemTest, ADoubleClickIsReportedAndHidingTheSelectedItemLeavesNoSelection) {
  Control* item = Named(L"i1");
  Click(item);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, CentreOf(item));
  Send(WM_LBUTTONUP, 0, CentreOf(item));
  EXPECT_EQ((std::vector<std::string>{"i1:41", "i1:42", "tabs:42 1,-1", "i1:22"}), Take());
  // Without fade animations the item hides at once and leaves the list.
  item->SetFadeVisible(false);
  EXPECT_FALSE(item->IsVisible());
  EXPECT_EQ(-1, list_->GetCurSel());
  EXPECT_FALSE(Selected(L"i1"));
}

}  // namespace
}  // namespace ui
