#include "ui/layout/linear_layout.h"

#include <algorithm>

#include "ui/core/box.h"

namespace ui {

namespace {

bool TakesPart(const Control* child) { return child->IsVisible() && !child->IsFloat(); }

}  // namespace

UiSize HLayout::ArrangeChildren(const std::vector<Control*>& items, UiRect content) {
  const int W = content.Width();
  const int H = content.Height();

  int fixed_total = 0;
  int n = 0;
  int stretch_count = 0;
  for (Control* child : items) {
    if (!TakesPart(child)) continue;
    ++n;
    UiSize est = child->EstimateSize(UiSize{W, H});
    UiRect margin = child->GetMargin();
    if (est.cx == kSizeStretch) {
      ++stretch_count;
      fixed_total += margin.left + margin.right;
    } else {
      fixed_total += ClampWidth(child, est.cx) + margin.left + margin.right;
    }
  }
  fixed_total += child_margin_ * (n - 1);
  int stretch_width = 0;
  if (stretch_count > 0) stretch_width = std::max(0, (W - fixed_total) / stretch_count);
  int remainder = W - stretch_width * stretch_count - fixed_total;

  int x = content.left;
  int remaining = W;
  int total = 0;
  int tallest = 0;
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatChild(child, content);
      continue;
    }
    UiRect margin = child->GetMargin();
    remaining -= margin.left;
    UiSize est = child->EstimateSize(UiSize{remaining, H});
    int width = est.cx;
    if (width == kSizeStretch) {
      width = stretch_width;
      if (remainder > 0) {
        ++width;
        --remainder;
      }
    }
    width = ClampWidth(child, width);
    int height = est.cy == kSizeStretch ? H - margin.top - margin.bottom : est.cy;
    height = ClampHeight(child, std::max(height, 0));

    UiRect pos{x + margin.left, 0, x + margin.left + width, 0};
    switch (child->GetVerAlignType()) {
      case 0: pos.top = content.top + margin.top; break;
      case 2: pos.top = content.bottom - margin.bottom - height; break;
      case 1: pos.top = content.top + (H + margin.top - margin.bottom - height) / 2; break;
      default: pos.top = 0; height = 0; break;
    }
    pos.bottom = pos.top + height;
    child->SetPos(pos);

    x += margin.left + width + margin.right + child_margin_;
    total += margin.left + width + margin.right;
    remaining -= width + margin.right + child_margin_;
    tallest = std::max(tallest, height);
  }
  return UiSize{total + child_margin_ * (n - 1), tallest};
}

UiSize HLayout::EstimateSizeByChildren(const std::vector<Control*>& items,
                                       UiSize available) {
  UiSize result{0, 0};
  int n = 0;
  for (Control* child : items) {
    if (!TakesPart(child)) continue;
    ++n;
    UiSize est = child->EstimateSize(available);
    int width = ClampWidth(child, est.cx);
    int height = ClampHeight(child, est.cy);
    UiRect margin = child->GetMargin();
    result.cx += width + margin.left + margin.right;
    result.cy = std::max(result.cy, height + margin.top + margin.bottom);
  }
  if (n - 1 > 0) result.cx += (n - 1) * child_margin_;
  result.cx += padding_.left + padding_.right;
  result.cy += padding_.top + padding_.bottom;
  return result;
}

UiSize VLayout::ArrangeChildren(const std::vector<Control*>& items, UiRect rect) {
  const int w = rect.Width();
  const int h = rect.Height();

  int fixed_total = 0;
  int n = 0;
  int stretch_count = 0;
  for (Control* child : items) {
    if (!TakesPart(child)) continue;
    ++n;
    UiSize est = child->EstimateSize(UiSize{w, h});
    UiRect margin = child->GetMargin();
    if (est.cy == kSizeStretch) {
      ++stretch_count;
      fixed_total += margin.top + margin.bottom;
    } else {
      fixed_total += ClampHeight(child, est.cy) + margin.top + margin.bottom;
    }
  }
  fixed_total += child_margin_ * (n - 1);
  int stretch_height = 0;
  if (stretch_count > 0) stretch_height = std::max(0, (h - fixed_total) / stretch_count);
  int remainder = h - stretch_count * stretch_height - fixed_total;

  int y = rect.top;
  int remaining = h;
  int used_width = 0;
  int used_height = 0;
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatChild(child, rect);
      continue;
    }
    UiRect margin = child->GetMargin();
    UiSize est = child->EstimateSize(UiSize{w, remaining - margin.top});
    int height = est.cy;
    if (height == kSizeStretch) {
      height = stretch_height;
      if (remainder > 0) {
        ++height;
        --remainder;
      }
    }
    height = ClampHeight(child, height);
    int width = est.cx == kSizeStretch ? w - margin.left - margin.right : est.cx;
    width = ClampWidth(child, std::max(width, 0));

    UiRect pos;
    switch (child->GetHorAlignType()) {
      case 2:
        pos.right = rect.right - margin.right;
        pos.left = pos.right - width;
        break;
      case 1:
        pos.left = rect.left +
                   (margin.left - margin.right - width + rect.right - rect.left) / 2;
        pos.right = pos.left + width;
        break;
      default:
        pos.left = rect.left + margin.left;
        pos.right = pos.left + width;
        break;
    }
    pos.top = y + margin.top;
    pos.bottom = pos.top + height;
    child->SetPos(pos);

    y += margin.top + height + margin.bottom + child_margin_;
    used_height += margin.top + height + margin.bottom;
    remaining -= margin.top + height + margin.bottom + child_margin_;
    used_width = std::max(used_width, pos.right - pos.left);
  }
  return UiSize{used_width, used_height + child_margin_ * (n - 1)};
}

UiSize VLayout::EstimateSizeByChildren(const std::vector<Control*>& items,
                                       UiSize available) {
  UiSize result{0, 0};
  int n = 0;
  for (Control* child : items) {
    if (!TakesPart(child)) continue;
    ++n;
    UiSize est = child->EstimateSize(available);
    int width = ClampWidth(child, est.cx);
    int height = ClampHeight(child, est.cy);
    UiRect margin = child->GetMargin();
    result.cx = std::max(result.cx, margin.left + width + margin.right);
    result.cy += margin.top + height + margin.bottom;
  }
  if (n >= 2) result.cy += child_margin_ * (n - 1);
  result.cx += padding_.left + padding_.right;
  result.cy += padding_.top + padding_.bottom;
  return result;
}

}  // namespace ui
