// Labels, buttons, check boxes, options, tab boxes and progress bars: their
// text painting, keyboard and mouse activation, selection events and groups,
// page switching with the slide on a test clock, and the progress fill.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/animation/animation_player.h"
#include "ui/animation/fake_timing.h"
#include "ui/controls/box_kinds.h"
#include "ui/controls/check_box.h"
#include "ui/controls/label.h"
#include "ui/controls/progress.h"
#include "ui/controls/tab_box.h"
#include "ui/core/window.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"

namespace ui {
namespace {

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kGrey = 0xFF808080;

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resources_.resources.colors = {{L"textdefaultcolor", kBlack},
                                   {L"textdefaultdisablecolor", kGrey},
                                   {L"red", kRed},
                                   {L"green", kGreen}};
    render_ = factory_.CreateRenderContext();
    render_->Resize(80, 40);
  }
  void PaintAlone(Control* control) {
    render_->Clear();
    control->Paint(render_.get(), UiRect{0, 0, 80, 40});
  }
  int Count(const UiRect& rect, uint32_t (*pick)(uint32_t)) {
    return ui_test::CountPixels(render_.get(), rect, [pick](uint32_t p) { return pick(p) != 0; });
  }
  // Logs every listed event of the control as "<tag>.<type>".
  void Record(Control* control, const std::string& tag) {
    for (int type : {kEventClick, kEventSelect, kEventUnselect}) {
      control->AttachEvent(type, [this, tag, type](EventArgs* args) {
        log_.push_back(tag + "." + std::to_string(type));
        return true;
      });
    }
  }
  // A press and release in the middle of the control.
  static void Click(Control* control) {
    const UiRect r = control->GetPos();
    for (int type : {kEventButtonDown, kEventButtonUp}) {
      EventArgs args;
      args.type = type;
      args.sender = control;
      args.mouse_point = UiPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      control->SendEvent(args);
    }
  }
  static void Key(Control* control, wchar_t key) {
    EventArgs args;
    args.type = kEventKeyDown;
    args.sender = control;
    args.key = key;
    control->SendEvent(args);
  }

  ui_test::ScopedTestResources resources_;
  RenderFactory_GdiPlus factory_;
  std::unique_ptr<IRenderContext> render_;
  std::vector<std::string> log_;
};

uint32_t AnyInk(uint32_t p) { return p >> 24; }
uint32_t RedInk(uint32_t p) {
  return ((p >> 16) & 0xFF) > 0x80 && ((p >> 8) & 0xFF) < 0x40 ? 1 : 0;
}
uint32_t DarkInk(uint32_t p) {
  return (p >> 24) > 0x80 && ((p >> 16) & 0xFF) < 0x40 ? 1 : 0;
}

TEST_F(ControlsTest, LabelTextInksOnlyItsRectangleInItsStateColour) {
  const UiRect box{10, 10, 60, 30};
  struct {
    const wchar_t* attributes;
    int state;
    uint32_t (*expected)(uint32_t);
    uint32_t (*absent)(uint32_t);
  } cases[] = {
      {L"text=\"Hello\"", kControlStateNormal, DarkInk, RedInk},
      {L"text=\"Hello\" hottextcolor=\"red\"", kControlStateHot, RedInk, nullptr},
      // Pushed without a pushed colour takes the hot one.
      {L"text=\"Hello\" hottextcolor=\"red\"", kControlStatePushed, RedInk, nullptr},
      {L"text=\"Hello\" disabledtextcolor=\"red\"", kControlStateDisabled, RedInk, DarkInk},
  };
  for (const auto& c : cases) {
    Label label;
    label.ApplyAttributeList(c.attributes);
    label.SetPos(box);
    label.SetState(kControlStateHot);  // as a press starts: hovered first
    label.SetState(c.state);
    PaintAlone(&label);
    EXPECT_GT(Count(box, c.expected), 5) << c.attributes << " " << c.state;
    if (c.absent) EXPECT_EQ(0, Count(box, c.absent)) << c.attributes << " " << c.state;
    EXPECT_EQ(0, ui_test::CountPixelsOutside(render_.get(), box,
                                             [](uint32_t p) { return p != 0; }))
        << c.attributes;
  }
  // A colour the table lacks draws nothing.
  Label unknown;
  unknown.ApplyAttributeList(L"text=\"Hello\" normaltextcolor=\"nosuch\"");
  unknown.SetPos(box);
  PaintAlone(&unknown);
  EXPECT_EQ(0, Count(UiRect{0, 0, 80, 40}, AnyInk));
}

