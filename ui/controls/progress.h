// Progress: a label that shows a value between a minimum and a maximum as
// the filled part of its rectangle, left to right or bottom to top, with a
// solid colour and/or a foreground image (stretched into the filled part or
// cut to it). CircleProgress adds a ring drawn with GDI+ arcs, an optional
// gradient and an indicator image that turns with the value.
//
// Owned like any control. UI thread only.
#ifndef UI_CONTROLS_PROGRESS_H_
#define UI_CONTROLS_PROGRESS_H_

#include <cstdint>
#include <string>

#include "ui/controls/label.h"

namespace Gdiplus {
class GpImage;
}  // namespace Gdiplus

namespace ui {

class Progress : public LabelTemplate<Control> {
 public:
  Progress();

  bool IsHorizontal() const { return horizontal_; }
  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  double GetValue() const { return value_; }
  void SetValue(double value) {
    value_ = value;
    Invalidate();
  }

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void ClearImages() override;
  void PaintStateImage(IRenderContext* render) override;
  // The filled part relative to the control's top left.
  virtual UiRect GetProgressRect();

 protected:
  // Puts minimum, maximum and value in order (the stored fields too).
  void Normalize();

  bool horizontal_ = true;
  bool stretch_fore_ = true;
  int max_ = 100;
  int min_ = 0;
  double value_ = 0;
  Image progress_image_;
  std::wstring progress_color_;
};

class CircleProgress : public Progress {
 public:
  CircleProgress() = default;
  ~CircleProgress() override;

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void ClearImages() override;
  void PaintStateImage(IRenderContext* render) override;

  // Degrees of the value arc from the top; negative counter-clockwise.
  float GetSweepAngle() const;
  bool HasIndicator() const { return indicator_ != nullptr; }
  void SetIndicator(const std::wstring& path);

 private:
  void DeleteIndicator();
  void Rotate(int rotate_flip_type);

  bool circular_ = true;
  bool clockwise_ = true;
  int ring_width_ = 1;
  uint32_t bk_color_argb_ = 0;
  uint32_t fg_color_argb_ = 0;
  uint32_t gradient_color_argb_ = 0;
  Gdiplus::GpImage* indicator_ = nullptr;
  std::wstring indicator_path_;
};

}  // namespace ui

#endif  // UI_CONTROLS_PROGRESS_H_
