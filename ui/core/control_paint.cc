// How a control puts itself on a render context: the blended entry with its
// alpha, clips, render offset and paint cache; the fixed paint chain; image
// lookup with language variants and drawing; the animated background.
#include <shlwapi.h>

#include <algorithm>

#include "ui/animation/timer_manager.h"
#include "ui/core/box.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"
#include "ui/render/auto_clip.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory.h"
#include "ui/render/render_resources.h"

namespace ui {

namespace {

constexpr int kAnimationEndKey = 1;
constexpr int kLastFrame = 0xFFFF;

uint32_t ColorOf(const std::wstring& name) {
  IRenderResources* resources = GetRenderResources();
  return resources && !name.empty() ? resources->GetColor(name) : 0;
}

// Frame delays shorter than the screen can follow are slowed down, as
// browsers do with such GIFs.
uint32_t FrameDelayMs(const Image& image, int frame) {
  const int ms = image.GetInfo() ? image.GetInfo()->GetFrameDelayMs(frame) : 0;
  if (ms < 30) return 100;
  if (ms < 50) return 50;
  return static_cast<uint32_t>(ms);
}

bool HasFrameDelays(const Image& image) {
  return image.GetInfo() && !image.GetInfo()->frame_delays.empty();
}

}  // namespace

// ---- Blended paint -----------------------------------------------------------

IRenderContext* Control::GetRenderCache() {
  if (!render_cache_) {
    if (IRenderFactory* factory = GlobalResources::Instance().GetRenderFactory())
      render_cache_ = factory->CreateRenderContext();
  }
  return render_cache_.get();
}

void Control::PaintBlended(IRenderContext* render, const UiRect& paint_rect) {
  if (alpha_ == 0 || !IsVisible()) return;
  const UiRect area = UiRect::Intersect(paint_rect, rect_);
  if (area.IsEmpty()) return;
  const bool round = border_round_.cx > 0 || border_round_.cy > 0;

  if (alpha_ == 255 && !use_cache_) {
    AutoClip clip(render, rect_, clip_);
    AutoClip round_clip(render, rect_, border_round_.cx, border_round_.cy, round);
    const UiPoint origin = render->OffsetWindowOrg(render_offset_);
    Paint(render, paint_rect);
    PaintChildren(render, paint_rect);
    render->SetWindowOrg(origin);
    return;
  }

  const int w = rect_.Width();
  const int h = rect_.Height();
  IRenderContext* buffer = GetRenderCache();
  if (!buffer) return;
  if (buffer->Resize(w, h, true)) cache_dirty_ = true;
  const bool translucent = alpha_ != 255;
  if (cache_dirty_ || translucent) {
    buffer->Clear();
    {
      AutoClip clip(buffer, UiRect{0, 0, w, h}, clip_);
      AutoClip round_clip(buffer, UiRect{0, 0, w, h}, border_round_.cx, border_round_.cy, round);
      // The buffer starts empty: every image is blended onto it per pixel.
      const bool mode = buffer->SetTransparentMode(true);
      const UiPoint origin = buffer->OffsetWindowOrg(
          UiPoint{render_offset_.x + rect_.left, render_offset_.y + rect_.top});
      Paint(buffer, rect_);
      // A translucent control's own content is laid over its children.
      if (translucent) PaintChildren(render, paint_rect);
      buffer->SetWindowOrg(origin);
      buffer->SetTransparentMode(mode);
    }
    cache_dirty_ = false;
  }
  render->AlphaBlend(area.left, area.top, area.Width(), area.Height(), buffer->GetDC(),
                     area.left - rect_.left, area.top - rect_.top, area.Width(), area.Height(),
                     static_cast<uint8_t>(alpha_));
  if (translucent) {
    // Made anew on every paint.
    render_cache_.reset();
  } else {
    PaintChildren(render, paint_rect);
  }
}

void Control::Paint(IRenderContext* render, const UiRect& paint_rect) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  paint_rect_ = UiRect::Intersect(paint_rect, rect_);
  if (paint_rect_.IsEmpty()) return;
  PaintBkColor(render);
  PaintBkImage(render);
  PaintStateColor(render);
  PaintStateImage(render);
  PaintText(render);
  PaintBorder(render);
}

void Control::PaintBkColor(IRenderContext* render) {
  const uint32_t color = ColorOf(bk_color_);
  if (color == 0) return;
  // An opaque colour needs only the part being repainted; a translucent one
  // covers the whole control so that its blend is the same everywhere.
  render->FillRect(color >= 0xFF000000 ? paint_rect_ : rect_, color, 255);
}

void Control::PaintBkImage(IRenderContext* render) { DrawImage(render, &bk_image_); }

void Control::PaintStateColor(IRenderContext* render) {
  state_colors_.Paint(render, paint_rect_, state_);
}

