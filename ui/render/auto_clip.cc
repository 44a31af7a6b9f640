#include "ui/render/auto_clip.h"

namespace ui {

AutoClip::AutoClip(IRenderContext* context, const UiRect& rect, bool clip) {
  if (!clip) return;
  context_ = context;
  clip_set_ = true;
  if (context_) context_->ClipRect(rect);
}

AutoClip::~AutoClip() {
  if (clip_set_ && context_) context_->ResetClip();
}

}  // namespace ui
