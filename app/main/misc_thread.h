// MiscThread: the launcher's worker thread, identifier 1 (kMiscThreadId).
// It owns the update engine: a task repeated every 2 ms (the engine tick)
// drives the current update state, then the pre-download state, then the
// download engine. Every transfer, hash, patch and file move of the engine
// runs inside that tick.
//
// Made and started by MainThread::Init, stopped and deleted by
// MainThread::Cleanup, both on thread 0. Init, the tick and Cleanup run on
// the worker itself.
#ifndef APP_MAIN_MISC_THREAD_H_
#define APP_MAIN_MISC_THREAD_H_

#include "base/thread/framework_thread.h"

class MiscThread : public base::FrameworkThread {
 public:
  MiscThread();
  ~MiscThread() override;

  // Every 2 ms, measured from the end of the previous tick.
  static constexpr int64_t kEngineTickMicroseconds = 2000;

 protected:
  // Enrolls as thread 1, readies the version state and schedules the tick.
  void Init() override;
  // Shuts the controller's engine state down and withdraws.
  void Cleanup() override;

 private:
  void EngineTick();
};

#endif  // APP_MAIN_MISC_THREAD_H_
