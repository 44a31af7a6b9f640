// Box: the container control. It owns an ordered list of child controls and
// one Layout that positions them; estimates its size from its children;
// finds controls in its subtree; paints its children; passes visibility,
// the enabled state and image loading down; and runs "bubbled" listeners for
// events its descendants did not consume.
//
// Ownership, said once for every box: a box always owns its layout. While
// delete-on-remove is set (the default) it owns every control in its item
// list: an item dies with the box, and an item removed with Remove, RemoveAt
// or RemoveAll goes to the deferred deletion (window.h says when that
// deletes it). With delete-on-remove off the box owns no item: whoever
// added the controls keeps and deletes them, and removal only unlinks them.
// Add and AddAt take a std::unique_ptr; a raw pointer is the same hand-over
// (the box owns it once the call succeeds; on failure the caller still owns
// a raw pointer, while a std::unique_ptr's control is deleted). UI thread
// only.
#ifndef UI_CORE_BOX_H_
#define UI_CORE_BOX_H_

#include <memory>
#include <vector>

#include "ui/core/control.h"

namespace ui {

class Layout;

// What a scrolling box shows its descendants (the scroll position applies
// when painting and hit testing).
class IScrollState {
 public:
  virtual ~IScrollState() = default;
  virtual UiSize GetScrollPos() const = 0;
  virtual UiSize GetScrollRange() const = 0;
};

// Marks the list elements that Box::NextSelectable counts as selectable.
class ISelectableItem {
 public:
  virtual ~ISelectableItem() = default;
};

class Box : public Control {
 public:
  // Takes the layout (null gives the base layout) and becomes its owner.
  explicit Box(Layout* layout = nullptr);
  ~Box() override;

  // Index of the first visible, enabled list element at or after index
  // (forward), at or before it (backward, else a forward search from 0);
  // -1 when none.
  virtual int NextSelectable(int index, bool forward) const;
  virtual Control* GetItemAt(int index) const;
  virtual int GetItemIndex(Control* control) const;
  virtual bool SetItemIndex(Control* control, int index);
  virtual int GetCount() const { return static_cast<int>(items_.size()); }
  // Refuses null, an item of a box (this one included) and an ancestor.
  // Takes the control on success (see the ownership note above).
  virtual bool Add(Control* control);
  virtual bool AddAt(Control* control, int index);
  bool Add(std::unique_ptr<Control> control);
  bool AddAt(std::unique_ptr<Control> control, int index);
  virtual bool Remove(Control* control);
  virtual bool RemoveAt(int index);
  virtual void RemoveAll();
  virtual bool IsDeleteOnRemove() const { return delete_on_remove_; }
  virtual void SetDeleteOnRemove(bool on) { delete_on_remove_ = on; }
  virtual bool IsDeferredDelete() const { return deferred_delete_; }
  virtual void SetDeferredDelete(bool on) { deferred_delete_ = on; }
  virtual bool IsMouseChildEnabled() const { return mouse_child_; }
  virtual void SetMouseChildEnabled(bool on) { mouse_child_ = on; }
  virtual Layout* GetLayout() const { return layout_.get(); }
  // The new layout must already name this box as its owner.
  virtual void SetLayout(Layout* layout);
  virtual UiRect GetContentRect() const;
  // Exchanges every entry of a with b and of b with a; no arrange.
  void SwapChildren(Control* a, Control* b);
  const std::vector<Control*>& GetItems() const { return items_; }

  void AttachBubbledEvent(int type, EventCallback callback);
  void AttachMarkupBubbledEvent(int type, EventCallback callback);

  // Control and place holder overrides.
  void SetWindow(Window* window) override { PlaceHolder::SetWindow(window); }
  void SetWindow(Window* window, Box* parent, bool init) override;
  UiSize EstimateSize(UiSize available) override;
  void SetPos(UiRect rect) override;
  void SetInnerVisible(bool visible) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  bool IsTabStop() const override { return false; }
  Control* FindControl(FindControlProc proc, void* data, UINT flags,
                       UiPoint scroll_pos = {0, 0}) override;
  void SendEvent(EventArgs& args) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintChildren(IRenderContext* render, const UiRect& paint_rect) override;
  void LoadBkImage() override;
  void UnloadBkImage() override;
  void ClearImages() override;

 protected:
  // Destroys a removed child through the deferred deletion: waiting for the
  // window's kWmDeleteDeferred, else at once (after the event dispatch in
  // progress, if any).
  void DestroyChild(Control* control);
  bool InsertAt(Control* control, int index);

  EventMap markup_bubbled_listeners_;
  std::unique_ptr<Layout> layout_;
  bool delete_on_remove_ = true;
  bool deferred_delete_ = true;
  bool mouse_child_ = true;
  std::vector<Control*> items_;
  EventMap bubbled_listeners_;
};

}  // namespace ui

#endif  // UI_CORE_BOX_H_
