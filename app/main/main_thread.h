// MainThread: the launcher's UI thread, identifier 0 (kUiThreadId), run on
// the process's main thread with a UI loop. It starts the shared state, the
// worker thread and the UI framework, creates the main window and sends it
// the pre-download tick every 500 ms; at exit it stops the worker and starts
// the self-replacement when an update staged launcher files.
//
// Made on the stack of the process entry, which runs it with
// RunOnCurrentThreadWithLoop; Init and Cleanup run on that thread.
#ifndef APP_MAIN_MAIN_THREAD_H_
#define APP_MAIN_MAIN_THREAD_H_

#include <memory>

#include "app/main/misc_thread.h"
#include "base/thread/framework_thread.h"

class MainThread : public base::FrameworkThread {
 public:
  MainThread();
  ~MainThread() override;

  static constexpr int64_t kUiTickMicroseconds = 500000;

  // The worker, between Init and Cleanup.
  MiscThread* misc_thread() const { return misc_thread_.get(); }

 protected:
  void Init() override;
  void Cleanup() override;

 private:
  void UiTick();

  std::unique_ptr<MiscThread> misc_thread_;
};

#endif  // APP_MAIN_MAIN_THREAD_H_
