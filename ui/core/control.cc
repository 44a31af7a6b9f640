#include "ui/core/control.h"

#include <algorithm>

#include "ui/core/box.h"
#include "ui/core/event_dispatch.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"
#include "ui/render/dpi_scale.h"

namespace ui {

namespace {

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                              nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                        &out[0], n);
  return out;
}

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                              nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                        &out[0], n, nullptr, nullptr);
  return out;
}

UiRect UnionRect(const UiRect& a, const UiRect& b) {
  return UiRect{std::min(a.left, b.left), std::min(a.top, b.top),
                std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

}  // namespace

std::wstring StateColorMap::GetColor(int state) const {
  auto it = colors_.find(state);
  return it == colors_.end() ? std::wstring() : it->second;
}

Control::Control()
    : state_colors_(this),
      state_images_(this),
      animations_(this),
      channel_(L"AppStore") {}

Control::~Control() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (window_) window_->OnControlRemoved(this);
}

// ---- Geometry --------------------------------------------------------------

UiRect Control::GetPos(bool contain_shadow) const {
  UiRect pos = rect_;
  if (window_ && !contain_shadow && window_->IsShadowAttached()) {
    UiRect padding = window_->GetShadowPadding();
    pos.Offset(-padding.left, -padding.top);
  }
  return pos;
}

void Control::SetPos(UiRect rect) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (rect.right < rect.left) rect.right = rect.left;
  if (rect.bottom < rect.top) rect.bottom = rect.top;
  if (rect == rect_) {
    needs_arrange_ = false;
    return;
  }
  UiRect old = rect_.IsEmpty() ? rect : rect_;
  rect_ = rect;
  if (!window_) return;

  if (!in_resize_event_) {
    std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
    in_resize_event_ = true;
    SendEventArgs(kEventResize);
    if (alive.expired()) return;
    in_resize_event_ = false;
  }
  needs_arrange_ = false;

  UiRect area = UnionRect(old, rect_);
  UiPoint offset = GetScrollOffset();
  area.Offset(-offset.x, -offset.y);
  for (Box* p = parent_; p; p = p->GetParent()) {
    area = UiRect::Intersect(area, p->GetPos(true));
    if (area.IsEmpty()) return;
  }
  window_->InvalidateArea(area);
}

UiSize Control::EstimateSize(UiSize available) {
  UiSize size{fixed_width_, fixed_height_};
  if (size.cx != kSizeAuto && size.cy != kSizeAuto) return size;
  if (!size_dirty_) return estimated_size_;

  if (Image* image = GetAutoSizeImage()) {
    const ImageAttribute& attr = image->GetAttribute();
    if (attr.HasFullDest()) {
      // The destination is scaled when the image text is read.
      SetFixedWidth(attr.dest.right - attr.dest.left, true, false);
      SetFixedHeight(attr.dest.bottom - attr.dest.top, false);
      return UiSize{fixed_width_, fixed_height_};
    }
    // Otherwise the picture's own size, scaled; an image that cannot be
    // loaded contributes nothing and the text decides.
    ResolveImagePath(image);
    if (const std::shared_ptr<ImageInfo>& info = image->GetInfo()) {
      DpiScale* dpi = DpiScale::Instance();
      if (size.cx == kSizeAuto) size.cx = dpi->ScaleInt(info->width);
      if (size.cy == kSizeAuto) size.cy = dpi->ScaleInt(info->height);
    }
  }

  size_dirty_ = false;
  UiSize text = EstimateTextSize(available, &size_dirty_);
  if (fixed_width_ == kSizeAuto) size.cx = std::max(size.cx, text.cx);
  if (fixed_height_ == kSizeAuto) size.cy = std::max(size.cy, text.cy);
  estimated_size_ = size;
  return size;
}

Image* Control::GetAutoSizeImage() {
  if (bk_image_.HasFile()) return &bk_image_;
  return state_images_.GetEstimateImage(kStateImageBk);
}

UiSize Control::EstimateTextSize(UiSize available, bool* needs_re_estimate) {
  return UiSize{0, 0};
}

bool Control::ContainsPoint(UiPoint pt) const {
  UiPoint offset = GetScrollOffset();
  return rect_.Contains(UiPoint{pt.x + offset.x, pt.y + offset.y});
}

