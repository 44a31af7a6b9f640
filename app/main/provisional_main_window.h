// PROVISIONAL: the least of the launcher's main window, until the skinned
// main window of the launcher windows replaces it: a plain top-level window
// of class "Launcher" that registers itself with the controller (and so
// carries the single-instance property), hides and shows itself on
// MsgHideToTray and MsgShowMainWindow, closes on MsgExitLauncher, lists the
// game windows that register and answers the game's queries with zeros,
// applies a pending language change on MsgWindowListChanged, records the
// launcher's messages it receives, and ends thread 0's loop when it closes.
// It shows in plain text what the player would see (the update state, its
// step, the download's progress and speed, the versions), repeats it on
// standard output when it changes, and offers the player's choices plainly:
// a button that starts the game pass to play (install, update or play), and
// the message boxes' questions with their two buttons.
//
// Made on thread 0 by MainThread::Init, which keeps no pointer to it; it
// deletes itself when its window is destroyed. Everything but History runs on
// thread 0.
#ifndef APP_MAIN_PROVISIONAL_MAIN_WINDOW_H_
#define APP_MAIN_PROVISIONAL_MAIN_WINDOW_H_

#include <windows.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/controller/message_box_request.h"

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

  // Shows `box` as a question in the main window; `closed` gets 1 for its yes
  // button, 0 for its no button or when the window closes first. False, and
  // nothing shown, when there is no main window. Thread 0.
  static bool Ask(const MsgBoxContent& box, MessageBoxCallback closed);

 private:
  struct Question {
    MsgBoxContent box;
    MessageBoxCallback closed;
  };
  ProvisionalMainWindow() = default;
  ~ProvisionalMainWindow() = default;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void Refresh();
  void ShowQuestion();
  void Answer(int answer);

  HWND window_ = nullptr;
  HWND status_ = nullptr;
  HWND play_ = nullptr;
  HWND yes_ = nullptr;
  HWND no_ = nullptr;
  HWND question_ = nullptr;
  LPARAM step_ = 0;  // the newest MsgCheckProgress
  std::wstring shown_;
  std::deque<Question> questions_;
};

#endif  // APP_MAIN_PROVISIONAL_MAIN_WINDOW_H_
