// Layout: positions the children of one Box inside the box's content rect
// and estimates the size they need. The base layout stacks every child over
// the whole content rect, each by its own alignment and margin. It also
// holds the box's padding and child margin (attributes "padding" and
// "childmargin").
//
// Owned by its box; the owner pointer is set by the box. UI thread only.
#ifndef UI_LAYOUT_LAYOUT_H_
#define UI_LAYOUT_LAYOUT_H_

#include <windows.h>

#include <string>
#include <vector>

#include "ui/util/geometry.h"

namespace ui {

class Box;
class Control;

class Layout {
 public:
  Layout() = default;
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;
  virtual ~Layout() = default;

  // True when the layout took the attribute.
  virtual bool SetAttribute(const std::wstring& name, const std::wstring& value);
  virtual UiSize ArrangeChildren(const std::vector<Control*>& items, UiRect content);
  virtual UiSize EstimateSizeByChildren(const std::vector<Control*>& items,
                                      UiSize available);
  virtual UiRect GetPadding() const { return padding_; }
  virtual void SetPadding(UiRect padding, bool dpi_scale = true);
  virtual int GetChildMargin() const { return child_margin_; }
  virtual void SetChildMargin(int margin);

  // Places one child over the area by its margin, size and alignment.
  static UiSize PlaceFloatChild(Control* child, UiRect area);

  Box* GetOwner() const { return owner_; }
  void SetOwner(Box* owner) { owner_ = owner; }

 protected:
  UiRect padding_ = {0, 0, 0, 0};
  int child_margin_ = 0;
  Box* owner_ = nullptr;
};

// Clamps of a child's size by its own rules: the maximum width applies only
// when it is 0 or more, the maximum height always.
int ClampWidth(const Control* child, int width);
int ClampHeight(const Control* child, int height);

}  // namespace ui

#endif  // UI_LAYOUT_LAYOUT_H_
