// Control: the base of every visible element of the framework. It adds to
// the place holder what a user can see and touch: enabled, mouse and
// keyboard flags, the hover/press state, colours, images, border, tooltip,
// data id, user data, the listener lists, the animations and the channel
// filter; the attribute parser every skin element goes through; event
// dispatch with listener order and climbing to the parent; geometry and the
// size estimate.
//
// A control is made detached, held by a std::unique_ptr until a box or a
// window takes it; box.h and window.h say who deletes it and when (never
// inside one of its own event handlers). UI thread only.
#ifndef UI_CORE_CONTROL_H_
#define UI_CORE_CONTROL_H_

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "ui/core/animation_set.h"
#include "ui/core/event_args.h"
#include "ui/core/image.h"
#include "ui/core/place_holder.h"
#include "ui/util/geometry.h"

namespace ui {

class IRenderContext;
class TimerManager;

enum ControlState {
  kControlStateNormal = 0,
  kControlStateHot = 1,
  kControlStatePushed = 2,
  kControlStateDisabled = 3,
};

enum CursorType {
  kCursorArrow = 0,
  kCursorHand = 1,
  kCursorIbeam = 2,
};

// Flags of FindControl.
constexpr UINT kFindVisible = 0x1;
constexpr UINT kFindEnabled = 0x2;
constexpr UINT kFindHitTest = 0x4;  // data points to a UiPoint
constexpr UINT kFindTopFirst = 0x8;
constexpr UINT kFindMeFirst = 0x80000000;

// A find predicate: answers the control to stop at, or null to go on.
using FindControlProc = Control* (*)(Control* control, void* data);

// The owner control and a colour name per state; a missing state is empty.
class StateColorMap {
 public:
  explicit StateColorMap(Control* owner) : owner_(owner) {}
  std::wstring GetColor(int state) const;
  void SetColor(int state, const std::wstring& color) { colors_[state] = color; }
  bool HasHotColor() const { return !GetColor(kControlStateHot).empty(); }
  // Fills the rectangle with the state's colour (hot cross-faded over
  // normal while the owner fades its hot state).
  void Paint(IRenderContext* render, const UiRect& rect, int state) const;

 private:
  Control* owner_;
  std::map<int, std::wstring> colors_;
};

// Owned data an application hangs on a control.
class UserDataBase {
 public:
  virtual ~UserDataBase() = default;
};

class Control : public PlaceHolder {
 public:
  Control();
  ~Control() override;

  // Geometry (the place holder's operations this class refines).
  UiSize EstimateSize(UiSize available) override;
  UiRect GetPos(bool contain_shadow = true) const override;
  void SetPos(UiRect rect) override;
  virtual Image* GetAutoSizeImage();
  virtual UiSize EstimateTextSize(UiSize available, bool* needs_re_estimate);
  virtual bool ContainsPoint(UiPoint pt) const;
  virtual Control* FindControl(FindControlProc proc, void* data, UINT flags,
                               UiPoint scroll_pos = {0, 0});
  virtual UiRect GetMargin() const { return margin_; }
  virtual void SetMargin(UiRect margin, bool dpi_scale = true);
  UiSize GetEstimatedSize() const { return estimated_size_; }

  // Attributes.
  virtual void SetAttribute(const std::wstring& name, const std::wstring& value);
  void ApplyClass(const std::wstring& classes);
  void ApplyAttributeList(const std::wstring& text);
  // The listener the markup's "Event" elements bind; always true.
  bool OnApplyAttributeList(const std::wstring& receiver,
                            const std::wstring& attributes, EventArgs* args);
  void SetChannel(const std::wstring& channels);
  const std::wstring& GetChannel() const { return channel_; }

