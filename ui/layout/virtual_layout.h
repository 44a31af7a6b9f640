// VirtualLayout: the layout of a virtual list. While the list's data holds
// more elements than the list has element controls, the layout answers the
// whole data's height and lets the list bind its controls to the visible
// range; otherwise it arranges like VLayout.
#ifndef UI_LAYOUT_VIRTUAL_LAYOUT_H_
#define UI_LAYOUT_VIRTUAL_LAYOUT_H_

#include "ui/layout/linear_layout.h"

namespace ui {

// What a virtual list offers its layout.
class IVirtualLayoutHost {
 public:
  virtual ~IVirtualLayoutHost() = default;
  virtual int GetElementCount() const = 0;
  virtual int GetElementHeight() const = 0;
  virtual void ReArrangeChildren(bool force) = 0;
};

class VirtualLayout : public VLayout {
 public:
  UiSize ArrangeChildren(const std::vector<Control*>& items, UiRect content) override;
};

}  // namespace ui

#endif  // UI_LAYOUT_VIRTUAL_LAYOUT_H_
