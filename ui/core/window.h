// Window: the framework's native window. It owns one window handle, the
// root control of a control tree and the render context the tree is painted
// into, and turns the handle's messages into events for the controls
// (mouse, keyboard, input method, touch, pointer). It keeps the focus, hover
// and capture state, the names of its controls, its option groups, its
// message filters, its shadow settings and its default font.
//
// Ownership: whoever made the window owns the window object (the
// skin-driven window base deletes itself once its handle is gone). The
// window owns its root, and each box owns its items (box.h). Who deletes a
// control, and when:
//  - a control never added anywhere: its std::unique_ptr, when it ends;
//  - a box's item: its box, when the box is deleted;
//  - an item removed from a box, or a root replaced by SetRoot: the
//    deferred deletion (event_dispatch.h), when this window's
//    kWmDeleteDeferred arrives; removed from a box without a window (or
//    with deferred delete off) it is deleted at once;
//  - the root and the controls still waiting, when the window is deleted.
// No control is ever deleted while an event is being dispatched: such a
// deletion waits for the end of the outermost dispatch, so a handler may
// remove its own control or destroy the window.
// A window object can live without a handle: then it is only the control
// tree's bookkeeping. UI thread only, like every control: a window is bound
// to the thread that made it, and its operations check it.
//
// The operations are spread over four files: window.cc (data, creation,
// the window procedures, bookkeeping), window_input.cc (the dispatcher),
// window_paint.cc (painting, focus, tooltips, close and show) and
// window_attributes.cc (the skin's window settings).
#ifndef UI_CORE_WINDOW_H_
#define UI_CORE_WINDOW_H_

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/callback/weak_callback.h"
#include "base/thread/thread_checker.h"
#include "ui/core/event_args.h"
#include "ui/core/window_shadow.h"
#include "ui/util/geometry.h"

namespace ui {

class Control;
class IRenderContext;
class TimerManager;

// Sent to a window when the list of bound windows changed.
constexpr UINT kMsgWindowListChanged = 3025;
// Posted to a window for each control handed to its deferred list.
constexpr UINT kWmDeleteDeferred = WM_APP + 1;
// Added to a notification reflected to the child window that sent it.
constexpr UINT kReflectedMessageOffset = 0x2000;

// Sees a window's messages before the window does.
class IUIMessageFilter {
 public:
  virtual ~IUIMessageFilter() = default;
  virtual LRESULT FilterMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) = 0;
};

// A render context from the framework's factory (a fresh one of the same
// kind when the framework was not started).
std::unique_ptr<IRenderContext> MakeRenderContext();

// A find predicate matching a non-empty name without regard to case; data
// points to the name (a wide C string).
Control* FindControlByNameProc(Control* control, void* data);

class Window : public virtual base::SupportWeakCallback {
 public:
  Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ~Window() override;

  // ---- Creation and the native handle ------------------------------------
  virtual std::wstring GetWindowClassName() const { return std::wstring(); }
  virtual std::wstring GetSuperClassName() const { return std::wstring(); }
  virtual UINT GetClassStyle() const { return 0; }
  // Registers the class and creates the window; null on failure.
  virtual HWND Create(HWND parent, const std::wstring& name, DWORD style, DWORD ex_style,
                      bool layered = true, const UiRect& rect = UiRect{0, 0, 0, 0});
  virtual void Close(UINT result = IDOK);
  virtual void ShowWindow(bool show = true, bool take_focus = true);
  // After WM_NCDESTROY: touch unregistered, window-close listeners told.
  virtual void OnWindowDestroyed(HWND hwnd);
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // Fades the whole window in; the first paint calls it.
  virtual void ShowWithFadeIn();

  // Takes the handle's DC, a render context, touch input; joins the list.
  void BindHandle(HWND hwnd);
  HWND GetHWND() const { return hwnd_; }
  // A handle made elsewhere (tests); no binding happens.
  void SetHWND(HWND hwnd) { hwnd_ = hwnd; }
  bool IsLayeredWindow() const { return layered_; }
  void SetLayeredWindow(bool layered) { layered_ = layered; }
  // The surface the window paints into; made on first use, so text can be
  // measured before the window has a handle.
  IRenderContext* GetRenderContext();
  int GetWindowAlpha() const { return window_alpha_; }
  void SetWindowAlpha(int alpha) { window_alpha_ = alpha; }
  UiPoint GetRenderOffset() const { return render_offset_; }
  void SetRenderOffset(UiPoint offset) { render_offset_ = offset; }
  // The timers behind the fades and the close delay; the process's unless
  // set (tests drive their own clock).
  void SetTimerManager(TimerManager* timers) { timers_ = timers; }
  // The bound windows, in binding order.
  static const std::vector<Window*>& GetWindowList();
  static Window* FromHWND(HWND hwnd);

