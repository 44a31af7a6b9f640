#include "ui/layout/virtual_layout.h"

#include <algorithm>
#include <cstdint>

#include "ui/core/box.h"

namespace ui {

UiSize VirtualLayout::ArrangeChildren(const std::vector<Control*>& items, UiRect content) {
  auto* host = dynamic_cast<IVirtualLayoutHost*>(owner_);
  if (host && host->GetElementCount() > static_cast<int>(items.size())) {
    int64_t height = static_cast<int64_t>(host->GetElementCount()) *
                     std::max(host->GetElementHeight(), 0);
    UiSize result{content.Width(), static_cast<int32_t>(std::min<int64_t>(height, INT32_MAX))};
    host->ReArrangeChildren(false);
    return result;
  }
  return VLayout::ArrangeChildren(items, content);
}

}  // namespace ui