Control* Control::FindControl(FindControlProc proc, void* data, UINT flags,
                              UiPoint scroll_pos) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  if ((flags & kFindHitTest) &&
      (!mouse_enabled_ || !rect_.Contains(*static_cast<UiPoint*>(data))))
    return nullptr;
  return proc(this, data);
}

void Control::SetMargin(UiRect margin, bool dpi_scale) {
  if (dpi_scale) margin = DpiScale::Instance()->ScaleRect(margin);
  if (margin == margin_) return;
  margin_ = margin;
  ArrangeUpward();
}

void Control::SetFixedWidthByAttribute(int cx) {
  if (cx < kSizeAuto) return;
  if (cx > 0) cx = DpiScale::Instance()->ScaleInt(cx);
  if (cx == fixed_width_) return;
  fixed_width_ = cx;
  ArrangeUpward();
}

void Control::SetFixedHeightByAttribute(int cy) {
  if (cy < kSizeAuto) return;
  if (cy > 0) cy = DpiScale::Instance()->ScaleInt(cy);
  if (cy == fixed_height_) return;
  fixed_height_ = cy;
  ArrangeUpward();
}

void Control::Refresh() {
  if (IsAutoSized())
    ArrangeUpward();
  else
    Invalidate();
}

// ---- Looks and data --------------------------------------------------------

void Control::SetBkColor(const std::wstring& color) {
  if (color == bk_color_) return;
  bk_color_ = color;
  Invalidate();
}

void Control::SetStateColor(int state, const std::wstring& color) {
  if (state_colors_.GetColor(state) == color) return;
  if (state == kControlStateHot) animations_.SetFadeHot(true);
  state_colors_.SetColor(state, color);
  Invalidate();
}

void Control::StopBkAnimation() {
  bk_image_.SetPlaying(false);
  animation_timer_flag_.Cancel();
}

void Control::SetBkImage(const std::wstring& text) {
  if (bk_image_.GetFrameCount() > 1) {
    StopBkAnimation();
    Invalidate();
  }
  bk_image_.Reset();
  bk_image_.SetImageString(text);
  bk_auto_play_ = bk_image_.GetAttribute().play_count != 0;
  Refresh();
}

void Control::SetStateImage(int kind, int state, const std::wstring& text) {
  state_images_.SetImage(kind, state, text);
}

void Control::SetBorderColor(const std::wstring& color) {
  if (color == border_color_) return;
  border_color_ = color;
  Invalidate();
}

void Control::SetBorderSize(int size) {
  size = DpiScale::Instance()->ScaleInt(size);
  if (size != border_size_) {
    border_size_ = size;
    Invalidate();
  }
  border_sides_ = UiRect{0, 0, 0, 0};
  Invalidate();
}

void Control::SetBorderSides(UiRect sides) {
  border_sides_ = DpiScale::Instance()->ScaleRect(sides);
  Invalidate();
}

void Control::SetBorderRound(UiSize round) {
  border_round_.cx = DpiScale::Instance()->ScaleInt(round.cx);
  border_round_.cy = DpiScale::Instance()->ScaleInt(round.cy);
  Invalidate();
}

void Control::SetState(int state) {
  switch (state) {
    case kControlStateNormal:
      state_ = state;
      hot_alpha_ = 0;
      break;
    case kControlStateHot:
      state_ = state;
      hot_alpha_ = 255;
      break;
    case kControlStatePushed:
    case kControlStateDisabled:
      state_ = state;
      break;
    default:
      return;
  }
  Invalidate();
}

std::string Control::GetDataIdUtf8() const { return WideToUtf8(GetDataId()); }

void Control::SetDataIdUtf8(const std::string& id) { SetDataId(Utf8ToWide(id)); }

void Control::SetAlpha(int alpha) {
  alpha_ = alpha;
  Invalidate();
}

void Control::SetHotAlpha(int alpha) {
  hot_alpha_ = alpha;
  Invalidate();
}

void Control::SetRenderOffsetX(int x) {
  render_offset_.x = x;
  Invalidate();
}

void Control::SetRenderOffsetY(int y) {
  render_offset_.y = y;
  Invalidate();
}

void Control::ClearImages() {
  StopBkAnimation();
  bk_image_.Unload();
  for (int kind = kStateImageBk; kind <= kStateImageSelectedFore; ++kind) {
    state_images_.ClearCache(kind);
  }
}

// ---- Tooltips --------------------------------------------------------------

