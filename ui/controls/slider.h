// Slider: a progress bar with a thumb the player drags, clicks to or turns
// with the wheel; each finished change raises kEventValueChange. The bar is
// drawn inside the control shrunk by its padding and fills up to the
// thumb's centre.
//
// Owned like any control. UI thread only.
#ifndef UI_CONTROLS_SLIDER_H_
#define UI_CONTROLS_SLIDER_H_

#include <cstdint>
#include <map>
#include <string>

#include "ui/controls/progress.h"

namespace ui {

class Slider : public Progress {
 public:
  Slider();

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void ClearImages() override;
  void HandleEvent(EventArgs& args) override;
  void PaintStateImage(IRenderContext* render) override;
  UiRect GetProgressRect() override;

  // The thumb in window client coordinates.
  UiRect GetThumbRect() const;
  void SetThumbImage(int state, const std::wstring& text);

  int GetStep() const { return step_; }
  UiSize GetThumbSize() const { return thumb_size_; }
  const UiRect& GetBarPadding() const { return bar_padding_; }

 private:
  // The value under a point of the window, the ends of the track included.
  double ValueAt(UiPoint point) const;
  void RaiseValueChange();

  int step_ = 1;
  UiSize thumb_size_ = {10, 10};
  std::map<int, Image> thumb_images_;
  UiRect bar_padding_ = {0, 0, 0, 0};
};

}  // namespace ui

#endif  // UI_CONTROLS_SLIDER_H_
