// WinIOMessagePump: a pump that waits on an I/O completion port.
//
// Tasks wake it with a completion packet of its own; completions of handles
// associated with the port (RegisterIOHandler) are delivered to their
// handlers on the pump's thread. Constructed by IOMessageLoop on the thread
// that will run it and destroyed there. SignalWork may be called from any
// thread; everything else runs on the pump's thread.
#ifndef BASE_MESSAGE_LOOP_WIN_IO_MESSAGE_PUMP_H_
#define BASE_MESSAGE_LOOP_WIN_IO_MESSAGE_PUMP_H_

#include <windows.h>

#include <deque>

#include "base/message_loop/win_message_pump.h"
#include "base/util/observer_list.h"

namespace base {

class WinIOMessagePump : public WinMessagePump {
 public:
  class IOHandler;

  // An overlapped operation's record: the system's OVERLAPPED first, then
  // its handler. The handler clears `handler` when it goes away with the
  // operation still pending; the pump then deletes the context when the
  // completion arrives.
  struct IOContext {
    OVERLAPPED overlapped;
    IOHandler* handler;
  };

  // Receives the completions of the handles registered under it (the
  // handler is the completion key).
  class IOHandler {
   public:
    virtual ~IOHandler() = default;
    virtual void OnIOCompleted(IOContext* context, DWORD bytes_transferred, DWORD error) = 0;
  };

  class IOObserver {
   public:
    virtual ~IOObserver() = default;
    virtual void WillProcessIOEvent() = 0;
    virtual void DidProcessIOEvent() = 0;
  };

  WinIOMessagePump();
  ~WinIOMessagePump() override;
  WinIOMessagePump(const WinIOMessagePump&) = delete;
  WinIOMessagePump& operator=(const WinIOMessagePump&) = delete;

  void SignalWork() override;
  void SignalDelayedWork(int64_t run_time) override;

  // Associates an overlapped handle with the port; its completions go to
  // `handler`.
  bool RegisterIOHandler(HANDLE file, IOHandler* handler);

  void AddObserver(IOObserver* observer) { observers_.Add(observer); }
  void RemoveObserver(IOObserver* observer) { observers_.Remove(observer); }

  HANDLE port() const { return port_; }

 protected:
  void RunMessageLoop() override;

 private:
  struct IOItem {
    ULONG_PTR key;
    OVERLAPPED* overlapped;
    DWORD bytes_transferred;
    DWORD error;
  };

  // Waits up to timeout_ms for one completion and handles it; true when
  // one was handled.
  bool WaitForIoCompletion(DWORD timeout_ms);

  HANDLE port_ = INVALID_HANDLE_VALUE;
  std::deque<IOItem> completed_items_;  // set aside for later
  ObserverList<IOObserver> observers_;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_WIN_IO_MESSAGE_PUMP_H_