void Control::PaintStateImage(IRenderContext* render) {
  state_images_.Paint(kStateImageBk, render, state_, L"");
  state_images_.Paint(kStateImageFore, render, state_, L"");
}

void StateColorMap::Paint(IRenderContext* render, const UiRect& rect, int state) const {
  const bool fade_hot = owner_->GetAnimationSet().GetPlayer(kAnimationHot) != nullptr;
  if (fade_hot && (state == kControlStateNormal || state == kControlStateHot) && HasHotColor()) {
    render->FillRectNamed(rect, GetColor(kControlStateNormal), 255);
    const int h = owner_->GetHotAlpha();
    if (h >= 1) render->FillRectNamed(rect, GetColor(kControlStateHot), static_cast<uint8_t>(h));
    return;
  }
  int pick = state;
  if (pick == kControlStatePushed && GetColor(pick).empty()) pick = kControlStateHot;
  if (pick == kControlStateHot && GetColor(pick).empty()) pick = kControlStateNormal;
  if (pick == kControlStateDisabled && GetColor(pick).empty()) pick = kControlStateNormal;
  const std::wstring color = GetColor(pick);
  if (!color.empty()) render->FillRectNamed(rect, color, 255);
}

void Control::PaintBorder(IRenderContext* render) {
  const uint32_t color = ColorOf(border_color_);
  if (color == 0) return;
  const UiRect& r = rect_;
  const UiRect& sides = border_sides_;
  if (sides.left > 0 || sides.top > 0 || sides.right > 0 || sides.bottom > 0) {
    // A one-pixel side ends a pixel earlier: its far end is inside the
    // rectangle.
    auto far_end = [](int end, int width) { return width == 1 ? end - 1 : end; };
    if (sides.left > 0) {
      const int w = sides.left;
      const int x = r.left + w / 2;
      render->DrawLine(UiRect{x, r.top, x, far_end(r.bottom, w)}, w, color);
    }
    if (sides.top > 0) {
      const int w = sides.top;
      const int y = r.top + w / 2;
      render->DrawLine(UiRect{r.left, y, far_end(r.right, w), y}, w, color);
    }
    if (sides.right > 0) {
      const int w = sides.right;
      const int x = r.right - (w + 1) / 2;
      render->DrawLine(UiRect{x, r.top, x, far_end(r.bottom, w)}, w, color);
    }
    if (sides.bottom > 0) {
      const int w = sides.bottom;
      const int y = r.bottom - (w + 1) / 2;
      render->DrawLine(UiRect{r.left, y, far_end(r.right, w), y}, w, color);
    }
    return;
  }
  const int s = border_size_;
  if (s <= 0) return;
  UiRect inner{r.left + s / 2, r.top + s / 2, r.right - s / 2, r.bottom - s / 2};
  if (s % 2 != 0) {
    inner.right -= 1;
    inner.bottom -= 1;
  }
  if (border_round_.cx > 0 || border_round_.cy > 0)
    render->DrawRoundRect(inner, border_round_, s, color);
  else
    render->DrawRect(inner, s, color);
}

void Box::PaintChildren(IRenderContext* render, const UiRect& paint_rect) {
  if (UiRect::Intersect(paint_rect, rect_).IsEmpty()) return;
  for (Control* item : items_)
    if (item->IsVisible()) item->PaintBlended(render, paint_rect);
}

// ---- Images --------------------------------------------------------------------

namespace {

// The full path of an image file: relative names lie under the resource
// root and the window's skin folder.
std::wstring FullImagePath(const std::wstring& file, const Window* window) {
  std::wstring path = file;
  if (PathIsRelativeW(path.c_str())) {
    path = GlobalResources::Instance().GetResourceRoot() +
           (window ? window->GetResourcePath() : std::wstring()) + path;
  }
  return GlobalResources::NormalizeSlashes(path);
}

}  // namespace

void Control::ResolveImagePath(Image* image) {
  if (image->IsLoaded()) return;
  GlobalResources& resources = GlobalResources::Instance();
  std::wstring path = FullImagePath(image->GetAttribute().file, window_);
  const std::wstring& language = resources.GetLanguage();
  const size_t dot = path.rfind(L'.');
  if (bk_adapt_language_ && !language.empty() && dot != std::wstring::npos) {
    // logo.png with "ko" is logo_ko.png, when the skin has one.
    std::wstring candidate = path.substr(0, dot) + L"_" + language + path.substr(dot);
    if (resources.ResourceExists(candidate)) path = candidate;
  }
  image->SetInfo(resources.GetImage(path));
}

