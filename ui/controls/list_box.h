// ListBox: a scrollable box whose items are selectable list elements. It
// keeps the current selection and the items' indexes through every
// insertion, removal and move, moves the selection with the keys (and the
// wheel when "scrollselect" is on) and scrolls the selected item into view.
//
// ListContainerElement is the list item: a box with a selected flag, its
// index and its owner. PROVISIONAL in this form: it becomes the option
// template over Box when the option controls land; SetSelected(selected,
// trigger) stays the option's own operation and Selected() the one that
// goes through the list.
//
// UI thread only.
#ifndef UI_CONTROLS_LIST_BOX_H_
#define UI_CONTROLS_LIST_BOX_H_

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

class ListContainerElement : public Box, public ISelectableItem {
 public:
  ListContainerElement() = default;
  ~ListContainerElement() override;

  bool IsSelected() const { return selected_; }
  // The option's own selection: stores the flag, raises kEventSelect or
  // kEventUnselect when trigger is set and the element has a window, and
  // leaves the other options of its group.
  virtual void SetSelected(bool selected, bool trigger);
  // Selects through the owning list when there is one.
  virtual void Selected(bool selected, bool trigger);
  void Activate() override;

  const std::wstring& GetGroup() const { return group_; }
  void SetGroup(const std::wstring& group);

  int GetIndex() const { return index_; }
  void SetIndex(int index) { index_ = index; }
  IListOwner* GetOwner() const { return owner_; }
  void SetOwner(IListOwner* owner) { owner_ = owner; }

  void SetWindow(Window* window) override { Box::SetWindow(window); }
  void SetWindow(Window* window, Box* parent, bool init) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 private:
  // Clears the flag without events (a group neighbour was selected).
  void Unselect(bool trigger);

  bool selected_ = false;
  std::wstring group_;
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
