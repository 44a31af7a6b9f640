// ChildBox: a box that loads the content of another skin file into itself
// when it is attached to a window ("xmlfile"), so one skin file can be
// reused inside another. A file that cannot be built leaves it empty.
//
// Owns what it loads, like any box. UI thread only.
#ifndef UI_CONTROLS_CHILD_BOX_H_
#define UI_CONTROLS_CHILD_BOX_H_

#include <string>

#include "ui/core/box.h"

namespace ui {

class ChildBox : public Box {
 public:
  ChildBox() = default;

  const std::wstring& GetChildXmlFile() const { return xml_file_; }
  void SetChildXmlFile(const std::wstring& file) { xml_file_ = file; }

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  // Loads the file once, the first time the box is initialised.
  void DoInit() override;

 private:
  std::wstring xml_file_;
};

}  // namespace ui

#endif  // UI_CONTROLS_CHILD_BOX_H_