  // Looks and data.
  void SetBkColor(const std::wstring& color);
  const std::wstring& GetBkColor() const { return bk_color_; }
  void SetStateColor(int state, const std::wstring& color);
  std::wstring GetStateColor(int state) const { return state_colors_.GetColor(state); }
  void SetBkImage(const std::wstring& text);
  const Image& GetBkImage() const { return bk_image_; }
  void SetStateImage(int kind, int state, const std::wstring& text);
  StateImageMap& GetStateImages() { return state_images_; }
  void SetBorderColor(const std::wstring& color);
  const std::wstring& GetBorderColor() const { return border_color_; }
  void SetBorderSize(int size);
  int GetBorderSize() const { return border_size_; }
  void SetBorderSides(UiRect sides);
  UiRect GetBorderSides() const { return border_sides_; }
  void SetBorderRound(UiSize round);
  UiSize GetBorderRound() const { return border_round_; }
  int GetState() const { return state_; }
  void SetState(int state);
  virtual int GetCursorType() const { return cursor_type_; }
  void SetCursorType(int type) { cursor_type_ = type; }
  virtual bool IsContextMenuEnabled() const { return menu_enabled_; }
  virtual void SetContextMenuEnabled(bool on) { menu_enabled_ = on; }
  virtual std::wstring GetDataId() const { return data_id_; }
  virtual void SetDataId(const std::wstring& id) { data_id_ = id; }
  virtual std::string GetDataIdUtf8() const;
  virtual void SetDataIdUtf8(const std::string& id);
  virtual UserDataBase* GetUserData() const { return user_data_.get(); }
  virtual void SetUserData(UserDataBase* data) { user_data_.reset(data); }
  bool IsBkImageAdaptLanguage() const { return bk_adapt_language_; }
  bool IsReceivePointer() const { return receive_pointer_; }
  bool IsNoFocus() const { return no_focus_; }

  // Animation targets: each stores and invalidates.
  void SetAlpha(int alpha);
  int GetAlpha() const { return alpha_; }
  void SetHotAlpha(int alpha);
  int GetHotAlpha() const { return hot_alpha_; }
  void SetRenderOffsetX(int x);
  void SetRenderOffsetY(int y);
  UiPoint GetRenderOffset() const { return render_offset_; }
  AnimationSet& GetAnimationSet() { return animations_; }

  // Tooltips.
  virtual std::wstring GetToolTipText() const;
  virtual std::string GetToolTipTextUtf8() const;
  virtual void SetToolTipText(const std::wstring& text);
  virtual void SetToolTipTextUtf8(const std::string& text);
  virtual void SetToolTipTextId(const std::wstring& id);
  virtual void SetToolTipTextIdUtf8(const std::string& id);
  virtual void SetToolTipWidth(int width);
  virtual int GetToolTipWidth() const { return tooltip_width_; }

  // State, visibility, focus.
  virtual void SetFadeVisible(bool visible);
  virtual void SetInnerVisible(bool visible);
  virtual void SetVisible(bool visible);
  virtual bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  virtual bool IsMouseEnabled() const { return mouse_enabled_; }
  virtual void SetMouseEnabled(bool on) { mouse_enabled_ = on; }
  virtual bool IsKeyboardEnabled() const { return keyboard_enabled_; }
  virtual void SetKeyboardEnabled(bool on) { keyboard_enabled_ = on; }
  virtual bool IsFocused() const { return focused_; }
  virtual void SetFocus();
  virtual bool IsTabStop() const { return true; }
  virtual bool IsMouseCaptured() const { return mouse_captured_; }
  virtual void SetMouseCaptured(bool captured) { mouse_captured_ = captured; }
  virtual bool IsActivatable() const;
  virtual void Activate() {}
  virtual void Deactivate() {}
  virtual bool HasHotStyle() const;
  bool IsButtonUpOnKillFocus() const { return button_up_on_kill_focus_; }
  void SetButtonUpOnKillFocus(bool on) { button_up_on_kill_focus_ = on; }

  // Events.
  void AttachEvent(int type, EventCallback callback);
  void AttachMarkupEvent(int type, EventCallback callback);
  virtual void SendEvent(EventArgs& args);
  void SendEventArgs(int type, WPARAM wparam = 0, LPARAM lparam = 0,
                     wchar_t key = 0, UiPoint pt = {0, 0}, float pressure = 0.0f);
  virtual void HandleEvent(EventArgs& args);
  virtual bool OnMouseEnter(EventArgs& args);
  virtual bool OnMouseLeave(EventArgs& args);
  virtual bool OnButtonDown(EventArgs& args);
  virtual bool OnButtonUp(EventArgs& args);

