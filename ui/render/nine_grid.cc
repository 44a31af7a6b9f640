#include "ui/render/nine_grid.h"

#include <algorithm>

namespace ui {
namespace {

// One axis of the middle piece: the spans [begin, end) of the tiles in the
// destination and where each starts in the source. Not tiled (or a source
// middle of 0 or less): one span, stretched.
struct Span {
  int32_t dest_begin, dest_end, source_begin, source_end;
};

std::vector<Span> TileAxis(int32_t dest_begin, int32_t dest_end, int32_t source_begin,
                           int32_t source_end, bool tiled) {
  int32_t tile = source_end - source_begin;
  if (!tiled || tile <= 0) return {Span{dest_begin, dest_end, source_begin, source_end}};
  std::vector<Span> spans;
  for (int64_t at = dest_begin; at < dest_end; at += tile) {
    int32_t end = static_cast<int32_t>(std::min<int64_t>(at + tile, dest_end));
    int32_t begin = static_cast<int32_t>(at);
    spans.push_back(Span{begin, end, source_begin, source_begin + (end - begin)});
  }
  return spans;
}

}  // namespace

std::vector<ImagePiece> LayoutNineGrid(const UiRect& paint, const UiRect& D, const UiRect& S,
                                       const UiRect& C, const UiRect& d, bool x_tiled,
                                       bool y_tiled) {
  std::vector<ImagePiece> pieces;
  if (!paint.Intersects(D)) return pieces;
  auto add = [&](const UiRect& dest, const UiRect& source) {
    if (paint.Intersects(dest)) pieces.push_back(ImagePiece{dest, source});
  };

  UiRect middle{D.left + d.left, D.top + d.top, D.right - d.right, D.bottom - d.bottom};
  UiRect middle_source{S.left + C.left, S.top + C.top, S.right - C.right, S.bottom - C.bottom};
  if (paint.Intersects(middle)) {
    std::vector<Span> rows = TileAxis(middle.top, middle.bottom, middle_source.top,
                                      middle_source.bottom, y_tiled);
    std::vector<Span> columns = TileAxis(middle.left, middle.right, middle_source.left,
                                         middle_source.right, x_tiled);
    for (const Span& row : rows) {
      for (const Span& column : columns) {
        add(UiRect{column.dest_begin, row.dest_begin, column.dest_end, row.dest_end},
            UiRect{column.source_begin, row.source_begin, column.source_end, row.source_end});
      }
    }
  }

  if (C.left > 0 && C.top > 0)
    add({D.left, D.top, D.left + d.left, D.top + d.top},
        {S.left, S.top, S.left + C.left, S.top + C.top});
  if (C.top > 0)
    add({D.left + d.left, D.top, D.right - d.right, D.top + d.top},
        {S.left + C.left, S.top, S.right - C.right, S.top + C.top});
  if (C.right > 0 && C.top > 0)
    add({D.right - d.right, D.top, D.right, D.top + d.top},
        {S.right - C.right, S.top, S.right, S.top + C.top});
  if (C.left > 0)
    add({D.left, D.top + d.top, D.left + d.left, D.bottom - d.bottom},
        {S.left, S.top + C.top, S.left + C.left, S.bottom - C.bottom});
  if (C.right > 0)
    add({D.right - d.right, D.top + d.top, D.right, D.bottom - d.bottom},
        {S.right - C.right, S.top + C.top, S.right, S.bottom - C.bottom});
  if (C.left > 0 && C.bottom > 0)
    add({D.left, D.bottom - d.bottom, D.left + d.left, D.bottom},
        {S.left, S.bottom - C.bottom, S.left + C.left, S.bottom});
  if (C.bottom > 0)
    add({D.left + d.left, D.bottom - d.bottom, D.right - d.right, D.bottom},
        {S.left + C.left, S.bottom - C.bottom, S.right - C.right, S.bottom});
  if (C.right > 0 && C.bottom > 0)
    add({D.right - d.right, D.bottom - d.bottom, D.right, D.bottom},
        {S.right - C.right, S.bottom - C.bottom, S.right, S.bottom});
  return pieces;
}

}  // namespace ui