bool Control::DrawImage(IRenderContext* render, Image* image, const std::wstring& modifier,
                        int fade) {
  if (!image->HasFile()) return false;
  ResolveImagePath(image);
  if (!image->IsLoaded()) {
    image->GetMutableAttribute().Reset();
    return false;
  }
  ImageAttribute attr = image->GetAttribute();
  if (!modifier.empty()) attr.Parse(modifier);

  UiRect dest = rect_;
  if (attr.HasFullDest()) {
    dest = attr.dest;
    dest.Offset(rect_.left, rect_.top);
  }
  const ImageInfo& info = *image->GetInfo();
  UiRect source = attr.source;
  if (source.left == -1 || source.top == -1 || source.right == -1 || source.bottom == -1) {
    source = UiRect{0, 0, info.width, info.height};
  } else {
    // Never read outside the picture.
    source = UiRect{std::clamp(source.left, 0, info.width), std::clamp(source.top, 0, info.height),
                    std::clamp(source.right, 0, info.width),
                    std::clamp(source.bottom, 0, info.height)};
  }

  if (bk_image_.GetFrameCount() >= 2 && bk_auto_play_ && !bk_image_.IsPlaying()) {
    PlayBkAnimation();
    return true;
  }
  const uint8_t alpha = fade == -1 ? attr.fade : static_cast<uint8_t>(std::clamp(fade, 0, 255));
  render->DrawImage(paint_rect_, image->GetCurrentBitmap(), info.alpha, dest, source, attr.corner,
                    alpha, attr.x_tiled, attr.y_tiled);
  return true;
}

void Control::LoadBkImage() {
  if (!bk_image_.HasFile()) return;
  const std::wstring path = FullImagePath(bk_image_.GetAttribute().file, window_);
  GlobalResources& resources = GlobalResources::Instance();
  const std::wstring key = resources.archive() ? GlobalResources::ArchivePath(path) : path;
  if (bk_image_.GetInfo() && bk_image_.GetInfo()->key == key) return;
  if (std::shared_ptr<ImageInfo> cached = resources.GetCachedImage(path))
    bk_image_.SetInfo(std::move(cached));
}

void Control::UnloadBkImage() { bk_image_.Unload(); }

// ---- Animated background ---------------------------------------------------------

void Control::AttachAnimationEnd(int key, EventCallback callback) {
  animation_end_listeners_[key].push_back(std::move(callback));
}

void Control::PlayBkAnimation() {
  Image& image = bk_image_;
  const int play_count = image.GetAttribute().play_count;
  const bool done = (play_count == 0 && !image.IsPlaying()) ||
                    (play_count > 0 && image.GetPlaysDone() >= play_count);
  if (image.GetFrameCount() < 2 || done) {
    StopBkAnimation();
    return;
  }
  TimerManager* timers = timers_ ? timers_ : TimerManager::Instance();
  auto tick = ToWeakCallback([this]() { PlayBkAnimation(); });

  if (!image.IsPlaying()) {
    image.SetCurrentFrame(0);
    animation_timer_flag_.Cancel();
    if (HasFrameDelays(image)) {
      image.SetPlaying(true);
      timers->AddTimer(animation_timer_flag_.GetWeakFlag(), tick, FrameDelayMs(image, 0), -1);
    }
    Invalidate();
    return;
  }

  const int frames = image.GetFrameCount();
  const uint32_t old_delay = HasFrameDelays(image) ? FrameDelayMs(image, image.GetCurrentFrame()) : 0;
  if (image.GetCurrentFrame() + 1 >= frames) {
    image.SetCurrentFrame(0);
    image.SetPlaysDone(image.GetPlaysDone() + 1);
  } else {
    image.AdvanceFrame();
  }
  const uint32_t new_delay = HasFrameDelays(image) ? FrameDelayMs(image, image.GetCurrentFrame()) : 0;
  if (play_count > 0 && image.GetPlaysDone() >= play_count) {
    FinishBkAnimation();
    Invalidate();
    return;
  }
  if (old_delay == 0 || new_delay == 0) {
    StopBkAnimation();
    return;
  }
  if (old_delay != new_delay) {
    animation_timer_flag_.Cancel();
    timers->AddTimer(animation_timer_flag_.GetWeakFlag(), tick, new_delay, -1);
  }
  Invalidate();
}

void Control::StopBkAnimation(int frame) {
  if (bk_image_.GetFrameCount() < 2) return;
  StopBkAnimation();
  if (frame == kLastFrame)
    bk_image_.SetCurrentFrame(bk_image_.GetFrameCount() - 1);
  else if (frame != -1)
    bk_image_.SetCurrentFrame(frame);
  Invalidate();
}

void Control::FinishBkAnimation() {
  bk_auto_play_ = false;
  StopBkAnimation(kLastFrame);
  auto it = animation_end_listeners_.find(kAnimationEndKey);
  if (it == animation_end_listeners_.end()) return;
  EventArgs args;
  args.type = kEventUnknown;
  args.sender = this;
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  InvokeEventCallbacks(it->second, &args, [&alive]() { return !alive.expired(); });
}

}  // namespace ui