std::wstring Control::GetToolTipText() const {
  if (tooltip_text_.empty() && !tooltip_text_id_.empty())
    return GlobalResources::Instance().GetText(tooltip_text_id_);
  return tooltip_text_;
}

std::string Control::GetToolTipTextUtf8() const { return WideToUtf8(GetToolTipText()); }

void Control::SetToolTipText(const std::wstring& text) {
  std::wstring result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, L"<n>") == 0) {
      result += L"\r\n";
      i += 2;
    } else {
      result += text[i];
    }
  }
  tooltip_text_ = result;
  Invalidate();
}

void Control::SetToolTipTextUtf8(const std::string& text) {
  std::wstring wide = Utf8ToWide(text);
  if (wide.empty()) {
    tooltip_text_.clear();
    Invalidate();
    return;
  }
  if (wide == tooltip_text_) return;
  SetToolTipText(wide);
}

void Control::SetToolTipTextId(const std::wstring& id) {
  if (id == tooltip_text_id_) return;
  tooltip_text_id_ = id;
  Invalidate();
}

void Control::SetToolTipTextIdUtf8(const std::string& id) {
  SetToolTipTextId(Utf8ToWide(id));
}

void Control::SetToolTipWidth(int width) {
  tooltip_width_ = DpiScale::Instance()->ScaleInt(width);
}

// ---- State, visibility, focus ----------------------------------------------

void Control::SetFadeVisible(bool visible) {
  if (visible)
    animations_.Appear();
  else
    animations_.Disappear();
}

void Control::SetVisible(bool visible) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (visible_ == visible) return;
  bool was_visible = IsVisible();
  visible_ = visible;
  focused_ = false;
  if (!visible && window_ && window_->GetFocusControl() == this)
    window_->SetFocusControl(nullptr);
  if (was_visible != IsVisible()) ArrangeUpward();
  if (!IsVisible() && bk_image_.GetFrameCount() > 1) {
    StopBkAnimation();
    Invalidate();
  }
}

void Control::SetInnerVisible(bool visible) {
  inner_visible_ = visible;
  if (!visible && window_ && window_->GetFocusControl() == this)
    window_->SetFocusControl(nullptr);
  if (!IsVisible() && bk_image_.GetFrameCount() > 1) {
    StopBkAnimation();
    Invalidate();
  }
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (enabled) {
    state_ = kControlStateNormal;
    hot_alpha_ = 0;
  } else {
    state_ = kControlStateDisabled;
  }
  Invalidate();
}

void Control::SetFocus() {
  if (no_focus_ || !window_) return;
  window_->SetFocusControl(this);
}

bool Control::IsActivatable() const { return IsVisible() && IsEnabled(); }

bool Control::HasHotStyle() const {
  return state_colors_.HasHotColor() || state_images_.HasHotImage();
}

// ---- Events ----------------------------------------------------------------

void Control::AttachEvent(int type, EventCallback callback) {
  listeners_[type].push_back(std::move(callback));
}

void Control::AttachMarkupEvent(int type, EventCallback callback) {
  markup_listeners_[type].push_back(std::move(callback));
}

void Control::SendEventArgs(int type, WPARAM wparam, LPARAM lparam, wchar_t key,
                            UiPoint pt, float pressure) {
  EventArgs args;
  args.type = type;
  args.sender = this;
  args.time_stamp = GetTickCount();
  args.mouse_point = pt;
  if (pt.x == 0 && pt.y == 0 && window_) args.mouse_point = window_->GetLastMousePos();
  args.key = key;
  args.wparam = wparam;
  args.lparam = lparam;
  args.pressure = pressure;
  SendEvent(args);
}

bool Control::RunListeners(const EventMap& map, EventArgs& args, bool* result,
                           const std::weak_ptr<base::WeakFlag>& alive) {
  auto is_alive = [&alive]() { return !alive.expired(); };
  for (int type : {static_cast<int>(args.type), static_cast<int>(kEventAll)}) {
    auto it = map.find(type);
    if (it == map.end()) continue;
    *result = InvokeEventCallbacks(it->second, &args, is_alive);
    if (alive.expired()) return false;
  }
  return true;
}

void Control::SendEvent(EventArgs& args) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  EventDispatchScope scope;
  if (args.type < kEventUnknown || args.sender != this) {
    HandleEvent(args);
    return;
  }
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  bool result = true;
  if (!RunListeners(listeners_, args, &result, alive)) return;
  if (result && !RunListeners(markup_listeners_, args, &result, alive)) return;
  if (result) HandleEvent(args);
}

