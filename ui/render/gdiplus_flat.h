// The GDI+ flat API (gdiplus.dll's exports) for the render sources. Private
// to ui/render: only its .cc files include it.
#ifndef UI_RENDER_GDIPLUS_FLAT_H_
#define UI_RENDER_GDIPLUS_FLAT_H_

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace ui {
namespace gp = Gdiplus::DllExports;
}  // namespace ui

#endif  // UI_RENDER_GDIPLUS_FLAT_H_