TEST_F(ControlsTest, MisspeltFontIdDrawsWithTheDefaultFont) {
  GlobalResources& r = GlobalResources::Instance();
  r.RemoveAllFonts();
  r.colors[L"textdefaultcolor"] = kBlack;
  ASSERT_TRUE(r.AddFont(L"body", ui_test::kFace, 16, false, false, false, true));
  IRenderResources* previous = SetRenderResources(&r);
  for (const wchar_t* font : {L"body", L"nosuchfont"}) {
    Label label;
    label.ApplyAttributeList(L"text=\"Hello\"");
    label.SetFont(font);
    label.SetPos(UiRect{0, 0, 80, 40});
    PaintAlone(&label);
    EXPECT_GT(Count(UiRect{0, 0, 80, 40}, DarkInk), 5) << font;
  }
  SetRenderResources(previous);
  r.RemoveAllFonts();
  r.colors.clear();
}

TEST_F(ControlsTest, LabelSizesToItsTextAndFollowsItsTextId) {
  GlobalResources::Instance().SetTextLookup(
      [](const std::wstring& id) { return id == L"STR_OK" ? L"Okay" : L""; });
  Window window;
  HBox* root = new HBox;
  window.SetRoot(root);
  Label* label = new Label;
  label->ApplyAttributeList(L"textid=\"STR_OK\" textpadding=\"2,1,3,4\"");
  root->Add(label);
  EXPECT_EQ(L"Okay", label->GetText());
  const UiRect m = window.GetRenderContext()->MeasureText(L"Okay", L"", label->GetTextStyle());
  const UiSize size = label->EstimateSize(UiSize{500, 500});
  EXPECT_EQ(m.Width() + 5, size.cx);
  EXPECT_EQ(m.Height() + 5, size.cy);
  label->SetText(L"Other");
  EXPECT_EQ(L"Other", label->GetText());
  label->SetTextId(L"STR_OK", true);  // same id, text cleared
  EXPECT_EQ(L"Okay", label->GetText());
  GlobalResources::Instance().SetTextLookup(nullptr);

  // A multi-line auto label wraps at its available width only with a
  // stretching maximum width.
  const wchar_t kLong[] = L"several words that do not fit in one line";
  for (const wchar_t* max_width : {L"stretch", L"9999999"}) {
    Label* lines = new Label;
    lines->SetText(kLong);
    lines->SetAttribute(L"singleline", L"false");
    lines->SetAttribute(L"maxwidth", max_width);
    root->Add(lines);
    const UiSize wrapped = lines->EstimateSize(UiSize{60, 500});
    if (max_width == std::wstring(L"stretch")) {
      EXPECT_EQ(60, wrapped.cx);
      EXPECT_GT(wrapped.cy, 2 * m.Height());
    } else {
      EXPECT_GT(wrapped.cx, 60);
    }
  }

  LabelBox box;
  EXPECT_EQ(kSizeStretch, box.GetFixedWidth());
  EXPECT_EQ(kSizeAuto, label->GetFixedWidth());
}

TEST_F(ControlsTest, AlignWords) {
  struct {
    const wchar_t* value;
    uint32_t style;
  } cases[] = {
      {L"right top", DT_END_ELLIPSIS | DT_NOCLIP | DT_RIGHT | DT_SINGLELINE},
      {L"hcenter,vcenter", DT_END_ELLIPSIS | DT_NOCLIP | DT_CENTER | DT_VCENTER | DT_SINGLELINE},
      {L"left vcenter", DT_END_ELLIPSIS | DT_NOCLIP | DT_CENTER | DT_VCENTER | DT_SINGLELINE},
      {L"left", DT_END_ELLIPSIS | DT_NOCLIP},
      {L"bottom", DT_END_ELLIPSIS | DT_NOCLIP | DT_BOTTOM | DT_SINGLELINE},
  };
  for (const auto& c : cases) {
    Label label;
    label.SetAttribute(L"align", c.value);
    EXPECT_EQ(c.style, label.GetTextStyle()) << c.value;
  }
  EXPECT_EQ(kButtonTextStyle, Button().GetTextStyle());
}

