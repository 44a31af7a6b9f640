#include "ui/core/window_shadow.h"

#include "ui/layout/layout.h"
#include "ui/render/dpi_scale.h"

namespace ui {

namespace {

constexpr UiSize kDefaultRound = {3, 3};

// A positive size grows by the margins; stretch and auto stay as they are.
int WithMargins(int size, int before, int after) {
  return size > 0 ? size + before + after : size;
}

}  // namespace

const wchar_t WindowShadow::kDefaultImage[] =
    L"file='../public/bk_shadow.png' corner='30,30,30,30'";

ShadowBox::ShadowBox() : Box(new Layout()) {}

void ShadowBox::Paint(IRenderContext* render, const UiRect& paint_rect) {
  const UiRect content = GetContentRect();
  const bool inside = paint_rect.left >= content.left && paint_rect.top >= content.top &&
                      paint_rect.right <= content.right && paint_rect.bottom <= content.bottom;
  if (!inside) Control::Paint(render, paint_rect);
}

WindowShadow::WindowShadow()
    : padding(DpiScale::Instance()->ScaleRect(corner)), saved_padding(padding) {}

std::unique_ptr<Control> WindowShadow::AttachToRoot(std::unique_ptr<Control> root) {
  if (!attached || !root) return root;
  auto shadow = std::make_unique<ShadowBox>();
  box = shadow.get();
  box->GetLayout()->SetPadding(padding, false);
  box->SetFixedWidth(WithMargins(root->GetFixedWidth(), padding.left, padding.right), true,
                     false);
  box->SetFixedHeight(WithMargins(root->GetFixedHeight(), padding.top, padding.bottom), false);
  if (default_image) root->SetBorderRound(kDefaultRound);
  box->Add(std::move(root));
  box->SetBkImage(image);
  return shadow;
}

void WindowShadow::Rescale() {
  padding = DpiScale::Instance()->ScaleRect(corner);
  saved_padding = padding;
  if (box) box->GetLayout()->SetPadding(corner, true);
}

void WindowShadow::ApplyPadding(const UiRect& new_padding, const UiSize& round) {
  padding = new_padding;
  if (!box) return;
  box->GetLayout()->SetPadding(padding, false);
  if (default_image) {
    if (Control* item = box->GetItemAt(0)) item->SetBorderRound(round);
  }
}

}  // namespace ui