  // ---- The control tree ----------------------------------------------------
  // Makes the control the root and takes it (a raw pointer is the same
  // hand-over): attaches and initialises its tree and fills the name map;
  // the previous root goes to the deferred deletion. False for null.
  bool SetRoot(Control* root);
  bool SetRoot(std::unique_ptr<Control> root);
  Control* GetRoot() const { return root_; }
  Control* FindControlByName(const std::wstring& name) const;
  void RegisterName(Control* control);
  // Walks a subtree and enters every non-empty name.
  void RegisterNames(Control* subtree);
  // Forgets a control in the focus, hover and capture fields, the name map
  // and the option groups (every control's destructor calls it).
  void OnControlRemoved(Control* control);
  // The control under a client point, top-most first; null when none.
  Control* FindControlAt(UiPoint pt);

  // Deferred deletion: takes a control that left the tree (forgetting it
  // here) and keeps it until kWmDeleteDeferred arrives, on which the window
  // runs DeleteDeferredControls.
  void AddDeferredDelete(Control* control);
  void DeleteDeferredControls();
  // OnControlRemoved for every control of a subtree.
  void ForgetSubtree(Control* subtree);
  // Controls still waiting for this window's kWmDeleteDeferred.
  size_t GetDeferredDeleteCount() const;

  // ---- Events and messages -------------------------------------------------
  LRESULT RouteMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  void AddMessageFilter(IUIMessageFilter* filter);
  bool RemoveMessageFilter(IUIMessageFilter* filter);
  // Window-level listeners; only kEventWindowClose is raised.
  void AttachWindowEvent(int type, EventCallback callback);
  void NotifyWindowClose();

  UiPoint GetLastMousePos() const { return last_mouse_pos_; }
  void SetLastMousePos(UiPoint pt) { last_mouse_pos_ = pt; }
  Control* GetFocusControl() const { return focus_; }
  Control* GetHoverControl() const { return hover_; }
  void SetHoverControl(Control* control) { hover_ = control; }
  Control* GetPressedControl() const { return pressed_; }
  bool IsMouseCaptured() const { return mouse_captured_; }
  bool IsPointerInputEnabled() const { return pointer_input_enabled_; }
  void SetPointerInputEnabled(bool on) { pointer_input_enabled_ = on; }

  // ---- Focus and Tab ---------------------------------------------------------
  // Kill-focus to the old control, set-focus to the new one; a hidden or
  // disabled control, or one of another window, leaves nothing focused.
  void SetFocusControl(Control* control);
  // Moves the focus to the next (previous) tab stop, wrapping around.
  bool FocusNextTabStop(bool forward = true);
  HWND GetTooltipWindow() const { return tooltip_; }

  // ---- Painting ----------------------------------------------------------------
  // The WM_PAINT handler: layout, paint, alpha repair, on-screen update.
  void Paint();
  // Repaint request of an area in client coordinates.
  void InvalidateArea(const UiRect& area);
  // Union of the areas asked for since the last reset (for tests).
  UiRect GetInvalidArea() const { return invalid_; }
  void ResetInvalidArea() { invalid_ = UiRect{0, 0, 0, 0}; }
  void SetArrangePending() { layout_pending_ = true; }
  bool IsArrangePending() const { return layout_pending_; }
  void ClearArrangePending() { layout_pending_ = false; }
  bool IsFirstPaintPending() const { return first_paint_pending_; }

