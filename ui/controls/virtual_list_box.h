// VirtualListBox: a vertical list of many rows of equal height that keeps a
// bounded number of element controls and binds them to data rows as the
// list scrolls. The rows come from a VirtualListDataProvider the
// application supplies; the list's content height is rows x row height, so
// its vertical bar ("vscrollbar" "true") covers every row although only the
// controls exist.
//
// The list owns its element controls (the provider makes them, the list
// takes them); it does not own the provider, which must outlive it or be
// replaced first. UI thread only.
#ifndef UI_CONTROLS_VIRTUAL_LIST_BOX_H_
#define UI_CONTROLS_VIRTUAL_LIST_BOX_H_

#include "ui/controls/list_box.h"
#include "ui/layout/virtual_layout.h"

namespace ui {

class VirtualListDataProvider {
 public:
  virtual ~VirtualListDataProvider() = default;
  // A new element control; the list takes it.
  virtual Control* CreateElement() = 0;
  // Shows data row index in the element.
  virtual void FillElement(Control* element, int index) = 0;
  virtual int GetElementCount() = 0;
};

class VirtualListBox : public ListBox, public IVirtualLayoutHost {
 public:
  VirtualListBox();

  virtual void SetDataProvider(VirtualListDataProvider* provider) { provider_ = provider; }
  virtual void SetElementHeight(int height) { element_height_ = height; }
  // Makes up to max_count element controls (no more than there are rows)
  // and fills them with the first rows.
  virtual void InitElement(int max_count);
  // Follows a changed row count: surplus controls go, missing ones are
  // made, and the controls are bound again.
  virtual void Refresh();
  // Hooks for lists that move a selection with the arrow keys.
  virtual void OnArrowKeyDown(int key) {}
  virtual void OnArrowKeyUp(int key) {}

  // IVirtualLayoutHost.
  int GetElementCount() const override;
  int GetElementHeight() const override { return element_height_; }
  // Places the controls over the rows around the scroll position and fills
  // them; without force only when the view has left the bound rows.
  void ReArrangeChildren(bool force) override;

  void RemoveAll() override;
  void SetScrollPos(UiSize pos) override;
  void SetPos(UiRect rect) override;
  void HandleEvent(EventArgs& args) override;

 private:
  bool HasMoreRowsThanControls() const { return GetElementCount() > GetCount(); }
  int VerticalPos() const;
  void Fill(Control* element, int row);

  VirtualListDataProvider* provider_ = nullptr;
  int element_height_ = 0;
  int max_element_count_ = 0;
  int previous_position_ = 0;
  bool first_arrange_done_ = false;
  bool force_rebind_ = false;
};

}  // namespace ui

#endif  // UI_CONTROLS_VIRTUAL_LIST_BOX_H_
