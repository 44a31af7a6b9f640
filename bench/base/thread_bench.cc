// Figures for the task runtime, each beside a plain mutex-and-condition-
// variable queue measured in the same run:
//  - cross-thread post-and-run throughput, thread 0 -> 1 and 1 -> 0;
//  - lateness of a 2 ms repeating task (median and 99th percentile);
//  - CPU used by an otherwise idle process whose worker repeats a 2 ms task.
// Usage: base_thread_bench [cpu seconds, default 10]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/message_loop/message_loop.h"
#include "base/thread/framework_thread.h"
#include "base/thread/thread_registry.h"

namespace {

using base::FrameworkThread;
using base::MessageLoop;
using base::ThreadRegistry;
using base::TimeDelta;

constexpr int kThroughputTasks = 200000;
constexpr int kRepeatRuns = 1000;
constexpr int64_t kPeriodUs = 2000;

int64_t NowUs() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<int64_t>(static_cast<double>(c.QuadPart) * 1e6 / static_cast<double>(frequency));
}

int64_t ProcessCpuUs() {
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  auto us = [](const FILETIME& t) {
    return ((static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10;
  };
  return us(kernel) + us(user);
}

class Event {
 public:
  Event() : handle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~Event() { CloseHandle(handle_); }
  void Signal() { SetEvent(handle_); }
  void Wait() { WaitForSingleObject(handle_, INFINITE); }

 private:
  HANDLE handle_;
};

// A framework thread enrolled under `id` for its whole run.
class EnrolledThread : public FrameworkThread {
 public:
  EnrolledThread(const char* name, int id) : FrameworkThread(name), id_(id) {}
  ~EnrolledThread() override { Stop(); }

 protected:
  void Init() override { ThreadRegistry::Enroll(id_); }
  void Cleanup() override { ThreadRegistry::Withdraw(); }

 private:
  int id_;
};

// The floor: one consumer thread over a locked deque of closures.
class PlainQueue {
 public:
  PlainQueue() : thread_([this] { Loop(); }) {}
  ~PlainQueue() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  void Post(std::function<void()> task) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(std::move(task));
    }
    wake_.notify_one();
  }

 private:
  void Loop() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) return;
        task = std::move(queue_.front());
        queue_.pop_front();
      }
      task();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool stop_ = false;
  std::thread thread_;
};

// Posts kThroughputTasks from thread `from` to thread `to`; tasks per second
// from the first post to the last run.
double RuntimeThroughput(int from, int to) {
  Event done;
  int64_t start = 0, end = 0;
  auto counter = std::make_shared<int>(0);
  ThreadRegistry::Post(from, [&, counter, to] {
    start = NowUs();
    for (int i = 0; i < kThroughputTasks; ++i) {
      ThreadRegistry::Post(to, [&, counter] {
        if (++*counter == kThroughputTasks) {
          end = NowUs();
          done.Signal();
        }
      });
    }
  });
  done.Wait();
  return kThroughputTasks / ((end - start) / 1e6);
}

double PlainThroughput() {
  PlainQueue queue;
  Event done;
  int counter = 0;
  int64_t start = 0, end = 0;
  std::thread producer([&] {
    start = NowUs();
    for (int i = 0; i < kThroughputTasks; ++i) {
      queue.Post([&] {
        if (++counter == kThroughputTasks) {
          end = NowUs();
          done.Signal();
        }
      });
    }
  });
  done.Wait();
  producer.join();
  return kThroughputTasks / ((end - start) / 1e6);
}

struct Lateness {
  double median_us;
  double p99_us;
};

Lateness Summarise(std::vector<int64_t> samples) {
  std::sort(samples.begin(), samples.end());
  auto at = [&samples](double q) {
    size_t i = static_cast<size_t>(q * static_cast<double>(samples.size() - 1));
    return static_cast<double>(samples[i]);
  };
  return {at(0.5), at(0.99)};
}

// Lateness of each run: its start minus (end of the previous run + period).
Lateness RuntimeLateness() {
  struct Owner : base::SupportWeakCallback {} owner;
  std::vector<int64_t> samples;
  int64_t last_end = 0;
  int runs = 0;
  Event done;
  ThreadRegistry::PostRepeating(base::kMiscThreadId, owner.ToWeakCallback([&] {
    int64_t start = NowUs();
    if (last_end) samples.push_back(start - last_end - kPeriodUs);
    last_end = NowUs();
    if (++runs == kRepeatRuns) done.Signal();
  }), TimeDelta(kPeriodUs), kRepeatRuns);
  done.Wait();
  return Summarise(samples);
}

