// SingleInstance: keeps the launcher to one running instance. The first
// instance holds the semaphore kLauncherInstanceName until it ends; a second
// start finds the first instance's main window by the property of the same
// name, wakes it and exits.
//
// Used by the process entry on the process's main thread.
#ifndef APP_MAIN_SINGLE_INSTANCE_H_
#define APP_MAIN_SINGLE_INSTANCE_H_

#include <windows.h>

class SingleInstance {
 public:
  // True when this process is the first launcher; it then keeps the
  // semaphore open until the process ends.
  static bool Claim();

  // The first top-level window whose instance property holds its own
  // handle, or null.
  static HWND FindLauncherWindow();

  // Shows the first instance's main window (asking it to come back from the
  // tray when hidden) and brings it, and a dialog it has open, to the front.
  // False when no such window exists.
  static bool WakeFirstInstance();
};

#endif  // APP_MAIN_SINGLE_INSTANCE_H_
