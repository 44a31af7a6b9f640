#include "base/message_loop/win_io_message_pump.h"

namespace base {

WinIOMessagePump::WinIOMessagePump() {
  HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
  port_ = port ? port : INVALID_HANDLE_VALUE;
}

WinIOMessagePump::~WinIOMessagePump() {
  if (port_ != INVALID_HANDLE_VALUE) CloseHandle(port_);
}

void WinIOMessagePump::SignalWork() {
  if (InterlockedExchange(&have_work_, 1) != 0) return;
  if (!PostQueuedCompletionStatus(port_, 0, reinterpret_cast<ULONG_PTR>(this),
                                  reinterpret_cast<OVERLAPPED*>(this))) {
    // Let a later signal try again.
    InterlockedExchange(&have_work_, 0);
  }
}

void WinIOMessagePump::SignalDelayedWork(int64_t run_time) { delayed_work_time_ = run_time; }

bool WinIOMessagePump::RegisterIOHandler(HANDLE file, IOHandler* handler) {
  return CreateIoCompletionPort(file, port_, reinterpret_cast<ULONG_PTR>(handler), 1) == port_;
}

void WinIOMessagePump::RunMessageLoop() {
  PumpRunState* state = state_;
  Delegate* delegate = state->delegate;
  bool did_work = delegate->ProcessWork();
  while (!state->should_quit) {
    bool io = WaitForIoCompletion(0);
    if (state->should_quit) break;
    bool delayed = delegate->ProcessDelayedWork(&delayed_work_time_);
    if (state->should_quit) break;
    did_work |= io | delayed;
    if (!did_work) {
      bool idle = delegate->ProcessIdleWork();
      if (state->should_quit) break;
      if (!idle) {
        int64_t wait_ms = GetWaitMilliseconds();
        DWORD timeout = wait_ms < 0 ? INFINITE
                                    : (wait_ms >= 0xFFFFFFFFll ? 0xFFFFFFFEu
                                                               : static_cast<DWORD>(wait_ms));
        WaitForIoCompletion(timeout);
        if (state->should_quit) break;
      }
    }
    did_work = delegate->ProcessWork();
  }
}

bool WinIOMessagePump::WaitForIoCompletion(DWORD timeout_ms) {
  IOItem item = {};
  if (!completed_items_.empty()) {
    item = completed_items_.front();
    completed_items_.pop_front();
  } else {
    DWORD bytes = 0;
    ULONG_PTR key = 0;
    OVERLAPPED* overlapped = nullptr;
    if (GetQueuedCompletionStatus(port_, &bytes, &key, &overlapped, timeout_ms)) {
      item = {key, overlapped, bytes, 0};
    } else {
      if (!overlapped) return false;  // timed out: no packet
      item = {key, overlapped, 0, GetLastError()};
    }
  }

  if (item.key == reinterpret_cast<ULONG_PTR>(this) &&
      item.overlapped == reinterpret_cast<OVERLAPPED*>(this)) {
    InterlockedExchange(&have_work_, 0);  // our own wake-up
    return true;
  }
  if (!item.overlapped) return true;  // a packet without a context: nothing to deliver

  auto* context = reinterpret_cast<IOContext*>(item.overlapped);
  if (context->handler) {
    observers_.Notify([](IOObserver* o) { o->WillProcessIOEvent(); });
    reinterpret_cast<IOHandler*>(item.key)->OnIOCompleted(context, item.bytes_transferred,
                                                          item.error);
    observers_.Notify([](IOObserver* o) { o->DidProcessIOEvent(); });
  } else {
    // The handler went away while the operation was pending.
    delete context;
  }
  return true;
}

}  // namespace base
