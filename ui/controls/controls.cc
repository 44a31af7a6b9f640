// The label, button, check box and option templates are made here, once,
// over Control and over Box.
#include "ui/controls/check_box.h"
#include "ui/controls/label.h"

namespace ui {

template class LabelTemplate<Control>;
template class LabelTemplate<Box>;
template class ButtonTemplate<Control>;
template class ButtonTemplate<Box>;
template class CheckBoxTemplate<Control>;
template class CheckBoxTemplate<Box>;
template class OptionTemplate<Control>;
template class OptionTemplate<Box>;

}  // namespace ui
