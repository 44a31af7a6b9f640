// The box kinds named by their layout: "HBox", "VBox", "TileBox". They add
// nothing to Box but the layout they are made with.
#ifndef UI_CONTROLS_BOX_KINDS_H_
#define UI_CONTROLS_BOX_KINDS_H_

#include "ui/core/box.h"
#include "ui/layout/linear_layout.h"
#include "ui/layout/tile_layout.h"

namespace ui {

class HBox : public Box {
 public:
  HBox() : Box(new HLayout) {}
};

class VBox : public Box {
 public:
  VBox() : Box(new VLayout) {}
};

class TileBox : public Box {
 public:
  TileBox() : Box(new TileLayout) {}
};

}  // namespace ui

#endif  // UI_CONTROLS_BOX_KINDS_H_
