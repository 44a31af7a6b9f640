// A scrolled list paints and hit-tests its items moved by the scroll
// position, and nothing over its padding.
#include <gtest/gtest.h>

#include "ui/controls/list_box.h"
#include "ui/layout/linear_layout.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"

namespace ui {
namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGrey = 0xFF808080;

TEST(ListBoxPaint, ScrolledItemsPaintAndHitWhereTheyShow) {
  ui_test::ScopedTestResources resources;
  resources.resources.colors = {
      {L"red", kRed}, {L"green", kGreen}, {L"blue", kBlue}, {L"grey", kGrey}};
  ListBox list(new VLayout);
  list.SetAttribute(L"bkcolor", L"grey");
  list.SetAttribute(L"padding", L"0,5,0,5");
  for (const wchar_t* color : {L"red", L"green", L"blue"}) {
    auto* item = new ListContainerElement;
    item->SetAttribute(L"height", L"20");
    item->SetAttribute(L"bkcolor", color);
    list.Add(item);
  }
  list.SetAttribute(L"vscrollbar", L"true");
  list.SetPos(UiRect{0, 0, 30, 50});
  ASSERT_EQ(20, list.GetScrollRange().cy);
  list.SetScrollPos(UiSize{0, 20});

  RenderFactory_GdiPlus factory;
  auto render = factory.CreateRenderContext();
  render->Resize(30, 50);
  list.PaintBlended(render.get(), UiRect{0, 0, 30, 50});
  EXPECT_EQ(kGrey, ui_test::PixelAt(render.get(), 10, 2));    // top padding
  EXPECT_EQ(kGreen, ui_test::PixelAt(render.get(), 10, 5));   // item 1 at the top
  EXPECT_EQ(kGreen, ui_test::PixelAt(render.get(), 10, 24));
  EXPECT_EQ(kBlue, ui_test::PixelAt(render.get(), 10, 25));
  EXPECT_EQ(kBlue, ui_test::PixelAt(render.get(), 10, 44));
  EXPECT_EQ(kGrey, ui_test::PixelAt(render.get(), 10, 47));   // bottom padding
  EXPECT_EQ(0, ui_test::CountPixels(render.get(), UiRect{0, 0, 30, 50},
                                    [](uint32_t p) { return p == kRed; }));

  auto self = [](Control* c, void*) -> Control* { return c; };
  UiPoint on_blue{10, 30};
  EXPECT_EQ(list.GetItemAt(2), list.FindControl(self, &on_blue, kFindHitTest | kFindTopFirst));
  // Item 0 lies under the top padding once scrolled: the list answers.
  UiPoint on_padding{10, 2};
  EXPECT_EQ(&list, list.FindControl(self, &on_padding, kFindHitTest | kFindTopFirst));
}

}  // namespace
}  // namespace ui
