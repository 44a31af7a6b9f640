// AutoClip: a rectangular clip on a render context for the life of a scope
// (one paint step). Made with clip false it does nothing. The context must
// outlive the guard. UI thread only.
#ifndef UI_RENDER_AUTO_CLIP_H_
#define UI_RENDER_AUTO_CLIP_H_

#include "base/callback/weak_callback.h"
#include "ui/render/render_context.h"
#include "ui/util/geometry.h"

namespace ui {

class AutoClip : public base::SupportWeakCallback {
 public:
  AutoClip(IRenderContext* context, const UiRect& rect, bool clip = true);
  ~AutoClip() override;
  AutoClip(const AutoClip&) = delete;
  AutoClip& operator=(const AutoClip&) = delete;

 private:
  IRenderContext* context_ = nullptr;
  bool clip_set_ = false;
};

}  // namespace ui

#endif  // UI_RENDER_AUTO_CLIP_H_
