// PlaceHolder: the root of every element of a window's control tree. It holds
// the tree position (name, window, parent), the size rules the layouts read
// (fixed, minimum and maximum size, alignment, float), the rectangle, the two
// visibility flags and the arrange protocol by which a change of size or
// content schedules a new layout pass at the window's next paint.
//
// A place holder does not own its window or its parent; a box owns its
// children. UI thread only: each element is bound to the thread that made
// it, and the tree's operations check it (base/thread/thread_checker.h).
#ifndef UI_CORE_PLACE_HOLDER_H_
#define UI_CORE_PLACE_HOLDER_H_

#include <windows.h>

#include <memory>
#include <string>

#include "base/callback/weak_callback.h"
#include "base/thread/thread_checker.h"
#include "ui/util/geometry.h"

namespace ui {

class Box;
class Window;
class IRenderContext;

// Fixed-size values with a meaning of their own.
constexpr int kSizeStretch = -1;
constexpr int kSizeAuto = -2;
constexpr int kDefaultMaxSize = 9999999;

class PlaceHolder : public virtual base::SupportWeakCallback {
 public:
  PlaceHolder();
  PlaceHolder(const PlaceHolder&) = delete;
  PlaceHolder& operator=(const PlaceHolder&) = delete;
  ~PlaceHolder() override;

  virtual Window* GetWindow() const { return window_; }
  virtual void SetWindow(Window* window) { window_ = window; }
  // Stores window and parent; with init and a parent, Init runs.
  virtual void SetWindow(Window* window, Box* parent, bool init);
  // Runs DoInit the first time only.
  virtual void Init();
  virtual void DoInit() {}
  virtual bool IsVisible() const { return visible_ && inner_visible_; }
  // The fixed size; -1 in a dimension means stretch.
  virtual UiSize EstimateSize(UiSize available);
  virtual UiRect GetPos(bool contain_shadow = true) const { return rect_; }
  virtual void SetPos(UiRect rect);
  // ArrangeUpward for an auto-sized control, RequestArrange otherwise.
  virtual void Arrange();
  // Marks this control and every auto-sized ancestor for a new estimate and
  // asks the first ancestor of fixed or stretched size to arrange.
  virtual void ArrangeUpward();
  virtual void Invalidate();
  virtual void RequestArrange();

  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& name) { name_ = name; }
  Box* GetParent() const { return parent_; }

  int GetFixedWidth() const { return fixed_width_; }
  int GetFixedHeight() const { return fixed_height_; }
  // A value below -2 is ignored; a positive one is DPI-scaled when asked.
  void SetFixedWidth(int cx, bool arrange = true, bool dpi_scale = true);
  void SetFixedHeight(int cy, bool dpi_scale = true);
  bool IsAutoSized() const {
    return fixed_width_ == kSizeAuto || fixed_height_ == kSizeAuto;
  }

  int GetMinWidth() const { return min_width_; }
  int GetMinHeight() const { return min_height_; }
  int GetMaxWidth() const { return max_width_; }
  int GetMaxHeight() const { return max_height_; }
  // Plain setters for code; the attribute parser scales and re-arranges.
  void SetMinWidth(int v) { min_width_ = v; }
  void SetMinHeight(int v) { min_height_ = v; }
  void SetMaxWidth(int v) { max_width_ = v; }
  void SetMaxHeight(int v) { max_height_ = v; }

  int GetHorAlignType() const { return halign_; }
  int GetVerAlignType() const { return valign_; }
  void SetHorAlignType(int align) { halign_ = align; }
  void SetVerAlignType(int align) { valign_ = align; }

  bool IsFloat() const { return float_; }
  bool IsReEstimateSize() const { return size_dirty_; }
  void SetReEstimateSize(bool dirty) { size_dirty_ = dirty; }
  bool IsArranged() const { return !needs_arrange_; }
  bool NeedsArrange() const { return needs_arrange_; }
  bool IsInternVisible() const { return inner_visible_; }
  bool IsUseCache() const { return use_cache_; }
  bool IsCacheDirty() const { return cache_dirty_; }
  void SetCacheDirty(bool dirty) { cache_dirty_ = dirty; }

  // Scroll position of the nearest scrolling ancestor, (0, 0) without one
  // and for a float child of a vertically scrolling box.
  UiPoint GetScrollOffset() const;

 protected:
  std::wstring name_;
  Window* window_ = nullptr;
  Box* parent_ = nullptr;
  int fixed_width_ = kSizeStretch;
  int fixed_height_ = kSizeStretch;
  int min_width_ = -1;
  int min_height_ = -1;
  int max_width_ = kDefaultMaxSize;
  int max_height_ = kDefaultMaxSize;
  UiRect rect_ = {0, 0, 0, 0};
  int halign_ = 0;
  int valign_ = 0;
  bool float_ = false;
  bool size_dirty_ = true;
  bool visible_ = true;
  bool inner_visible_ = true;
  bool needs_arrange_ = true;
  bool use_cache_ = false;
  bool cache_dirty_ = false;
  bool inited_ = false;
  std::unique_ptr<IRenderContext> render_cache_;
  THREAD_CHECKER(thread_checker_);
};

}  // namespace ui

#endif  // UI_CORE_PLACE_HOLDER_H_
