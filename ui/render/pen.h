// IPen: a pen made by the render factory, drawn with through the render
// context. Cap, join and dash values are GDI+'s own enumeration values.
// Owned by whoever asked the factory for it. UI thread only.
#ifndef UI_RENDER_PEN_H_
#define UI_RENDER_PEN_H_

#include <cstdint>
#include <memory>

#include "base/callback/weak_callback.h"

namespace ui {

class IPen : public base::SupportWeakCallback {
 public:
  explicit IPen(uint32_t color) : color_(color) {}

  virtual std::unique_ptr<IPen> Clone() = 0;
  virtual void SetWidth(int32_t width) = 0;
  virtual int32_t GetWidth() = 0;
  virtual void SetColor(uint32_t color) = 0;
  virtual uint32_t GetColor() = 0;
  virtual void SetStartCap(int32_t cap) = 0;
  virtual void SetEndCap(int32_t cap) = 0;
  virtual void SetDashCap(int32_t cap) = 0;
  virtual int32_t GetStartCap() = 0;
  virtual int32_t GetEndCap() = 0;
  virtual int32_t GetDashCap() = 0;
  virtual void SetLineJoin(int32_t join) = 0;
  virtual int32_t GetLineJoin() = 0;
  virtual void SetDashStyle(int32_t style) = 0;
  virtual int32_t GetDashStyle() = 0;

 protected:
  uint32_t color_ = 0;
};

}  // namespace ui

#endif  // UI_RENDER_PEN_H_
