#include "ui/controls/child_box.h"

#include "ui/core/global_resources.h"

namespace ui {

void ChildBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"xmlfile")
    xml_file_ = value;
  else
    Box::SetAttribute(name, value);
}

void ChildBox::DoInit() {
  if (xml_file_.empty()) return;
  Box* content = GlobalResources::Instance().CreateBoxFromFile(xml_file_, nullptr);
  if (content && Add(content)) return;
  delete content;
  RemoveAll();
}

}  // namespace ui
