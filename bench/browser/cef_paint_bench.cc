// Thread 0's cost of one 1340x750 browser frame in a window of the main
// window's size whose only control is the off-screen browser control:
//   frame: the frame's hand-over (copied from the client's buffer into the
//          control's bitmap) and the window's full repaint that shows it;
//   copy:  the hand-over alone;
//   peer:  a plain full repaint of the same window (no new frame);
//   store: the runtime thread's side, the copy into the client's buffer
//          (not thread 0's; for scale).
// Per run the median and p99 in ms, then the medians over the runs.
//   cef_paint_bench [frames per run] [runs]
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file/path_util.h"
#include "base/thread/framework_thread.h"
#include "base/thread/thread_registry.h"
#include "bench/ui/bench_timing.h"
#include "browser/cef_control.h"
#include "browser/cef_manager.h"
#include "browser/runtime/cef_runtime.h"
#include "testing/cef_runtime/standin_api.h"
#include "ui/core/window_impl_base.h"

namespace {

constexpr int kWidth = 1340, kHeight = 750;

using ui_bench::NowMs;
using ui_bench::Percentile;

class BenchWindow : public ui::WindowImplBase {
 public:
  std::wstring GetWindowClassName() const override { return L"QuorvelCefBenchWindow"; }
  std::wstring GetSkinFolder() override { return L""; }
  std::wstring GetSkinFile() override {
    return L"<Window shadowattached=\"false\" size=\"1340,750\"><VBox>"
           L"<CefControl name=\"web\"/></VBox></Window>";
  }
  ui::Control* CreateControl(const std::wstring& name) override {
    return comp::CreateBrowserControl(name);
  }
};

class UiThread : public base::FrameworkThread {
 public:
  UiThread() : base::FrameworkThread("ui") {}
  ~UiThread() override { Stop(); }

 private:
  void Init() override { base::ThreadRegistry::Enroll(base::kUiThreadId); }
  void Cleanup() override { base::ThreadRegistry::Withdraw(); }
};

// Runs `f` on thread 0 and waits for it.
void OnUi(const std::function<void()>& f) {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  base::ThreadRegistry::Post(base::kUiThreadId, [&] {
    f();
    SetEvent(done);
  });
  WaitForSingleObject(done, INFINITE);
  CloseHandle(done);
}

void PumpAll() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void FullRepaint(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  SendMessageW(hwnd, WM_PAINT, 0, 0);
}

struct Series {
  const char* name;
  std::vector<double> medians, p99s;
  void Add(const std::vector<double>& samples) {
    medians.push_back(Percentile(samples, 0.5));
    p99s.push_back(Percentile(samples, 0.99));
  }
};

int Run(int frames, int runs) {
  UiThread ui;
  if (!ui.StartWithLoop(base::MessageLoop::kUILoop)) return 1;
  comp::PrependCefFolderToPath();
  if (!CefRuntimeLoaded()) {
    std::fprintf(stderr, "no runtime beside the bench\n");
    return 1;
  }
  auto configure = reinterpret_cast<quorvel_standin_configure_fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"libcef.dll"), "quorvel_standin_configure")));
  if (configure) configure("still");
  CefSettings settings;
  if (!comp::CefManager::GetInstance()->Initialize(base::GetModuleDirectory() + L"cef_temp\\",
                                                   settings)) {
    std::fprintf(stderr, "the runtime did not start\n");
    return 1;
  }

  BenchWindow* window = nullptr;
  HWND hwnd = nullptr;
  comp::CefControl* web = nullptr;
  OnUi([&] {
    window = new BenchWindow();
    hwnd = window->Create(nullptr, L"bench", WS_POPUP, 0, true);
    if (!hwnd) return;
    web = dynamic_cast<comp::CefControl*>(window->FindControlByName(L"web"));
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    FullRepaint(hwnd);
  });
  if (!web) {
    std::fprintf(stderr, "window not created\n");
    return 1;
  }
  // The browser. Start-up's probe window belongs to this thread: its
  // messages are served meanwhile.
  bool ready = false;
  for (int i = 0; i < 3000 && !ready; ++i) {
    PumpAll();
    Sleep(10);
    OnUi([&] { ready = web->GetBrowser() != nullptr; });
  }
  if (!ready) {
    std::fprintf(stderr, "no browser\n");
    return 1;
  }
  OnUi([&] { web->LoadUrl(L"http://page.test/bench"); });

  std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
  auto buffer = std::make_shared<comp::PaintBuffer>();
  const RectList dirty{CefRect(0, 0, kWidth, kHeight)};
  Series frame{"frame"}, copy{"copy"}, peer{"peer"}, store{"store"};
  for (int run = 0; run < runs; ++run) {
    std::vector<double> frame_ms, copy_ms, peer_ms, store_ms;
    for (int i = 0; i < frames; ++i) {
      // A new frame each time, as the runtime would hand over.
      std::fill(pixels.begin(), pixels.end(), 0xff000000u | (0x10101u * ((run * frames + i) & 0xff)));
      double t0 = NowMs();
      buffer->Store(pixels.data(), kWidth, kHeight);
      store_ms.push_back(NowMs() - t0);
      OnUi([&] {
        CefRefPtr<CefBrowser> browser = web->GetBrowser();
        double t1 = NowMs();
        web->OnPaint(browser, PET_VIEW, dirty, buffer, kWidth, kHeight);
        double t2 = NowMs();
        FullRepaint(hwnd);
        double t3 = NowMs();
        frame_ms.push_back(t3 - t1);
        copy_ms.push_back(t2 - t1);
        PumpAll();
        double t4 = NowMs();
        FullRepaint(hwnd);
        peer_ms.push_back(NowMs() - t4);
        PumpAll();
      });
    }
    frame.Add(frame_ms);
    copy.Add(copy_ms);
    peer.Add(peer_ms);
    store.Add(store_ms);
    std::printf("run %d: frame %.2f/%.2f  copy %.2f/%.2f  peer %.2f/%.2f  store %.2f/%.2f ms "
                "(median/p99 of %d)\n",
                run + 1, frame.medians.back(), frame.p99s.back(), copy.medians.back(),
                copy.p99s.back(), peer.medians.back(), peer.p99s.back(), store.medians.back(),
                store.p99s.back(), frames);
  }
  std::printf("over %d runs, median of the runs' medians / of their p99s:\n", runs);
  for (const Series* s : {&frame, &copy, &peer, &store}) {
    std::printf("  %-5s %.2f / %.2f ms\n", s->name, Percentile(s->medians, 0.5),
                Percentile(s->p99s, 0.5));
  }
  std::printf("  frame / peer: %.2f\n",
              Percentile(frame.medians, 0.5) / Percentile(peer.medians, 0.5));

  OnUi([&] { DestroyWindow(hwnd); });
  for (int i = 0; i < 3000 && comp::CefManager::GetInstance()->live_browser_count > 0; ++i) Sleep(10);
  ui.Stop();
  cef_shutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  int frames = argc > 1 ? std::atoi(argv[1]) : 100;
  int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  if (frames < 1 || runs < 1) {
    std::fprintf(stderr, "usage: cef_paint_bench [frames per run] [runs]\n");
    return 2;
  }
  return Run(frames, runs);
}
