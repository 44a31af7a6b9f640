#include "ui/layout/tile_layout.h"

#include <algorithm>
#include <cwchar>

#include "ui/core/box.h"
#include "ui/render/dpi_scale.h"
#include "ui/util/number_list.h"

namespace ui {

bool TileLayout::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"itemsize") {
    SetItemSize(ReadSize(value));
    return true;
  }
  if (name == L"columns") {
    SetColumns(static_cast<int>(wcstol(value.c_str(), nullptr, 10)));
    return true;
  }
  return Layout::SetAttribute(name, value);
}

void TileLayout::SetColumns(int columns) {
  if (columns <= 0) return;
  columns_ = columns;
  if (owner_) owner_->Arrange();
}

void TileLayout::SetItemSize(UiSize size) {
  size.cx = DpiScale::Instance()->ScaleInt(size.cx);
  size.cy = DpiScale::Instance()->ScaleInt(size.cy);
  if (size == item_size_) return;
  item_size_ = size;
  if (owner_) owner_->Arrange();
}

UiSize TileLayout::ArrangeChildren(const std::vector<Control*>& items, UiRect content) {
  const int W = content.Width();
  if (item_size_.cx > 0) columns_ = W / item_size_.cx;
  if (columns_ <= 0) columns_ = 1;
  const int cell_width = W / columns_;
  const int spare = W - cell_width * columns_;
  const int half = child_margin_ / 2;

  int x = content.left;
  int row_top = content.top;
  int index = 0;
  int row_height = 0;
  int extra = spare;
  int used_height = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    Control* child = items[i];
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatChild(child, content);
      continue;
    }
    int cell_right = x + cell_width;
    if (extra > 0) {
      ++cell_right;
      --extra;
    }

    if (index % columns_ == 0) {
      // The row is as tall as its tallest child, each measured in its cell.
      int column = 0;
      for (size_t k = i; k < items.size() && column < columns_; ++k) {
        Control* c = items[k];
        if (!c->IsVisible() || c->IsFloat()) continue;
        int cell = cell_width + (column < spare ? 1 : 0);
        bool edge = column == 0 || column == columns_ - 1;
        UiRect margin = c->GetMargin();
        int w = cell - margin.left - margin.right - (edge ? half : child_margin_);
        w = ClampWidth(c, w);
        UiSize est = c->EstimateSize(UiSize{w, 9999});
        int height = ClampHeight(c, est.cy);
        row_height = std::max(row_height, height + margin.top + margin.bottom);
        ++column;
      }
    }

    UiRect margin = child->GetMargin();
    int left = x + half + margin.left;
    int right = cell_right - half - margin.right;
    int top = row_top + margin.top;
    int bottom = row_top + row_height;
    UiSize est = child->EstimateSize(UiSize{right - left, bottom - top});
    int width = ClampWidth(child, est.cx == kSizeStretch ? right - left : est.cx);
    int height = ClampHeight(child, est.cy == kSizeStretch ? bottom - top : est.cy);
    int placed_left = (left + right - width) / 2;
    int placed_top = (top + bottom - height) / 2;
    child->SetPos(UiRect{placed_left, placed_top, placed_left + width, placed_top + height});
    used_height = row_top + row_height - content.top;

    ++index;
    if (index % columns_ == 0) {
      row_top += row_height + child_margin_;
      x = content.left;
      extra = spare;
      row_height = 0;
    } else {
      x = cell_right;
    }
  }
  return UiSize{W, used_height};
}

UiSize TileLayout::EstimateSizeByChildren(const std::vector<Control*>& items,
                                          UiSize available) {
  UiSize result{0, 0};
  if (owner_) result = owner_->Control::EstimateSize(available);
  result.cy = 0;
  if (item_size_.cx > 0 && owner_) columns_ = owner_->GetFixedWidth() / item_size_.cx;
  if (columns_ <= 0) columns_ = 1;
  int count = 0;
  for (Control* child : items)
    if (child->IsVisible()) ++count;
  if (count > 0) {
    int rows = (count + columns_ - 1) / columns_;
    result.cy += rows * items.front()->GetFixedHeight() + (rows - 1) * child_margin_ +
                 padding_.top + padding_.bottom;
  }
  return result;
}

}  // namespace ui
