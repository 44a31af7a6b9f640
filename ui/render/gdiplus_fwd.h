// Names of the GDI+ flat-API object types, for headers that only pass them on.
#ifndef UI_RENDER_GDIPLUS_FWD_H_
#define UI_RENDER_GDIPLUS_FWD_H_

namespace Gdiplus {
class GpFont;
class GpGraphics;
class GpImage;
class GpStringFormat;
class GpPath;
}  // namespace Gdiplus

#endif  // UI_RENDER_GDIPLUS_FWD_H_