TEST_F(ControlsTest, ButtonKeysAndMenuRequests) {
  Window window;
  HBox* root = new HBox;
  window.SetRoot(root);
  Button* button = new Button;
  root->Add(button);
  Record(button, "b");
  int menus = 0;
  root->SetContextMenuEnabled(true);
  root->AttachEvent(kEventMenu, [&menus](EventArgs*) {
    ++menus;
    return true;
  });
  Key(button, VK_SPACE);
  Key(button, VK_RETURN);
  Key(button, L'a');
  EXPECT_EQ((std::vector<std::string>{"b.41", "b.41"}), log_);
  EXPECT_TRUE(button->IsTabStop());

  button->SetEnabled(false);
  Key(button, VK_SPACE);
  EXPECT_EQ(2u, log_.size());
  EXPECT_FALSE(button->IsTabStop());

  // A menu request does not climb from a button whose menu is off.
  EventArgs menu;
  menu.type = kEventInternalMenu;
  menu.sender = button;
  button->SendEvent(menu);
  EXPECT_EQ(0, menus);
}

TEST_F(ControlsTest, CheckBoxTogglesWithoutClick) {
  Window window;
  HBox* root = new HBox;
  window.SetRoot(root);
  CheckBox* box = new CheckBox;
  box->ApplyAttributeList(L"width=\"20\" height=\"20\"");
  root->Add(box);
  root->SetPos(UiRect{0, 0, 40, 20});
  Record(box, "c");
  Click(box);
  Click(box);
  EXPECT_EQ((std::vector<std::string>{"c.42", "c.43"}), log_);
  log_.clear();
  box->SetSelected(true, false);  // quiet
  box->SetSelected(true, true);   // unchanged
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(box->IsSelected());
}

TEST_F(ControlsTest, SelectedDisabledCheckBoxDrawsTheDisabledTextColour) {
  CheckBox box;
  box.ApplyAttributeList(
      L"text=\"Hello\" selectedtextcolor=\"green\" disabledtextcolor=\"red\" selected=\"true\"");
  box.SetPos(UiRect{0, 0, 80, 40});
  PaintAlone(&box);
  auto green = [](uint32_t p) -> uint32_t { return ((p >> 8) & 0xFF) > 0x80 ? 1 : 0; };
  EXPECT_GT(Count(UiRect{0, 0, 80, 40}, green), 5);
  box.SetEnabled(false);
  PaintAlone(&box);
  EXPECT_EQ(0, Count(UiRect{0, 0, 80, 40}, green));
  EXPECT_GT(Count(UiRect{0, 0, 80, 40}, RedInk), 5);
}

TEST_F(ControlsTest, OptionGroupSelectsOneAtATime) {
  Window window;
  HBox* root = new HBox;
  window.SetRoot(root);
  Option* a = new Option;
  Option* b = new Option;
  Option* c = new Option;
  Option* loner = new Option;
  a->ApplyAttributeList(L"group=\"g\" selected=\"true\"");
  b->SetAttribute(L"group", L"g");
  c->ApplyAttributeList(L"group=\"g\" selected=\"true\"");  // from markup: no exclusivity yet
  loner->SetAttribute(L"group", L"other");
  for (Option* o : {a, b, c, loner}) {
    o->ApplyAttributeList(L"width=\"20\" height=\"20\"");
    root->Add(o);
  }
  root->SetPos(UiRect{0, 0, 80, 20});
  EXPECT_TRUE(a->IsSelected());
  EXPECT_TRUE(c->IsSelected());
  Record(a, "a");
  Record(b, "b");
  Record(c, "c");
  Record(loner, "l");

  Click(b);
  EXPECT_EQ((std::vector<std::string>{"b.41", "a.43", "c.43", "b.42"}), log_);
  EXPECT_FALSE(a->IsSelected());
  EXPECT_TRUE(b->IsSelected());
  EXPECT_FALSE(c->IsSelected());
  // Selecting the selected option again runs every step again.
  log_.clear();
  Click(b);
  EXPECT_EQ((std::vector<std::string>{"b.41", "a.43", "c.43", "b.42"}), log_);

  // Quiet unselection of an option still raises kEventUnselect.
  log_.clear();
  b->SetSelected(false, false);
  EXPECT_EQ((std::vector<std::string>{"b.43"}), log_);

  // Out of the group: later selections leave it alone.
  c->SetSelected(true, false);
  c->SetGroup(L"");
  log_.clear();
  Click(a);
  EXPECT_EQ((std::vector<std::string>{"a.41", "b.43", "a.42"}), log_);
  EXPECT_TRUE(c->IsSelected());
  EXPECT_EQ(2u, window.GetOptionGroup(L"g")->size());

  // Removal takes the option out of its group.
  root->Remove(b);
  window.DeleteDeferredControls();
  EXPECT_EQ(1u, window.GetOptionGroup(L"g")->size());
}

