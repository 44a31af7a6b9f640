#include "ui/layout/layout.h"

#include <algorithm>
#include <cwchar>

#include "ui/core/box.h"
#include "ui/render/dpi_scale.h"
#include "ui/util/number_list.h"

namespace ui {

int ClampWidth(const Control* child, int width) {
  width = std::max(width, child->GetMinWidth());
  if (child->GetMaxWidth() >= 0) width = std::min(width, child->GetMaxWidth());
  return width;
}

int ClampHeight(const Control* child, int height) {
  height = std::max(height, child->GetMinHeight());
  return std::min(height, child->GetMaxHeight());
}

namespace {

// Places a span of `size` between lo and hi: 0 at the start, 1 centred, 2 at
// the end; any other alignment collapses it to (0, 0).
void AlignSpan(int align, int lo, int hi, int size, int32_t* start, int32_t* end) {
  switch (align) {
    case 0: *start = lo; break;
    case 1: *start = lo + (hi - size - lo) / 2; break;
    case 2: *start = hi - size; break;
    default: *start = *end = 0; return;
  }
  *end = *start + size;
}

}  // namespace

bool Layout::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"padding") {
    SetPadding(ReadRect(value), true);
    return true;
  }
  if (name == L"childmargin") {
    SetChildMargin(static_cast<int>(wcstol(value.c_str(), nullptr, 10)));
    return true;
  }
  return false;
}

void Layout::SetPadding(UiRect padding, bool dpi_scale) {
  if (dpi_scale) padding = DpiScale::Instance()->ScaleRect(padding);
  padding_ = padding;
  if (owner_) owner_->Arrange();
}

void Layout::SetChildMargin(int margin) {
  child_margin_ = DpiScale::Instance()->ScaleInt(margin);
  if (owner_) owner_->Arrange();
}

UiSize Layout::PlaceFloatChild(Control* child, UiRect area) {
  if (!child->IsVisible()) return UiSize{0, 0};
  UiRect margin = child->GetMargin();
  int left = area.left + margin.left;
  int right = area.right - margin.right;
  int top = area.top + margin.top;
  int bottom = area.bottom - margin.bottom;
  UiSize available{right - left, bottom - top};
  UiSize est = child->EstimateSize(available);

  // An auto-sized text wider than the area is measured again at the area's
  // width, so that it wraps.
  const int avail_w = std::max(available.cx, 0);
  if (child->GetFixedWidth() == kSizeAuto && child->GetFixedHeight() == kSizeAuto &&
      child->GetMaxWidth() == -1 && est.cx > avail_w) {
    child->SetFixedWidth(avail_w, false, true);
    est = child->EstimateSize(available);
    child->SetFixedWidth(kSizeAuto, false, true);
  }

  int width = est.cx == kSizeStretch ? avail_w : est.cx;
  width = ClampWidth(child, width);
  int height = est.cy == kSizeStretch ? std::max(available.cy, 0) : est.cy;
  height = ClampHeight(child, height);

  UiRect pos;
  AlignSpan(child->GetHorAlignType(), left, right, width, &pos.left, &pos.right);
  AlignSpan(child->GetVerAlignType(), top, bottom, height, &pos.top, &pos.bottom);
  child->SetPos(pos);
  return UiSize{pos.Width(), pos.Height()};
}

UiSize Layout::ArrangeChildren(const std::vector<Control*>& items, UiRect content) {
  UiSize result{0, 0};
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    UiSize placed = PlaceFloatChild(child, content);
    result.cx = std::max(result.cx, placed.cx);
    result.cy = std::max(result.cy, placed.cy);
  }
  return result;
}

UiSize Layout::EstimateSizeByChildren(const std::vector<Control*>& items,
                                      UiSize available) {
  UiSize result{-9999, -9999};
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    UiSize est = child->EstimateSize(available);
    int width = ClampWidth(child, est.cx);
    int height = ClampHeight(child, est.cy);
    UiRect margin = child->GetMargin();
    result.cx = std::max(result.cx, width + margin.left + margin.right);
    result.cy = std::max(result.cy, height + margin.top + margin.bottom);
  }
  // An empty (or only stretching) box needs nothing but its padding; a
  // negative answer would be read as "stretch" or shrink its neighbours.
  result.cx = std::max(result.cx, 0) + padding_.left + padding_.right;
  result.cy = std::max(result.cy, 0) + padding_.top + padding_.bottom;
  return result;
}

}  // namespace ui
