// ListBox: a scrollable box whose items are selectable list elements. It
// keeps the current selection and the items' indexes through every
// insertion, removal and move, moves the selection with the keys (and the
// wheel when "scrollselect" is on) and scrolls the selected item into view.
//
// ListContainerElement is the list item: an option box that reports its
// selection to its list. Selecting it asks the list, which clears the old
// item and sets this one; a request to deselect does nothing (deselection
// comes from the list). It takes Space (activation: a click, then the
// selection) and Return (kEventReturn), and is a Tab stop.
//
// UI thread only.
#ifndef UI_CONTROLS_LIST_BOX_H_
#define UI_CONTROLS_LIST_BOX_H_

#include "ui/controls/check_box.h"
#include "ui/controls/scrollable_box.h"

namespace ui {

class IListOwner {
 public:
  virtual ~IListOwner() = default;
  virtual int GetCurSel() const = 0;
  virtual bool SelectItem(int index, bool take_focus, bool trigger) = 0;
  virtual void SendEvent(EventArgs& args) = 0;
  virtual void EnsureVisible(const UiRect& rect) = 0;
  virtual void StopScroll() = 0;
};

class ListContainerElement : public OptionTemplate<Box>, public ISelectableItem {
 public:
  ListContainerElement();

  int GetIndex() const { return index_; }
  void SetIndex(int index) { index_ = index; }
  IListOwner* GetOwner() const { return owner_; }
  void SetOwner(IListOwner* owner) { owner_ = owner; }
  // Raises kEventDoubleClick on the item.
  void InvokeDoubleClickEvent();

  // Only a request to select an enabled item does anything: it goes to the
  // list, without an owner nowhere.
  void SetSelected(bool selected, bool trigger) override;
  // A selected item that is hidden at once leaves its list with no
  // selection.
  void SetFadeVisible(bool visible) override;
  void HandleEvent(EventArgs& args) override;

 private:
  int index_ = -1;
  IListOwner* owner_ = nullptr;
};

class ListBox : public ScrollableBox, public IListOwner {
 public:
  explicit ListBox(Layout* layout = nullptr) : ScrollableBox(layout) {}

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void HandleEvent(EventArgs& args) override;
  void SendEvent(EventArgs& args) override { Box::SendEvent(args); }
  bool OnButtonDown(EventArgs& args) override;

  int GetCurSel() const override { return cur_sel_; }
  bool SelectItem(int index, bool take_focus, bool trigger) override;
  void EnsureVisible(const UiRect& rect) override;
  void StopScroll() override { StopScrollAnimation(); }

  using Box::Add;
  using Box::AddAt;
  bool Add(Control* control) override;
  bool AddAt(Control* control, int index) override;
  bool Remove(Control* control) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;
  bool SetItemIndex(Control* control, int new_index) override;

  bool ScrollItemToTop(Control* control);
  bool ScrollItemToTopByName(const std::wstring& name);
  Control* GetTopItem() const;

  bool IsScrollSelect() const { return scroll_select_; }
  void SetScrollSelect(bool on) { scroll_select_ = on; }
  bool IsSelectNextWhenActiveRemoved() const { return select_next_on_remove_; }
  void SetSelectNextWhenActiveRemoved(bool on) { select_next_on_remove_ = on; }

 private:
  // Gives the list elements from `from` to `to` their positions as indexes.
  void Renumber(int from, int to);
  bool SelectByKey(int index, bool forward);

  bool scroll_select_ = false;
  int cur_sel_ = -1;
  bool select_next_on_remove_ = true;
};

}  // namespace ui

#endif  // UI_CONTROLS_LIST_BOX_H_