// Three visible pages under a window, each a box with one button.
class TabBoxTest : public ControlsTest {
 protected:
  void Build(const wchar_t* attributes, bool add_at) {
    root_ = new HBox;
    window_.SetRoot(root_);
    tabs_ = new TabBox;
    tabs_->SetTimerManager(&timers_.manager);
    tabs_->ApplyAttributeList(attributes);
    root_->Add(tabs_);
    for (int i = 0; i < 3; ++i) {
      pages_[i] = new Box;
      pages_[i]->Add(new Button);
      if (add_at)
        tabs_->AddAt(pages_[i], i);
      else
        tabs_->Add(pages_[i]);
    }
    root_->SetPos(UiRect{0, 0, 80, 40});
    // Laid out by hand: a Tab move need not wait for a paint.
    window_.ClearArrangePending();
    tabs_->AttachEvent(kEventSelect, [this](EventArgs* args) {
      log_.push_back(std::to_string(args->wparam) + "<-" + std::to_string(args->lparam));
      return true;
    });
  }
  // Which pages show: visible and opaque.
  std::string Showing() {
    std::string s;
    for (Box* page : pages_) s += page->IsVisible() && page->GetAlpha() == 255 ? '1' : '0';
    return s;
  }

  ui_test::ManualTimers timers_;
  Window window_;
  HBox* root_ = nullptr;
  TabBox* tabs_ = nullptr;
  Box* pages_[3] = {};
};

TEST_F(TabBoxTest, FirstVisiblePageOrSelectedIdShows) {
  struct {
    const wchar_t* attributes;
    bool add_at;
    int current;
    const char* showing;
  } cases[] = {
      {L"", true, 0, "100"},
      {L"", false, 0, "100"},
      {L"selectedid=\"1\"", false, 1, "010"},
      // The launcher appends its pages in order with AddAt.
      {L"selectedid=\"0\"", true, 0, "100"},
      {L"selectedid=\"1\"", true, 1, "010"},
      {L"selectedid=\"2\"", true, 2, "001"},
  };
  for (const auto& c : cases) {
    Build(c.attributes, c.add_at);
    EXPECT_EQ(c.current, tabs_->GetCurSel()) << c.attributes;
    EXPECT_EQ(c.showing, Showing()) << c.attributes;
  }
}

TEST_F(TabBoxTest, APageInsertedBeforeTheSelectedOneMovesItsIndexUp) {
  Build(L"", true);
  tabs_->SelectItem(1);
  Box* inserted = new Box;
  EXPECT_TRUE(tabs_->AddAt(inserted, 0));
  EXPECT_EQ(2, tabs_->GetCurSel());
  EXPECT_EQ("010", Showing());
  EXPECT_FALSE(inserted->IsVisible() && inserted->GetAlpha() == 255);
}

TEST_F(TabBoxTest, SelectingAndRemovingPages) {
  Build(L"", false);
  EXPECT_FALSE(tabs_->SelectItem(3));
  EXPECT_FALSE(tabs_->SelectItem(-1));
  window_.SetFocusControl(pages_[0]->GetItemAt(0));
  ASSERT_EQ(pages_[0]->GetItemAt(0), window_.GetFocusControl());
  EXPECT_TRUE(tabs_->SelectItem(1));
  EXPECT_TRUE(tabs_->SelectItem(1));
  EXPECT_EQ((std::vector<std::string>{"1<-0"}), log_);
  EXPECT_EQ("010", Showing());
  // Focus leaves the hidden page (the move to the next stop waits for the
  // window's next layout).
  EXPECT_EQ(nullptr, window_.GetFocusControl());

  tabs_->SelectItem(2);
  tabs_->Remove(pages_[2]);  // the selected page: page 0 takes over
  EXPECT_EQ(0, tabs_->GetCurSel());
  EXPECT_EQ("10", Showing().substr(0, 2));
  tabs_->SelectItem(1);
  tabs_->Remove(pages_[0]);  // before the selected one
  EXPECT_EQ(0, tabs_->GetCurSel());
  tabs_->RemoveAll();
  EXPECT_EQ(-1, tabs_->GetCurSel());
}

