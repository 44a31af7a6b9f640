// What drawing needs of the process's resources: fonts by id, colours by
// name and the anti-aliased text switch. The global resources install their
// implementation at start-up; until one is installed text draws nothing and
// every named colour is 0. The installed object must outlive all drawing.
// UI thread only.
#ifndef UI_RENDER_RENDER_RESOURCES_H_
#define UI_RENDER_RENDER_RESOURCES_H_

#include <cstdint>
#include <string>

#include "ui/render/gdiplus_fwd.h"

namespace ui {

class IRenderResources {
 public:
  virtual ~IRenderResources() = default;
  // The GDI+ font of the font record under the id (empty: the default font),
  // or null when there is none.
  virtual Gdiplus::GpFont* GetGdiplusFont(const std::wstring& font_id) = 0;
  // The colour registered under the name; 0 for an unknown name.
  virtual uint32_t GetColor(const std::wstring& name) = 0;
  virtual bool TextAntiAlias() = 0;
};

// Installs the resources (null: none) and returns the ones before.
IRenderResources* SetRenderResources(IRenderResources* resources);
IRenderResources* GetRenderResources();

}  // namespace ui

#endif  // UI_RENDER_RENDER_RESOURCES_H_
