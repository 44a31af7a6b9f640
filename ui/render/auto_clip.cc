#include "ui/render/auto_clip.h"

namespace ui {

AutoClip::AutoClip(IRenderContext* context, const UiRect& rect, bool clip) {
  if (!clip) return;
  context_ = context;
  clip_set_ = true;
  if (context_) context_->ClipRect(rect);
}

AutoClip::AutoClip(IRenderContext* context, const UiRect& rect, int32_t width, int32_t height,
                   bool clip) {
  if (!clip) return;
  context_ = context;
  clip_set_ = true;
  if (context_) context_->ClipRoundRect(rect, width, height);
}

AutoClip::~AutoClip() {
  if (clip_set_ && context_) context_->ResetClip();
}

}  // namespace ui