// The floor's repeating task: a thread that waits on a condition variable
// with a deadline one period after the end of each run.
template <typename Body>
void PlainRepeat(int runs_wanted, Body body) {
  std::mutex mutex;
  std::condition_variable never;
  for (int i = 0; i < runs_wanted; ++i) {
    body();
    std::unique_lock<std::mutex> lock(mutex);
    never.wait_until(lock, std::chrono::steady_clock::now() + std::chrono::microseconds(kPeriodUs),
                     [] { return false; });
  }
}

Lateness PlainLateness() {
  std::vector<int64_t> samples;
  std::thread worker([&] {
    int64_t last_end = 0;
    PlainRepeat(kRepeatRuns, [&] {
      int64_t start = NowUs();
      if (last_end) samples.push_back(start - last_end - kPeriodUs);
      last_end = NowUs();
    });
  });
  worker.join();
  return Summarise(samples);
}

// Percent of one core used by the whole process over `seconds`.
template <typename Start, typename Stop>
double IdleCpuPercent(int seconds, Start start, Stop stop) {
  start();
  Sleep(200);  // settle
  int64_t cpu0 = ProcessCpuUs(), wall0 = NowUs();
  Sleep(static_cast<DWORD>(seconds) * 1000);
  int64_t cpu1 = ProcessCpuUs(), wall1 = NowUs();
  stop();
  return 100.0 * static_cast<double>(cpu1 - cpu0) / static_cast<double>(wall1 - wall0);
}

}  // namespace

int main(int argc, char** argv) {
  int cpu_seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;

  // Thread 0 with a UI loop and thread 1 with a default loop, as the
  // launcher runs them.
  auto ui = std::make_unique<EnrolledThread>("MainThread", base::kUiThreadId);
  auto misc = std::make_unique<EnrolledThread>("MiscThread", base::kMiscThreadId);
  if (!ui->StartWithLoop(MessageLoop::kUILoop) || !misc->StartWithLoop(MessageLoop::kDefaultLoop)) {
    std::printf("could not start the threads\n");
    return 1;
  }

  double plain = PlainThroughput();
  double to_misc = RuntimeThroughput(base::kUiThreadId, base::kMiscThreadId);
  double to_ui = RuntimeThroughput(base::kMiscThreadId, base::kUiThreadId);
  std::printf("post-and-run throughput (%d tasks)\n", kThroughputTasks);
  std::printf("  thread 0 -> 1 (UI loop -> default loop): %10.0f tasks/s  ratio to floor %.2f\n",
              to_misc, to_misc / plain);
  std::printf("  thread 1 -> 0 (default loop -> UI loop): %10.0f tasks/s  ratio to floor %.2f\n",
              to_ui, to_ui / plain);
  std::printf("  floor, mutex + condition variable queue: %10.0f tasks/s\n", plain);

  Lateness runtime = RuntimeLateness();
  Lateness floor = PlainLateness();
  std::printf("lateness of a 2 ms repeating task (%d runs, us after end of previous run + 2 ms)\n",
              kRepeatRuns);
  std::printf("  runtime (thread 1):                      median %7.0f  p99 %7.0f\n",
              runtime.median_us, runtime.p99_us);
  std::printf("  floor, condition variable deadline:      median %7.0f  p99 %7.0f\n",
              floor.median_us, floor.p99_us);

  struct Owner : base::SupportWeakCallback {};
  std::unique_ptr<Owner> tick_owner;
  double runtime_cpu = IdleCpuPercent(
      cpu_seconds,
      [&] {
        tick_owner = std::make_unique<Owner>();
        ThreadRegistry::PostRepeating(base::kMiscThreadId, tick_owner->ToWeakCallback([] {}),
                                      TimeDelta(kPeriodUs), -1);
      },
      [&] {
        // The owner dies on the thread that runs its callbacks.
        Event gone;
        ThreadRegistry::Post(base::kMiscThreadId, [&] {
          tick_owner.reset();
          gone.Signal();
        });
        gone.Wait();
      });
  std::atomic<bool> stop_plain{false};
  std::thread plain_worker;
  double plain_cpu = IdleCpuPercent(
      cpu_seconds,
      [&] {
        plain_worker = std::thread([&] {
          while (!stop_plain) PlainRepeat(1, [] {});
        });
      },
      [&] {
        stop_plain = true;
        plain_worker.join();
      });
  std::printf("CPU of an idle process with one 2 ms repeating task (%d s, %% of one core)\n",
              cpu_seconds);
  std::printf("  runtime (thread 0 idle UI loop, thread 1 ticking): %6.2f %%\n", runtime_cpu);
  std::printf("  floor, condition variable deadline loop:           %6.2f %%\n", plain_cpu);

  misc->Stop();
  ui->Stop();
  return 0;
}
