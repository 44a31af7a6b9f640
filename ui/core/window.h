// Window: PROVISIONAL stand-in holding only what the control tree needs of
// its window (focus, hover, last mouse point, the name map, option groups,
// classes, deferred deletion, the layout-pending flag, repaint requests).
// The native window replaces it; its names and behaviour follow the native
// one so that callers do not change.
//
// The window owns its root control. UI thread only.
#ifndef UI_CORE_WINDOW_H_
#define UI_CORE_WINDOW_H_

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/callback/weak_callback.h"
#include "ui/util/geometry.h"

namespace ui {

class Control;

// Posted to the window for each control handed to its deferred list.
constexpr UINT kWmDeleteDeferred = WM_APP + 1;

class Window : public virtual base::SupportWeakCallback {
 public:
  Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ~Window() override;

  HWND GetHWND() const { return hwnd_; }
  // The stand-in has no native window unless a test gives it one.
  void SetHWND(HWND hwnd) { hwnd_ = hwnd; }
  bool IsLayeredWindow() const { return layered_; }
  void SetLayeredWindow(bool layered) { layered_ = layered; }

  // Makes the control the root: attaches and initialises its tree, fills
  // the name map and requests the arrangement. The previous root is
  // deleted through the deferred list.
  void SetRoot(Control* root);
  Control* GetRoot() const { return root_; }

  UiPoint GetLastMousePos() const { return last_mouse_pos_; }
  void SetLastMousePos(UiPoint pt) { last_mouse_pos_ = pt; }

  bool IsShadowAttached() const { return shadow_attached_; }
  UiRect GetShadowPadding() const { return shadow_padding_; }
  void SetShadow(bool attached, UiRect padding) {
    shadow_attached_ = attached;
    shadow_padding_ = padding;
  }

  // Kill-focus to the old control, set-focus to the new one.
  void SetFocusControl(Control* control);
  Control* GetFocusControl() const { return focus_; }
  Control* GetHoverControl() const { return hover_; }
  void SetHoverControl(Control* control) { hover_ = control; }

  // Name map.
  Control* FindControlByName(const std::wstring& name) const;
  void RegisterName(Control* control);
  // Walks a subtree and enters every non-empty name.
  void RegisterNames(Control* subtree);

  // Forgets a control in the focus and hover bookkeeping, the name map and
  // the option groups.
  void OnControlRemoved(Control* control);

  // Class table of this window (the skin's window-level classes).
  void AddClass(const std::wstring& name, const std::wstring& attributes);
  std::wstring GetClassAttributes(const std::wstring& name) const;

  // Option groups by name.
  void AddOptionGroup(const std::wstring& group, Control* control);
  void RemoveOptionGroup(const std::wstring& group, Control* control);
  const std::vector<Control*>* GetOptionGroup(const std::wstring& group) const;

  // Deferred deletion: the control is kept until kWmDeleteDeferred arrives
  // (DeleteDeferredControls is what the window does on it).
  void AddDeferredDelete(Control* control);
  void DeleteDeferredControls();
  size_t GetDeferredDeleteCount() const { return deferred_.size(); }

  // Layout pass bookkeeping.
  void SetArrangePending() { arrange_pending_ = true; }
  bool IsArrangePending() const { return arrange_pending_; }
  void ClearArrangePending() { arrange_pending_ = false; }

  // Repaint request of an area in client coordinates.
  void InvalidateArea(const UiRect& area);
  // Union of the areas asked for since the last reset (the paint pass of
  // the stand-in).
  UiRect GetInvalidArea() const { return invalid_; }
  void ResetInvalidArea() { invalid_ = UiRect{0, 0, 0, 0}; }

 private:
  HWND hwnd_ = nullptr;
  bool layered_ = false;
  Control* root_ = nullptr;
  UiPoint last_mouse_pos_ = {0, 0};
  bool shadow_attached_ = false;
  UiRect shadow_padding_ = {0, 0, 0, 0};
  Control* focus_ = nullptr;
  Control* hover_ = nullptr;
  std::map<std::wstring, Control*> names_;
  std::map<std::wstring, std::wstring> classes_;
  std::map<std::wstring, std::vector<Control*>> option_groups_;
  std::vector<Control*> deferred_;
  bool arrange_pending_ = false;
  UiRect invalid_ = {0, 0, 0, 0};
};

}  // namespace ui

#endif  // UI_CORE_WINDOW_H_
