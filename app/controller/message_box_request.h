// Questions and notices for the player: request records built on any thread
// and posted to thread 0, where their Show hands them to the launcher
// windows' message box or options box. Every text slot is a pair of a text
// id (looked up in the language table by the box) and a literal text; the id
// wins when it is not empty. The caller never waits: the answer comes back
// through the request's callback on thread 0.
//
// A request whose owner is null is shown over the main window; with no main
// window (before it exists, after it closed, or not among the UI framework's
// open windows) it is dropped and its callback never runs, unless the
// request says its caller waits for the answer: that caller gets the close
// button's answer, 0, instead of waiting for ever.
#ifndef APP_CONTROLLER_MESSAGE_BOX_REQUEST_H_
#define APP_CONTROLLER_MESSAGE_BOX_REQUEST_H_

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class LauncherController;

// The answer of a message box: 1 for the yes button, 0 for no, the close
// button, Escape or the system close command. The answer of an options box:
// the index of the chosen option. May be empty.
using MessageBoxCallback = std::function<void(int)>;

// One text of a box as the box takes it.
struct BoxText {
  std::wstring value;
  bool isId = false;  // a text id of the language table, else literal text

  bool operator==(const BoxText& other) const {
    return value == other.value && isId == other.isId;
  }
};

// What a message box is asked to show, the text pairs already decided.
struct MsgBoxContent {
  BoxText title;
  BoxText content;
  BoxText detail;
  bool buttonIds = false;  // the button texts are text ids, else literal
  std::wstring noButton;   // empty: the button is hidden
  std::wstring yesButton;
  bool swapButtonStyles = false;
};

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
  // Made by ShowMessageBox: this box holds the controller's messageBoxOpen
  // until it closes (or is dropped).
  bool holdsOpenFlag = false;
  // The caller waits for the answer: a dropped request answers 0.
  bool answerWhenDropped = false;

  // Thread 0. The detail is empty.
  void Show() const;
};

// The same with a detail text pair.
struct DetailMessageBoxRequest : MessageBoxRequest {
  std::wstring detailId;
  std::wstring detailText;

  // Thread 0.
  void Show() const;
};

// A closure that owns `request` and runs its Show; the caller posts it to
// thread 0.
std::function<void()> MakeMsgBoxTask(DetailMessageBoxRequest request);

struct OptionsBoxRequest {
  HWND owner = nullptr;  // always the main window
  LauncherController* controller = nullptr;
  std::wstring contentId;
  std::wstring groupName;               // the radio group
  std::vector<std::wstring> optionIds;  // one radio option each, in order
  int32_t selectedIndex = 0;            // always the first
  std::wstring buttonId;
  MessageBoxCallback callback;

  // Thread 0.
  void Show();
};

#endif  // APP_CONTROLLER_MESSAGE_BOX_REQUEST_H_
