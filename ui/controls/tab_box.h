// TabBox: a box that shows one of its children (its pages) at a time; all
// pages share the box's content rectangle. Selecting a page hides the old
// one and shows the new one (or, with "fadeswitch", slides both sideways,
// the unselected pages staying laid out but transparent and deaf to the
// mouse) and raises kEventSelect (wParam the new index, lParam the old).
//
// Owns its pages like any box. UI thread only.
#ifndef UI_CONTROLS_TAB_BOX_H_
#define UI_CONTROLS_TAB_BOX_H_

#include <string>

#include "ui/core/box.h"
#include "ui/layout/layout.h"
#include "ui/layout/linear_layout.h"

namespace ui {

class TimerManager;

class TabBox : public Box {
 public:
  explicit TabBox(Layout* layout = nullptr) : Box(layout) {}

  using Box::Add;
  using Box::AddAt;
  bool Add(Control* control) override;
  bool AddAt(Control* control, int index) override;
  bool Remove(Control* control) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

  int GetCurSel() const { return current_; }
  bool IsFadeSwitch() const { return fade_switch_; }
  // False for an index out of range; true at once (no event) for the
  // current one.
  bool SelectItem(int index);
  // Mouse off (for a box, its children too), alpha 0, repaint.
  void HidePage(int index);

  // The timer manager that steps the slides; the process's one unless set
  // (tests drive their own).
  void SetTimerManager(TimerManager* timers) { timers_ = timers; }

 private:
  void ShowPage(Control* page, bool show);
  // Hides a page that is not the selected one, as Add does.
  void HideUnselected(Control* page);
  void Slide(Control* page, int from, int to, bool hide_at_end, int index);

  int current_ = -1;
  bool fade_switch_ = false;
  TimerManager* timers_ = nullptr;
};

class HTabBox : public TabBox {
 public:
  HTabBox() : TabBox(new HLayout) {}
};

class VTabBox : public TabBox {
 public:
  VTabBox() : TabBox(new VLayout) {}
};

}  // namespace ui

#endif  // UI_CONTROLS_TAB_BOX_H_
