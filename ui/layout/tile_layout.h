// TileLayout: the children in a grid of equal cells, each centred in its
// cell; a row is as tall as its tallest child. "itemsize" fixes the cell
// width (and so the column count), "columns" the column count.
#ifndef UI_LAYOUT_TILE_LAYOUT_H_
#define UI_LAYOUT_TILE_LAYOUT_H_

#include "ui/layout/layout.h"

namespace ui {

class TileLayout : public Layout {
 public:
  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  UiSize ArrangeChildren(const std::vector<Control*>& items, UiRect content) override;
  UiSize EstimateSizeByChildren(const std::vector<Control*>& items,
                              UiSize available) override;

  int GetColumns() const { return columns_; }
  void SetColumns(int columns);
  UiSize GetItemSize() const { return item_size_; }
  // Both values DPI-scaled.
  void SetItemSize(UiSize size);

 private:
  int columns_ = 1;
  UiSize item_size_ = {0, 0};
};

}  // namespace ui

#endif  // UI_LAYOUT_TILE_LAYOUT_H_
