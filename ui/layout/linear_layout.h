// HLayout and VLayout: the sequential layouts. HLayout puts the visible,
// non-float children side by side, VLayout one under the other; fixed sizes
// are kept, stretch children share what is left equally (the first ones
// taking the remainder's extra pixels), and each child is placed across the
// axis by its own alignment. Float children are placed over the content.
#ifndef UI_LAYOUT_LINEAR_LAYOUT_H_
#define UI_LAYOUT_LINEAR_LAYOUT_H_

#include "ui/layout/layout.h"

namespace ui {

class HLayout : public Layout {
 public:
  UiSize ArrangeChildren(const std::vector<Control*>& items, UiRect content) override;
  UiSize EstimateSizeByChildren(const std::vector<Control*>& items,
                              UiSize available) override;
};

class VLayout : public Layout {
 public:
  UiSize ArrangeChildren(const std::vector<Control*>& items, UiRect content) override;
  UiSize EstimateSizeByChildren(const std::vector<Control*>& items,
                              UiSize available) override;
};

}  // namespace ui

#endif  // UI_LAYOUT_LINEAR_LAYOUT_H_