  // ---- Size, position, skin settings -----------------------------------------
  void CenterWindow();
  // cx, cy in skin pixels (scaled when asked), shadow padding added.
  void SetInitialSize(int cx, int cy, int unused = 0, bool dpi_scale = true);
  UiSize GetInitialSize() const { return initial_size_; }
  UiSize GetContentSize() const { return content_size_; }
  // A "Window" root attribute of a skin (the skin builder's call).
  void ApplyWindowAttribute(const std::wstring& name, const std::wstring& value);
  void SetResourcePath(const std::wstring& path);
  const std::wstring& GetResourcePath() const { return resource_path_; }
  UiRect GetSizeBox() const { return size_box_; }
  void SetSizeBox(const UiRect& box) { size_box_ = box; }
  UiRect GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const UiRect& caption) { caption_ = caption; }
  UiSize GetRoundCorner() const { return round_corner_; }
  UiRect GetAlphaFixCorner() const { return alpha_fix_corner_; }
  UiRect GetEdging() const { return edging_; }
  UiSize GetMinInfo() const { return min_info_; }
  UiSize GetMaxInfo() const { return max_info_; }
  double GetHeightPercent() const { return height_percent_; }

  // ---- Shadow --------------------------------------------------------------------
  WindowShadow& GetShadow() { return shadow_; }
  bool IsShadowAttached() const { return shadow_.attached; }
  // The shadow's thickness in pixels (DPI-scaled).
  UiRect GetShadowPadding() const { return shadow_.padding; }
  void SetShadow(bool attached, UiRect padding) {
    shadow_.attached = attached;
    shadow_.padding = padding;
    shadow_.saved_padding = padding;
  }

  // ---- Classes, option groups, default font ------------------------------------
  void AddClass(const std::wstring& name, const std::wstring& attributes);
  std::wstring GetClassAttributes(const std::wstring& name) const;
  // False when the control is in the group already.
  bool AddOptionGroup(const std::wstring& group, Control* control);
  void RemoveOptionGroup(const std::wstring& group, Control* control);
  const std::vector<Control*>* GetOptionGroup(const std::wstring& group) const;
  HFONT GetDefaultFont() const { return default_font_; }

 protected:
  // WM_SIZE's shadow step: no shadow padding while maximised.
  void OnShadowSize(WPARAM size_type);

 private:
  static LRESULT CALLBACK UserDataProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK PropertyProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                            bool in_property);
  bool RegisterWindowClass();
  bool RegisterSuperClass();

  // Input routing (window_input.cc).
  // Builds the event record and sends it; false once the window died.
  bool Send(Control* target, int type, WPARAM wparam, LPARAM lparam, UiPoint pt,
            bool replace_zero_point = true, wchar_t key = 0, float pressure = 0.0f);
  // Hover bookkeeping of a move: false when the move belongs to no control
  // of this window (nothing was updated).
  bool UpdateHover(UiPoint pt, WPARAM wparam, LPARAM lparam, bool* alive);
  // The target of a down message when it belongs to this window.
  Control* OwnTargetAt(UiPoint pt);
  LRESULT OnMouseMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  LRESULT OnKeyMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  LRESULT OnTouch(WPARAM wparam, LPARAM lparam, bool& handled);
  LRESULT OnPointer(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  void OnCloseMessage();
  void OnKillFocusMessage(WPARAM wparam, LPARAM lparam);

  // Painting and tooltips (window_paint.cc).
  void ArrangeTree(const RECT& client);
  // Remembers the previous initial size and resizes a window without root.
  void StoreInitialSize(UiSize size);
  void RepairAlpha(const UiRect& update);
  void OnMouseHoverMessage(LPARAM lparam, bool& handled);
  void OnMouseLeaveMessage();
  TimerManager* Timers();

  HWND hwnd_ = nullptr;
  WNDPROC previous_proc_ = ::DefWindowProcW;
  Control* root_ = nullptr;
  EventMap window_listeners_;
  UiSize initial_size_ = {0, 0};
  UiSize content_size_ = {0, 0};
  UiRect edging_ = {0, 0, 0, 0};
  UiRect size_box_ = {0, 0, 0, 0};
  UiRect alpha_fix_corner_ = {0, 0, 0, 0};
  UiSize round_corner_ = {0, 0};
  UiRect caption_ = {0, 0, 0, 0};
  UiSize min_info_ = {0, 0};
  UiSize max_info_ = {0, 0};
  double height_percent_ = 0.0;
  HDC dc_ = nullptr;
  std::unique_ptr<IRenderContext> render_;
  bool layered_ = true;
  int window_alpha_ = 255;
  UiPoint render_offset_ = {0, 0};
  bool first_paint_pending_ = true;
  HWND tooltip_ = nullptr;
  TOOLINFOW tooltip_info_ = {};
  std::wstring tooltip_text_;
  Control* focus_ = nullptr;
  Control* hover_candidate_ = nullptr;
  Control* hover_ = nullptr;
  Control* pressed_ = nullptr;
  Control* key_down_ = nullptr;
  Control* touch_ = nullptr;
  Control* pointer_ = nullptr;
  UiPoint last_mouse_pos_ = {-1, -1};
  UiPoint last_touch_pos_ = {-1, -1};
  bool pointer_input_enabled_ = true;
  bool layout_pending_ = true;
  bool tab_pending_ = true;
  bool mouse_tracking_ = false;
  bool mouse_captured_ = false;
  std::wstring resource_path_;
  HFONT default_font_ = nullptr;
  std::map<std::wstring, std::wstring> classes_;
  std::map<std::wstring, std::vector<Control*>> option_groups_;
  std::vector<IUIMessageFilter*> filters_;
  std::map<std::wstring, Control*> names_;
  base::WeakCallbackFlag close_timer_flag_;
  WindowShadow shadow_;
  TimerManager* timers_ = nullptr;
  UiRect invalid_ = {0, 0, 0, 0};
  THREAD_CHECKER(thread_checker_);
};

}  // namespace ui

#endif  // UI_CORE_WINDOW_H_