  // Painting. PaintBlended is the entry every parent uses: it applies the
  // control's alpha, clip, round corners, render offset and paint cache,
  // then Paint draws the fixed chain (background colour, background image,
  // state colour, state images, text, border) and PaintChildren the rest.
  virtual void PaintBlended(IRenderContext* render, const UiRect& paint_rect);
  virtual void Paint(IRenderContext* render, const UiRect& paint_rect);
  virtual void PaintChildren(IRenderContext* render, const UiRect& paint_rect) {}
  virtual void PaintBkColor(IRenderContext* render);
  virtual void PaintBkImage(IRenderContext* render);
  virtual void PaintStateColor(IRenderContext* render);
  virtual void PaintStateImage(IRenderContext* render);
  virtual void PaintText(IRenderContext* render) {}
  virtual void PaintBorder(IRenderContext* render);
  // The control's own paint buffer, made on first use; null when no render
  // factory can make one.
  IRenderContext* GetRenderCache();
  // Loads the image's picture when it has none: relative files lie under
  // the resource root and the window's skin folder; with the background's
  // language adaptation a "_<language>" variant is preferred when present.
  void ResolveImagePath(Image* image);
  // Draws one image in the control (its dest moved by the control's top
  // left); the modifier's keys override the image's own for this drawing;
  // fade -1 is the image's own. False when there is nothing to draw.
  bool DrawImage(IRenderContext* render, Image* image, const std::wstring& modifier = L"",
                 int fade = -1);
  virtual void LoadBkImage();
  virtual void UnloadBkImage();
  virtual void ClearImages();

  // The animated background (two or more frames): starts playing, or on a
  // timer tick shows the next frame.
  void PlayBkAnimation();
  // Stops on a frame: 0xFFFF the last, -1 the current one.
  void StopBkAnimation(int frame);
  // Stops on the last frame for good and runs the animation-end listeners.
  void FinishBkAnimation();
  // Listeners run when the background animation ends (key 1).
  void AttachAnimationEnd(int key, EventCallback callback);
  // The timer manager that paces the background animation; the process's
  // one unless set (tests drive their own).
  void SetTimerManager(TimerManager* timers) { timers_ = timers; }

 protected:
  // Width/height attribute semantics: below -2 skipped, -1, -2 and 0 taken
  // unchanged, a positive value DPI-scaled.
  void SetFixedWidthByAttribute(int cx);
  void SetFixedHeightByAttribute(int cy);
  // Refresh: an auto-sized control re-arranges, any other repaints.
  void Refresh();
  // Playing flag off, pending frame timers dropped.
  void StopBkAnimation();
  // Runs the listener lists of one map for a type and for kEventAll; each
  // present list replaces *result. False when the control died meanwhile.
  bool RunListeners(const EventMap& map, EventArgs& args, bool* result,
                    const std::weak_ptr<base::WeakFlag>& alive);
  // Hands an event to the parent's SendEvent (dropped without a parent).
  void Climb(EventArgs& args);
  void SendInternal(int type, WPARAM wparam, LPARAM lparam);

  EventMap markup_listeners_;
  EventMap listeners_;
  EventMap animation_end_listeners_;
  TimerManager* timers_ = nullptr;
  std::unique_ptr<UserDataBase> user_data_;
  bool menu_enabled_ = false;
  bool enabled_ = true;
  bool mouse_enabled_ = true;
  bool keyboard_enabled_ = true;
  bool focused_ = false;
  bool mouse_captured_ = false;
  bool in_resize_event_ = false;
  bool no_focus_ = false;
  bool clip_ = true;
  bool bk_auto_play_ = true;
  bool receive_pointer_ = true;
  bool button_up_on_kill_focus_ = false;
  bool bk_adapt_language_ = false;
  int border_size_ = 0;
  int tooltip_width_ = 300;
  int alpha_ = 255;
  int hot_alpha_ = 0;
  UiSize estimated_size_ = {0, 0};
  UiPoint render_offset_ = {0, 0};
  UiSize border_round_ = {0, 0};
  UiRect margin_ = {0, 0, 0, 0};
  UiRect paint_rect_ = {0, 0, 0, 0};
  UiRect border_sides_ = {0, 0, 0, 0};
  int cursor_type_ = kCursorArrow;
  int state_ = kControlStateNormal;
  std::wstring tooltip_text_;
  std::wstring tooltip_text_id_;
  std::wstring data_id_;
  std::wstring bk_color_;
  StateColorMap state_colors_;
  Image bk_image_;
  StateImageMap state_images_;
  std::wstring border_color_;
  base::WeakCallbackFlag animation_timer_flag_;
  AnimationSet animations_;
  std::wstring channel_;
};

}  // namespace ui

#endif  // UI_CORE_CONTROL_H_
