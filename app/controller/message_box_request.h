// MessageBoxRequest: a question or notice for the player, built on any
// thread and handed to thread 0, where the message box shows it. Every text
// slot is a pair of a text id (looked up in the language table) and a
// literal text; the id wins when it is not empty. The answer reaches the
// callback on thread 0: 1 for the yes button, 0 for no or any close.
//
// PROVISIONAL: the record only, until the message box itself is in the tree.
// LauncherController::PostMessageBox hands each request to
// LauncherServices::PostMessageBox; the launcher's services post it to
// thread 0 and drop it there today, as a request is dropped when there is no
// main window to show it over.
#ifndef APP_CONTROLLER_MESSAGE_BOX_REQUEST_H_
#define APP_CONTROLLER_MESSAGE_BOX_REQUEST_H_

#include <windows.h>

#include <functional>
#include <string>

class LauncherController;

// The answer of a box: 1 yes, 0 no or closed. May be empty.
using MessageBoxCallback = std::function<void(int)>;

struct MessageBoxRequest {
  HWND owner = nullptr;  // the window the box is modal to; null: the main window
  LauncherController* controller = nullptr;
  std::wstring titleId;
  std::wstring titleText;
  std::wstring contentId;
  std::wstring contentText;
  std::wstring noId;
  std::wstring yesId;
  std::wstring noText;  // the literal button texts count only when both ids are empty
  std::wstring yesText;
  MessageBoxCallback callback;
  bool swapButtonStyles = false;
};

#endif  // APP_CONTROLLER_MESSAGE_BOX_REQUEST_H_