TEST_F(TabBoxTest, FadeSwitchSlidesThePagesAndHidesTheOldOneAtTheEnd) {
  Build(L"fadeswitch=\"true\"", false);
  tabs_->SelectItem(2);
  timers_.RunUntilIdle();
  log_.clear();

  // Back to page 0: it comes in from +width, page 2 leaves towards -width.
  tabs_->SelectItem(0);
  std::vector<int> incoming{pages_[0]->GetRenderOffset().x};
  std::vector<int> outgoing{pages_[2]->GetRenderOffset().x};
  while (timers_.wake.running && incoming.size() < 1000) {
    timers_.Pass(16);
    incoming.push_back(pages_[0]->GetRenderOffset().x);
    outgoing.push_back(pages_[2]->GetRenderOffset().x);
  }
  EXPECT_EQ(80, incoming.front());
  EXPECT_EQ(0, incoming.back());
  EXPECT_EQ(-80, outgoing.back());
  for (size_t i = 1; i < incoming.size(); ++i) EXPECT_LE(incoming[i], incoming[i - 1]);
  // The pages stay in the layout; the old one ends transparent and deaf.
  EXPECT_TRUE(pages_[2]->IsVisible());
  EXPECT_EQ(0, pages_[2]->GetAlpha());
  EXPECT_FALSE(pages_[2]->IsMouseEnabled());
  EXPECT_FALSE(pages_[2]->IsMouseChildEnabled());
  EXPECT_EQ("100", Showing());
  EXPECT_EQ((std::vector<std::string>{"0<-2"}), log_);
}

TEST_F(ControlsTest, ProgressFillsItsShareOfTheBar) {
  struct {
    const wchar_t* attributes;
    UiRect rect;
    double value;
    UiRect fill;  // relative to the control
  } cases[] = {
      {L"", {0, 0, 848, 12}, 50, {0, 0, 424, 12}},
      {L"hor=\"false\"", {0, 0, 10, 25}, 20, {0, 20, 10, 25}},
      {L"hor=\"TRUE\"", {0, 0, 10, 25}, 20, {0, 20, 10, 25}},  // only "true" is horizontal
      {L"min=\"5\" max=\"5\"", {0, 0, 60, 12}, 5.5, {0, 0, 30, 12}},
      {L"", {0, 0, 60, 12}, 250, {0, 0, 60, 12}},  // clamped
      {L"", {0, 0, 60, 12}, -3, {0, 0, 0, 12}},
  };
  for (const auto& c : cases) {
    Progress progress;
    progress.ApplyAttributeList(c.attributes);
    progress.SetPos(c.rect);
    progress.SetValue(c.value);
    render_->Clear();
    progress.PaintStateImage(render_.get());  // normalises first
    EXPECT_EQ(c.fill, progress.GetProgressRect()) << c.attributes << " " << c.value;
  }

  // The colour fills exactly the filled part.
  Progress bar;
  bar.ApplyAttributeList(L"progresscolor=\" green\" value=\"25\"");
  bar.SetPos(UiRect{0, 0, 80, 10});
  PaintAlone(&bar);
  EXPECT_EQ(20 * 10, ui_test::CountPixels(render_.get(), UiRect{0, 0, 80, 40},
                                          [](uint32_t p) { return p == kGreen; }));
  EXPECT_EQ(kGreen, ui_test::PixelAt(render_.get(), 19, 9));
  EXPECT_EQ(0u, ui_test::PixelAt(render_.get(), 20, 0));
}

TEST_F(ControlsTest, CircleProgressSweepsFromTheTop) {
  CircleProgress ring;
  ring.ApplyAttributeList(
      L"circlewidth=\"4\" bgcolor=\"red\" fgcolor=\"green\" value=\"25\"");
  EXPECT_FLOAT_EQ(90.0f, ring.GetSweepAngle());
  ring.SetPos(UiRect{0, 0, 40, 40});
  PaintAlone(&ring);
  // The value arc covers the top right quarter of the ring; the rest shows
  // the background colour.
  auto green = [](uint32_t p) { return ((p >> 8) & 0xFF) > 0x80 && ((p >> 16) & 0xFF) < 0x80; };
  EXPECT_GT(ui_test::CountPixels(render_.get(), UiRect{21, 0, 40, 19}, green), 10);
  EXPECT_EQ(0, ui_test::CountPixels(render_.get(), UiRect{0, 21, 19, 40}, green));
  EXPECT_GT(Count(UiRect{0, 21, 19, 40}, RedInk), 10);
  ring.SetAttribute(L"clockwise", L"false");
  EXPECT_FLOAT_EQ(-90.0f, ring.GetSweepAngle());
  EXPECT_FALSE(ring.HasIndicator());
}

}  // namespace
}  // namespace ui
