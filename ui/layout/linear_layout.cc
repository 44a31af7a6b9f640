#include "ui/layout/linear_layout.h"

#include <algorithm>

#include "ui/core/box.h"

namespace ui {

namespace {

bool TakesPart(const Control* child) { return child->IsVisible() && !child->IsFloat(); }

// The axis along which a sequential layout puts its children one after the
// other (main), and the one across it.
struct Axis {
  bool vertical;
  int Main(UiSize s) const { return vertical ? s.cy : s.cx; }
  int Cross(UiSize s) const { return vertical ? s.cx : s.cy; }
  int MainMargins(const UiRect& m) const { return vertical ? m.top + m.bottom : m.left + m.right; }
  int CrossMargins(const UiRect& m) const {
    return vertical ? m.left + m.right : m.top + m.bottom;
  }
  int ClampMain(const Control* c, int v) const {
    return vertical ? ClampHeight(c, v) : ClampWidth(c, v);
  }
};

// How the extent that fixed children and gaps leave is shared by the
// stretch children: each gets `stretch`, the first `remainder` one more.
struct Share {
  int n = 0;
  int stretch = 0;
  int remainder = 0;
};

Share MeasureShare(const Axis& axis, const std::vector<Control*>& items, UiSize available,
                   int extent, int child_margin) {
  Share share;
  int fixed_total = 0;
  int stretch_count = 0;
  for (Control* child : items) {
    if (!TakesPart(child)) continue;
    ++share.n;
    UiSize est = child->EstimateSize(available);
    int margins = axis.MainMargins(child->GetMargin());
    if (axis.Main(est) == kSizeStretch) {
      ++stretch_count;
      fixed_total += margins;
    } else {
      fixed_total += axis.ClampMain(child, axis.Main(est)) + margins;
    }
  }
  fixed_total += child_margin * (share.n - 1);
  if (stretch_count > 0) share.stretch = std::max(0, (extent - fixed_total) / stretch_count);
  share.remainder = extent - share.stretch * stretch_count - fixed_total;
  return share;
}

// A stretch child's share, with one of the remainder's pixels while any is left.
int TakeShare(Share* share) {
  if (share->remainder <= 0) return share->stretch;
  --share->remainder;
  return share->stretch + 1;
}

// Children summed along the axis, the largest across it, gaps and padding.
UiSize EstimateAlong(const Axis& axis, const std::vector<Control*>& items, UiSize available,
                     int child_margin, const UiRect& padding) {
  int main = 0;
  int cross = 0;
  int n = 0;
  for (Control* child : items) {
    if (!TakesPart(child)) continue;
    ++n;
    UiSize est = child->EstimateSize(available);
    UiSize clamped{ClampWidth(child, est.cx), ClampHeight(child, est.cy)};
    UiRect margin = child->GetMargin();
    main += axis.Main(clamped) + axis.MainMargins(margin);
    cross = std::max(cross, axis.Cross(clamped) + axis.CrossMargins(margin));
  }
  if (n >= 2) main += child_margin * (n - 1);
  UiSize result = axis.vertical ? UiSize{cross, main} : UiSize{main, cross};
  result.cx += padding.left + padding.right;
  result.cy += padding.top + padding.bottom;
  return result;
}

}  // namespace

UiSize HLayout::ArrangeChildren(const std::vector<Control*>& items, UiRect content) {
  const int W = content.Width();
  const int H = content.Height();

  Share share = MeasureShare(Axis{false}, items, UiSize{W, H}, W, child_margin_);

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
    int width = est.cx == kSizeStretch ? TakeShare(&share) : est.cx;
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
  return UiSize{total + child_margin_ * (share.n - 1), tallest};
}

UiSize HLayout::EstimateSizeByChildren(const std::vector<Control*>& items,
                                       UiSize available) {
  return EstimateAlong(Axis{false}, items, available, child_margin_, padding_);
}

UiSize VLayout::ArrangeChildren(const std::vector<Control*>& items, UiRect rect) {
  const int w = rect.Width();
  const int h = rect.Height();

  Share share = MeasureShare(Axis{true}, items, UiSize{w, h}, h, child_margin_);

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
    int height = est.cy == kSizeStretch ? TakeShare(&share) : est.cy;
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
  return UiSize{used_width, used_height + child_margin_ * (share.n - 1)};
}

UiSize VLayout::EstimateSizeByChildren(const std::vector<Control*>& items,
                                       UiSize available) {
  return EstimateAlong(Axis{true}, items, available, child_margin_, padding_);
}

}  // namespace ui
