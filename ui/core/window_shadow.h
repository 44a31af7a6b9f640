// The window shadow: a framework window whose shadow is attached gets its
// root wrapped in a ShadowBox, a box padded on each side by the shadow's
// thickness and painted with the shadow image, so that the visible window
// sits inside a transparent margin that carries the shadow.
//
// WindowShadow is a value inside its window; the shadow box it makes is
// owned by the window's tree (it becomes the root). UI thread only.
#ifndef UI_CORE_WINDOW_SHADOW_H_
#define UI_CORE_WINDOW_SHADOW_H_

#include <memory>
#include <string>

#include "ui/core/box.h"
#include "ui/util/geometry.h"

namespace ui {

class ShadowBox : public Box {
 public:
  ShadowBox();
  // Paints the shadow image only when the paint reaches the margin.
  void Paint(IRenderContext* render, const UiRect& paint_rect) override;
};

struct WindowShadow {
  static constexpr int kDefaultThickness = 14;
  static const wchar_t kDefaultImage[];

  WindowShadow();

  // The new root of the window: the root itself when no shadow is attached,
  // else a shadow box that owns it (`box` points at that box).
  std::unique_ptr<Control> AttachToRoot(std::unique_ptr<Control> root);
  // A new scale: the corner as written scaled again into the padding (and
  // the shadow box's padding).
  void Rescale();
  // Sets the shadow box's padding and its item's round corner for a
  // maximised (no shadow) or restored window.
  void ApplyPadding(const UiRect& padding, const UiSize& round);

  bool attached = true;
  bool default_image = true;
  std::wstring image = kDefaultImage;
  UiRect corner = {kDefaultThickness, kDefaultThickness, kDefaultThickness,
                   kDefaultThickness};  // as written
  UiRect padding;                       // the corner DPI-scaled
  UiRect saved_padding;                 // restored after maximising
  ShadowBox* box = nullptr;             // owned by the window's tree
};

}  // namespace ui

#endif  // UI_CORE_WINDOW_SHADOW_H_