void Control::Climb(EventArgs& args) {
  if (parent_) parent_->SendEvent(args);
}

void Control::SendInternal(int type, WPARAM wparam, LPARAM lparam) {
  EventArgs args;
  args.type = type;
  args.sender = this;
  args.time_stamp = GetTickCount();
  if (window_) args.mouse_point = window_->GetLastMousePos();
  args.wparam = wparam;
  args.lparam = lparam;
  SendEvent(args);
}

namespace {

bool IsSelfOrAncestorOf(const Control* self, Control* control) {
  for (Control* c = control; c; c = c->GetParent())
    if (c == self) return true;
  return false;
}

}  // namespace

void Control::HandleEvent(EventArgs& args) {
  if (!mouse_enabled_ && IsMouseEventType(args.type)) {
    Climb(args);
    return;
  }
  switch (args.type) {
    case kEventSetCursor: {
      LPCWSTR cursor = nullptr;
      if (cursor_type_ == kCursorArrow)
        cursor = IDC_ARROW;
      else if (cursor_type_ == kCursorHand)
        cursor = enabled_ ? IDC_HAND : IDC_ARROW;
      else if (cursor_type_ == kCursorIbeam)
        cursor = IDC_IBEAM;
      if (cursor) {
        ::SetCursor(::LoadCursorW(nullptr, cursor));
        return;
      }
      break;
    }
    case kEventInternalSetFocus:
      if (enabled_) {
        hot_alpha_ = 255;
        state_ = kControlStateHot;
        focused_ = true;
        Invalidate();
      }
      return;
    case kEventInternalKillFocus:
      if (enabled_) {
        hot_alpha_ = 0;
        state_ = kControlStateNormal;
        focused_ = false;
        Invalidate();
      }
      return;
    case kEventInternalMenu:
      if (enabled_ && menu_enabled_) {
        SendInternal(kEventMenu, args.wparam, args.lparam);
        return;
      }
      break;
    case kEventMouseEnter:
      if (args.sender != this && window_ &&
          !IsSelfOrAncestorOf(this, window_->GetHoverControl()))
        return;
      OnMouseEnter(args);
      break;
    case kEventMouseLeave:
      if (args.sender != this && window_ &&
          IsSelfOrAncestorOf(this, window_->GetHoverControl()))
        return;
      OnMouseLeave(args);
      break;
    case kEventButtonDown:
    case kEventInternalDoubleClick:
      OnButtonDown(args);
      return;
    case kEventButtonUp:
      OnButtonUp(args);
      return;
    case kEventPointerDown:
      if (receive_pointer_) {
        OnButtonDown(args);
        return;
      }
      break;
    case kEventPointerUp:
      if (receive_pointer_) {
        OnButtonUp(args);
        return;
      }
      break;
    default:
      break;
  }
  Climb(args);
}

bool Control::OnMouseEnter(EventArgs& args) {
  if (!enabled_ || state_ != kControlStateNormal) return false;
  state_ = kControlStateHot;
  if (HasHotStyle()) {
    animations_.PlayHot(true);
    Invalidate();
  }
  return true;
}

bool Control::OnMouseLeave(EventArgs& args) {
  if (!enabled_ || state_ != kControlStateHot) return false;
  state_ = kControlStateNormal;
  if (HasHotStyle()) {
    animations_.PlayHot(false);
    Invalidate();
  }
  return true;
}

bool Control::OnButtonDown(EventArgs& args) {
  if (!enabled_) return false;
  state_ = kControlStatePushed;
  SetMouseCaptured(true);
  Invalidate();
  return true;
}

bool Control::OnButtonUp(EventArgs& args) {
  if (!IsMouseCaptured()) return false;
  SetMouseCaptured(false);
  if (ContainsPoint(args.mouse_point)) {
    bool pointer = args.type == kEventPointerUp;
    state_ = pointer ? kControlStateNormal : kControlStateHot;
    animations_.ClearHotCallback();
    Invalidate();
    SetHotAlpha(pointer ? 0 : 255);
    // Last: activation may raise events whose listeners remove this control.
    Activate();
    return true;
  }
  state_ = kControlStateNormal;
  hot_alpha_ = 0;
  Invalidate();
  return false;
}

}  // namespace ui
