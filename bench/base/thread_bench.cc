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
#include <cstring>
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

// CPU time of another process in microseconds (Wine's server, whose work for
// this process does not show in its own times), read from Linux's /proc
// through Wine's Z: drive; -1 when it cannot be read.
int64_t OtherProcessCpuUs(int pid) {
  if (pid <= 0) return -1;
  char path[64];
  std::snprintf(path, sizeof(path), "Z:\\proc\\%d\\stat", pid);
  FILE* file = std::fopen(path, "rb");
  if (!file) return -1;
  char text[1024];
  size_t length = std::fread(text, 1, sizeof(text) - 1, file);
  std::fclose(file);
  text[length] = '\0';
  // Fields after the name in parentheses: state is the 3rd, utime the 14th
  // and stime the 15th, in clock ticks of 1/100 s.
  const char* at = std::strrchr(text, ')');
  if (!at) return -1;
  unsigned long long ticks = 0;
  int field = 3;
  for (const char* token = std::strtok(const_cast<char*>(at + 1), " "); token;
       token = std::strtok(nullptr, " "), ++field) {
    if (field == 14 || field == 15) ticks += std::strtoull(token, nullptr, 10);
    if (field == 15) return static_cast<int64_t>(ticks) * 10000;
  }
  return -1;
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

// The lateness floor's repeating task: a thread that waits on a condition
// variable with a deadline one period after the end of each run.
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

// Percent of one core used over `seconds` by the process and by Wine's
// server (-1 when its pid is not known).
struct IdleCpu {
  double process = 0;
  double server = -1;
};

template <typename Start, typename Stop>
IdleCpu IdleCpuPercent(int seconds, int server_pid, Start start, Stop stop) {
  start();
  Sleep(200);  // settle
  int64_t server0 = OtherProcessCpuUs(server_pid);
  int64_t cpu0 = ProcessCpuUs(), wall0 = NowUs();
  Sleep(static_cast<DWORD>(seconds) * 1000);
  int64_t cpu1 = ProcessCpuUs(), wall1 = NowUs();
  int64_t server1 = OtherProcessCpuUs(server_pid);
  stop();
  IdleCpu result;
  const double wall = static_cast<double>(wall1 - wall0);
  result.process = 100.0 * static_cast<double>(cpu1 - cpu0) / wall;
  if (server0 >= 0 && server1 >= 0) result.server = 100.0 * static_cast<double>(server1 - server0) / wall;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  int cpu_seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
  // Wine's server for this prefix (thread_bench.sh finds it).
  int server_pid = argc > 2 ? atoi(argv[2]) : 0;

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
  IdleCpu runtime_cpu = IdleCpuPercent(
      cpu_seconds, server_pid,
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
  // The floor ticks on fixed 2 ms deadlines, so it wakes as often as the
  // runtime's tick does (a wait from the end of each run would overshoot).
  IdleCpu plain_cpu = IdleCpuPercent(
      cpu_seconds, server_pid,
      [&] {
        plain_worker = std::thread([&] {
          std::mutex mutex;
          std::condition_variable never;
          auto next = std::chrono::steady_clock::now();
          while (!stop_plain) {
            next += std::chrono::microseconds(kPeriodUs);
            std::unique_lock<std::mutex> lock(mutex);
            never.wait_until(lock, next, [] { return false; });
          }
        });
      },
      [&] {
        stop_plain = true;
        plain_worker.join();
      });
  std::printf("CPU of an idle process with one 2 ms repeating task (%d s, %% of one core)\n",
              cpu_seconds);
  auto print_cpu = [](const char* what, const IdleCpu& cpu) {
    if (cpu.server < 0) {
      std::printf("  %-44s process %6.2f %%  (Wine's server not counted: no pid)\n", what,
                  cpu.process);
    } else {
      std::printf("  %-44s process %6.2f %% + server %6.2f %% = %6.2f %%\n", what, cpu.process,
                  cpu.server, cpu.process + cpu.server);
    }
  };
  print_cpu("runtime (thread 0 idle UI loop, 1 ticking):", runtime_cpu);
  print_cpu("floor, condition variable, 2 ms deadlines:", plain_cpu);

  misc->Stop();
  ui->Stop();
  return 0;
}
