#include "ui/render/nine_grid.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

const UiRect kEverywhere{-10000, -10000, 10000, 10000};

TEST(NineGrid, CornersDecideWhichPiecesAreDrawn) {
  // No corners: the middle only.
  auto pieces = LayoutNineGrid(kEverywhere, {0, 0, 100, 50}, {0, 0, 20, 20}, {}, {}, false, false);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0], (ImagePiece{{0, 0, 100, 50}, {0, 0, 20, 20}}));

  // Top and bottom only: middle, top, bottom.
  pieces = LayoutNineGrid(kEverywhere, {0, 0, 100, 50}, {0, 0, 20, 20}, {0, 8, 0, 8},
                          {0, 8, 0, 8}, false, false);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0], (ImagePiece{{0, 8, 100, 42}, {0, 8, 20, 12}}));
  EXPECT_EQ(pieces[1], (ImagePiece{{0, 0, 100, 8}, {0, 0, 20, 8}}));
  EXPECT_EQ(pieces[2], (ImagePiece{{0, 42, 100, 50}, {0, 12, 20, 20}}));

  // All corners, destination corners scaled: nine pieces, corners at the
  // scaled size cut from the unscaled source.
  pieces = LayoutNineGrid(kEverywhere, {10, 10, 110, 60}, {5, 5, 35, 35}, {10, 10, 10, 10},
                          {15, 15, 15, 15}, false, false);
  ASSERT_EQ(pieces.size(), 9u);
  EXPECT_EQ(pieces[1], (ImagePiece{{10, 10, 25, 25}, {5, 5, 15, 15}})) << "top-left";
  EXPECT_EQ(pieces[8], (ImagePiece{{95, 45, 110, 60}, {25, 25, 35, 35}})) << "bottom-right";
}

TEST(NineGrid, PiecesOutsideThePaintRectangleAreSkipped) {
  const UiRect dest{0, 0, 100, 100};
  auto pieces = LayoutNineGrid({0, 0, 5, 5}, dest, {0, 0, 30, 30}, {10, 10, 10, 10},
                               {10, 10, 10, 10}, false, false);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].dest, (UiRect{0, 0, 10, 10}));
  EXPECT_TRUE(LayoutNineGrid({200, 200, 300, 300}, dest, {0, 0, 30, 30}, {}, {}, false, false)
                  .empty());
}

TEST(NineGrid, TilingCutsTheLastTileAndItsSource) {
  // Middle 250 wide, source middle 100 wide: three tiles, the last 50 wide
  // from the first 50 source pixels.
  auto pieces = LayoutNineGrid(kEverywhere, {0, 0, 250, 40}, {0, 0, 100, 20}, {}, {}, true, false);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0], (ImagePiece{{0, 0, 100, 40}, {0, 0, 100, 20}}));
  EXPECT_EQ(pieces[2], (ImagePiece{{200, 0, 250, 40}, {0, 0, 50, 20}}));

  // Both directions: rows of columns, cut in the last row and column.
  pieces = LayoutNineGrid(kEverywhere, {0, 0, 25, 25}, {0, 0, 14, 14}, {2, 2, 2, 2},
                          {2, 2, 2, 2}, true, true);
  std::vector<ImagePiece> middle(pieces.begin(), pieces.begin() + 4);
  EXPECT_EQ(middle[0], (ImagePiece{{2, 2, 12, 12}, {2, 2, 12, 12}}));
  EXPECT_EQ(middle[1], (ImagePiece{{12, 2, 22, 12}, {2, 2, 12, 12}}));
  EXPECT_EQ(middle[2], (ImagePiece{{22, 2, 23, 12}, {2, 2, 3, 12}}));
  EXPECT_EQ(middle[3], (ImagePiece{{2, 12, 12, 22}, {2, 2, 12, 12}}));
  EXPECT_EQ(pieces.size(), 9u + 8u);
}

TEST(NineGrid, AnEmptySourceMiddleIsStretchedNotDividedBy) {
  // Corners eat the source's width: x falls back to one stretched column,
  // y still tiles in rows of 20.
  auto pieces = LayoutNineGrid(kEverywhere, {0, 0, 100, 100}, {0, 0, 20, 20}, {10, 0, 10, 0},
                               {10, 0, 10, 0}, true, true);
  ASSERT_GE(pieces.size(), 5u);
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(pieces[row], (ImagePiece{{10, row * 20, 90, row * 20 + 20}, {10, 0, 10, 20}}));
  }
  // Both ways: one piece.
  pieces = LayoutNineGrid(kEverywhere, {0, 0, 100, 100}, {0, 0, 20, 20}, {15, 15, 15, 15},
                          {15, 15, 15, 15}, true, true);
  ASSERT_FALSE(pieces.empty());
  EXPECT_EQ(pieces[0].dest, (UiRect{15, 15, 85, 85}));
  // A destination smaller than its corners has no middle.
  pieces = LayoutNineGrid(kEverywhere, {0, 0, 10, 10}, {0, 0, 30, 30}, {10, 10, 10, 10},
                               {10, 10, 10, 10}, true, false);
  for (const ImagePiece& p : pieces) EXPECT_FALSE(p.dest.IsEmpty());
}

}  // namespace
}  // namespace ui
