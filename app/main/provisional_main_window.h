// PROVISIONAL: the least of the launcher's main window, until the skinned
// main window of the launcher windows replaces it: a plain top-level window
// of class "Launcher" that registers itself with the controller (and so
// carries the single-instance property), hides and shows itself on
// MsgHideToTray and MsgShowMainWindow, closes on MsgExitLauncher, lists the
// game windows that register and answers the game's queries with zeros,
// applies a pending language change on MsgWindowListChanged, records the
// launcher's messages it receives, and ends thread 0's loop when it closes.
//
// Made on thread 0 by MainThread::Init, which keeps no pointer to it; it
// deletes itself when its window is destroyed. Everything but History runs on
// thread 0.
#ifndef APP_MAIN_PROVISIONAL_MAIN_WINDOW_H_
#define APP_MAIN_PROVISIONAL_MAIN_WINDOW_H_

#include <windows.h>

#include <cstdint>
#include <vector>

class ProvisionalMainWindow {
 public:
  struct Received {
    uint32_t message;
    WPARAM wparam;
    LPARAM lparam;
  };

  // Creates, centres and shows a new main window; false when it could not
  // be created.
  static bool Open();

  // Every launcher message the main windows of this process received, in
  // order. Any thread.
  static std::vector<Received> History();

 private:
  ProvisionalMainWindow() = default;
  ~ProvisionalMainWindow() = default;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  HWND window_ = nullptr;
};

#endif  // APP_MAIN_PROVISIONAL_MAIN_WINDOW_H_
