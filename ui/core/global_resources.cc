#include "ui/core/global_resources.h"

namespace ui {

GlobalResources& GlobalResources::Instance() {
  static GlobalResources* instance = new GlobalResources();
  return *instance;
}

std::wstring GlobalResources::GetClassAttributes(const std::wstring& name) const {
  auto it = classes_.find(name);
  return it == classes_.end() ? std::wstring() : it->second;
}

std::wstring GlobalResources::GetText(const std::wstring& id) const {
  return text_lookup_ ? text_lookup_(id) : std::wstring();
}

}  // namespace ui
