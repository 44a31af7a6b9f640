// The geometry of nine-grid image drawing: which part of the source image
// goes where, shared by the GDI and the GDI+ drawing of the render context.
// Pure functions, any thread.
#ifndef UI_RENDER_NINE_GRID_H_
#define UI_RENDER_NINE_GRID_H_

#include <vector>

#include "ui/util/geometry.h"

namespace ui {

struct ImagePiece {
  UiRect dest;
  UiRect source;
  bool operator==(const ImagePiece& o) const { return dest == o.dest && source == o.source; }
};

// The pieces to draw, in drawing order: the middle (or its tiles), then the
// eight borders top-left, top, top-right, left, right, bottom-left, bottom,
// bottom-right. `corner` cuts the source; `dest_corner` (the corner scaled
// for the screen) cuts the destination. Pieces outside `paint` are left out.
// A tiled direction whose source middle is empty is stretched instead.
std::vector<ImagePiece> LayoutNineGrid(const UiRect& paint, const UiRect& dest,
                                       const UiRect& source, const UiRect& corner,
                                       const UiRect& dest_corner, bool x_tiled, bool y_tiled);

}  // namespace ui

#endif  // UI_RENDER_NINE_GRID_H_
