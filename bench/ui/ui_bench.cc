// Figures for the bottom of the UI framework, each beside a plain peer
// measured in the same run:
//  frame  - a full repaint of a 1340x750 surface (background image, 40
//           nine-grid images, 60 texts, 10 translucent layers) through the
//           render context, against the same drawing through one GDI+
//           Graphics per frame: median and p99 ms per frame over 200 frames.
//  timers - the CPU of an otherwise idle process with 10 running 16 ms UI
//           timers, against 10 SetTimer timers and against no timers at all;
//           the wineserver's CPU is counted too when its Unix pid is given in
//           QUORVEL_WINESERVER_PID (bench/ui/ui_bench.sh does that).
// Usage: ui_bench frame [frames] | ui_bench timers [seconds per run] [runs]
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ui/animation/timer_manager.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_resources.h"

namespace gp = Gdiplus::DllExports;

namespace {

constexpr int kWidth = 1340, kHeight = 750;
constexpr int kNineGrids = 40, kTexts = 60, kLayers = 10;

double NowMs() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return c.QuadPart * 1000.0 / frequency;
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  size_t i = static_cast<size_t>(p * (v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

class BenchResources : public ui::IRenderResources {
 public:
  BenchResources() {
    gp::GdipCreateFontFamilyFromName(L"DejaVu Sans", nullptr, &family_);
    if (family_) gp::GdipCreateFont(family_, 14, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &font_);
  }
  ~BenchResources() override {
    if (font_) gp::GdipDeleteFont(font_);
    if (family_) gp::GdipDeleteFontFamily(family_);
  }
  Gdiplus::GpFont* GetGdiplusFont(const std::wstring&) override { return font_; }
  uint32_t GetColor(const std::wstring&) override { return 0xFF336699; }
  bool TextAntiAlias() override { return true; }

 private:
  Gdiplus::GpFontFamily* family_ = nullptr;
  Gdiplus::GpFont* font_ = nullptr;
};

Gdiplus::GpBitmap* MakeImage(int w, int h, const std::function<uint32_t(int, int)>& color) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = color(x, y);
  Gdiplus::GpBitmap* wrapped = nullptr;
  Gdiplus::GpBitmap* image = nullptr;
  gp::GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppARGB,
                                reinterpret_cast<BYTE*>(pixels.data()), &wrapped);
  // A copy that owns its pixels, as decoded images do.
  gp::GdipCloneBitmapAreaI(0, 0, w, h, PixelFormat32bppPARGB, wrapped, &image);
  gp::GdipDisposeImage(wrapped);
  return image;
}

struct Scene {
  Gdiplus::GpBitmap* background = nullptr;
  Gdiplus::GpBitmap* button = nullptr;  // 60x40, corners 8
  std::vector<ui::UiRect> grids, texts, layers;
  std::vector<std::wstring> words;

  Scene() {
    background = MakeImage(kWidth, kHeight, [](int x, int y) {
      return 0xFF000000u | ((x * 255 / kWidth) << 16) | ((y * 255 / kHeight) << 8) | 0x40;
    });
    button = MakeImage(60, 40, [](int x, int y) {
      bool edge = x < 8 || x >= 52 || y < 8 || y >= 32;
      return edge ? 0xC0FFFFFFu : 0xE0204060u;
    });
    for (int i = 0; i < kNineGrids; ++i) {
      int x = 20 + (i % 8) * 160, y = 20 + (i / 8) * 140;
      grids.push_back({x, y, x + 150, y + 44 + (i % 3) * 20});
    }
    for (int i = 0; i < kTexts; ++i) {
      int x = 24 + (i % 6) * 215, y = 30 + (i / 6) * 70;
      texts.push_back({x, y, x + 200, y + 20});
      words.push_back(L"Download " + std::to_wstring(i * 7 % 100) + L"% \u2013 3.2 MB/s left");
    }
    for (int i = 0; i < kLayers; ++i) {
      int x = 40 + i * 120, y = 400 + (i % 2) * 60;
      layers.push_back({x, y, x + 240, y + 200});
    }
  }
  ~Scene() {
    gp::GdipDisposeImage(background);
    gp::GdipDisposeImage(button);
  }
};

// The framework's way: every operation through the render context; each
// translucent layer painted into a cache context and blended in.
void PaintWithContext(const Scene& s, ui::IRenderContext* main,
                      std::vector<std::unique_ptr<ui::IRenderContext>>& caches) {
  const ui::UiRect all{0, 0, kWidth, kHeight};
  main->Clear();
  main->DrawImageGdiPlus(all, s.background, all, {0, 0, kWidth, kHeight}, {});
  for (const ui::UiRect& r : s.grids)
    main->DrawImageGdiPlus(all, s.button, r, {0, 0, 60, 40}, {8, 8, 8, 8});
  for (size_t i = 0; i < s.texts.size(); ++i)
    main->DrawText(s.texts[i], s.words[i], 0xFFFFFFFF, L"", DT_SINGLELINE | DT_VCENTER);
  for (size_t i = 0; i < s.layers.size(); ++i) {
    ui::IRenderContext* cache = caches[i].get();
    const ui::UiRect local{0, 0, s.layers[i].Width(), s.layers[i].Height()};
    cache->Clear();
    cache->FillRect(local, 0xB0101820);
    cache->DrawImageGdiPlus(local, s.button, {10, 10, 230, 60}, {0, 0, 60, 40}, {8, 8, 8, 8});
    cache->DrawText({16, 80, 224, 100}, s.words[i], 0xFFFFFFFF, L"", DT_SINGLELINE);
    main->AlphaBlend(s.layers[i].left, s.layers[i].top, local.right, local.bottom,
                     cache->GetDC(), 0, 0, local.right, local.bottom, 200);
  }
}

// The peer: the same pixels through one Graphics per surface per frame.
void PaintPlain(const Scene& s, ui::IRenderContext* main,
                std::vector<std::unique_ptr<ui::IRenderContext>>& caches, Gdiplus::GpFont* font) {
  Gdiplus::GpStringFormat* generic = nullptr;
  Gdiplus::GpStringFormat* format = nullptr;
  gp::GdipStringFormatGetGenericTypographic(&generic);
  gp::GdipCloneStringFormat(generic, &format);
  gp::GdipSetStringFormatFlags(format, Gdiplus::StringFormatFlagsNoWrap);
  gp::GdipSetStringFormatLineAlign(format, Gdiplus::StringAlignmentCenter);
  Gdiplus::GpSolidFill* white = nullptr;
  gp::GdipCreateSolidFill(0xFEFFFFFF, &white);
  auto nine = [&](Gdiplus::GpGraphics* g, const ui::UiRect& d) {
    const int c = 8;
    const float xs[4] = {float(d.left), float(d.left + c), float(d.right - c), float(d.right)};
    const float ys[4] = {float(d.top), float(d.top + c), float(d.bottom - c), float(d.bottom)};
    const float sx[4] = {0, 8, 52, 60}, sy[4] = {0, 8, 32, 40};
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 3; ++i)
        gp::GdipDrawImageRectRect(g, s.button, xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j],
                                  sx[i], sy[j], sx[i + 1] - sx[i], sy[j + 1] - sy[j],
                                  Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
  };

  main->Clear();
  Gdiplus::GpGraphics* g = nullptr;
  gp::GdipCreateFromHDC(main->GetDC(), &g);
  gp::GdipSetTextRenderingHint(g, Gdiplus::TextRenderingHintAntiAlias);
  gp::GdipDrawImageRectRectI(g, s.background, 0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight,
                             Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
  for (const ui::UiRect& r : s.grids) nine(g, r);
  for (size_t i = 0; i < s.texts.size(); ++i) {
    Gdiplus::RectF layout(float(s.texts[i].left), float(s.texts[i].top),
                          float(s.texts[i].Width()), float(s.texts[i].Height()));
    gp::GdipDrawString(g, s.words[i].c_str(), static_cast<INT>(s.words[i].size()), font, &layout,
                       format, white);
  }
  gp::GdipDeleteGraphics(g);
  for (size_t i = 0; i < s.layers.size(); ++i) {
    ui::IRenderContext* cache = caches[i].get();
    const int w = s.layers[i].Width(), h = s.layers[i].Height();
    cache->Clear();
    Gdiplus::GpGraphics* cg = nullptr;
    gp::GdipCreateFromHDC(cache->GetDC(), &cg);
    Gdiplus::GpSolidFill* fill = nullptr;
    gp::GdipCreateSolidFill(0xB0101820, &fill);
    gp::GdipFillRectangleI(cg, fill, 0, 0, w, h);
    gp::GdipDeleteBrush(fill);
    nine(cg, {10, 10, 230, 60});
    Gdiplus::RectF layout(16, 80, 208, 20);
    gp::GdipDrawString(cg, s.words[i].c_str(), static_cast<INT>(s.words[i].size()), font, &layout,
                       format, white);
    gp::GdipDeleteGraphics(cg);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 200, AC_SRC_ALPHA};
    ::AlphaBlend(main->GetDC(), s.layers[i].left, s.layers[i].top, w, h, cache->GetDC(), 0, 0, w,
                 h, blend);
  }
  gp::GdipDeleteBrush(white);
  gp::GdipDeleteStringFormat(format);
}

double ThreadCpuMs() {
  FILETIME creation, exit, kernel, user;
  ::GetThreadTimes(::GetCurrentThread(), &creation, &exit, &kernel, &user);
  auto ms = [](const FILETIME& f) {
    return ((static_cast<int64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

// Where a frame's time goes, by kind of drawing (for looking, not a figure).
void RunParts(const Scene& s, ui::IRenderContext* main,
              std::vector<std::unique_ptr<ui::IRenderContext>>& caches) {
  const ui::UiRect all{0, 0, kWidth, kHeight};
  struct Part {
    const char* name;
    std::function<void()> draw;
  } parts[] = {
      {"background", [&] { main->DrawImageGdiPlus(all, s.background, all, {0, 0, kWidth, kHeight}, {}); }},
      {"nine-grids", [&] {
         for (const ui::UiRect& r : s.grids)
           main->DrawImageGdiPlus(all, s.button, r, {0, 0, 60, 40}, {8, 8, 8, 8});
       }},
      {"texts", [&] {
         for (size_t i = 0; i < s.texts.size(); ++i)
           main->DrawText(s.texts[i], s.words[i], 0xFFFFFFFF, L"", DT_SINGLELINE | DT_VCENTER);
       }},
      {"fills", [&] {
         for (size_t i = 0; i < s.layers.size(); ++i) caches[i]->FillRect({0, 0, 240, 200}, 0xB0101820);
       }},
      {"small fills", [&] {
         for (size_t i = 0; i < s.layers.size(); ++i) caches[i]->FillRect({0, 0, 10, 10}, 0xB0101820);
       }},
      {"opaque fills", [&] {
         for (size_t i = 0; i < s.layers.size(); ++i) caches[i]->FillRect({0, 0, 240, 200}, 0xFF101820);
       }},
      {"small image", [&] {
         for (int i = 0; i < 40; ++i) main->DrawImageGdiPlus(all, s.button, {0, 0, 8, 8}, {0, 0, 8, 8}, {});
       }},
      {"blends", [&] {
         for (size_t i = 0; i < s.layers.size(); ++i)
           main->AlphaBlend(s.layers[i].left, s.layers[i].top, 240, 200, caches[i]->GetDC(), 0, 0, 240, 200, 200);
       }},
  };
  for (const Part& part : parts) {
    std::vector<double> t;
    for (int i = 0; i < 20; ++i) {
      double t0 = NowMs();
      part.draw();
      t.push_back(NowMs() - t0);
    }
    std::printf("  %-12s median %7.2f ms\n", part.name, Percentile(t, 0.5));
  }
}

int RunFrames(int frames) {
  BenchResources resources;
  ui::SetRenderResources(&resources);
  ui::RenderFactory_GdiPlus factory;
  Scene scene;
  auto main = factory.CreateRenderContext();
  main->Resize(kWidth, kHeight);
  std::vector<std::unique_ptr<ui::IRenderContext>> caches;
  for (const ui::UiRect& r : scene.layers) {
    caches.push_back(factory.CreateRenderContext());
    caches.back()->Resize(r.Width(), r.Height());
  }

  if (std::getenv("QUORVEL_BENCH_PARTS")) RunParts(scene, main.get(), caches);

  // Interleaved, so both see the same machine load. Wall time per frame,
  // and the thread's CPU time over all frames (a loaded machine stretches
  // the first, hardly the second).
  std::vector<double> ours, peer;
  double ours_cpu = 0, peer_cpu = 0;
  for (int i = 0; i < frames + 5; ++i) {
    double c0 = ThreadCpuMs(), t0 = NowMs();
    PaintWithContext(scene, main.get(), caches);
    double c1 = ThreadCpuMs(), t1 = NowMs();
    PaintPlain(scene, main.get(), caches, resources.GetGdiplusFont(L""));
    double c2 = ThreadCpuMs(), t2 = NowMs();
    if (i >= 5) {  // warm-up frames dropped
      ours.push_back(t1 - t0);
      peer.push_back(t2 - t1);
      ours_cpu += c1 - c0;
      peer_cpu += c2 - c1;
    }
  }
  double m = Percentile(ours, 0.5), p = Percentile(ours, 0.99);
  double pm = Percentile(peer, 0.5), pp = Percentile(peer, 0.99);
  std::printf("full repaint %dx%d (background, %d nine-grids, %d texts, %d layers), %d frames\n",
              kWidth, kHeight, kNineGrids, kTexts, kLayers, frames);
  std::printf("  render context : median %6.2f ms  p99 %6.2f ms  CPU %6.2f ms/frame\n", m, p,
              ours_cpu / frames);
  std::printf("  one Graphics   : median %6.2f ms  p99 %6.2f ms  CPU %6.2f ms/frame\n", pm, pp,
              peer_cpu / frames);
  std::printf("  ratio (context / one Graphics): median %.2f  p99 %.2f\n", m / pm, p / pp);
  ui::SetRenderResources(nullptr);
  return 0;
}

int64_t ProcessCpuUs() {
  FILETIME creation, exit, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user);
  auto us = [](const FILETIME& f) {
    return ((static_cast<int64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10;
  };
  return us(kernel) + us(user);
}

// The wineserver's user + system time from /proc (through Wine's Z: drive).
int64_t WineserverCpuUs() {
  const char* pid = std::getenv("QUORVEL_WINESERVER_PID");
  if (!pid || !*pid) return -1;
  std::string path = std::string("Z:\\proc\\") + pid + "\\stat";
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  char buffer[1024] = {};
  size_t n = std::fread(buffer, 1, sizeof(buffer) - 1, f);
  std::fclose(f);
  buffer[n] = 0;
  const char* p = std::strrchr(buffer, ')');
  if (!p) return -1;
  // Fields after the name: state(3) ... utime(14) stime(15).
  unsigned long long utime = 0, stime = 0;
  if (std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                  &stime) != 2)
    return -1;
  return static_cast<int64_t>((utime + stime) * 1000000 / 100);  // USER_HZ 100
}

struct CpuFigure {
  double process = 0, server = -1;
};

// A plain message loop for ms milliseconds: GetMessage until a sleeping
// thread posts the quit.
void PumpFor(double ms) {
  const DWORD thread = ::GetCurrentThreadId();
  std::thread stopper([thread, ms] {
    ::Sleep(static_cast<DWORD>(ms));
    ::PostThreadMessageW(thread, WM_QUIT, 0, 0);
  });
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  stopper.join();
}

enum class TimerKind { kNone, kUi, kSetTimer };

CpuFigure MeasureIdle(TimerKind kind, double seconds) {
  struct Owner : base::SupportWeakCallback {};
  auto owner = std::make_unique<Owner>();
  std::vector<UINT_PTR> plain;
  int ticks = 0;
  for (int i = 0; i < 10; ++i) {
    if (kind == TimerKind::kUi)
      ui::TimerManager::Instance()->AddTimer(owner->GetWeakFlag(), [&ticks] { ++ticks; }, 16, -1);
    else if (kind == TimerKind::kSetTimer)
      plain.push_back(::SetTimer(nullptr, 0, 16, nullptr));
  }
  PumpFor(200);  // settle
  int64_t process0 = ProcessCpuUs(), server0 = WineserverCpuUs();
  double t0 = NowMs();
  PumpFor(seconds * 1000);
  double wall = NowMs() - t0;
  int64_t process1 = ProcessCpuUs(), server1 = WineserverCpuUs();
  for (UINT_PTR id : plain) ::KillTimer(nullptr, id);
  owner.reset();  // the UI timers die with their owner
  PumpFor(100);
  CpuFigure f;
  f.process = (process1 - process0) / (wall * 10.0);  // percent of one core
  if (server0 >= 0 && server1 >= 0) f.server = (server1 - server0) / (wall * 10.0);
  return f;
}

int RunTimers(double seconds, int runs) {
  ui::TimerManager::Instance();
  struct Row {
    const char* name;
    TimerKind kind;
    std::vector<double> process, server;
  } rows[] = {{"no timers (idle)", TimerKind::kNone, {}, {}},
              {"10 UI timers, 16 ms", TimerKind::kUi, {}, {}},
              {"10 SetTimer, 16 ms", TimerKind::kSetTimer, {}, {}}};
  for (int r = 0; r < runs; ++r) {
    for (Row& row : rows) {
      CpuFigure f = MeasureIdle(row.kind, seconds);
      row.process.push_back(f.process);
      row.server.push_back(f.server);
    }
  }
  std::printf("CPU of an idle process, %% of one core (median of %d runs of %.0f s)\n", runs,
              seconds);
  for (Row& row : rows) {
    double p = Percentile(row.process, 0.5), s = Percentile(row.server, 0.5);
    if (s >= 0)
      std::printf("  %-22s process %5.2f %%  wineserver %5.2f %%  total %5.2f %%\n", row.name, p, s,
                  p + s);
    else
      std::printf("  %-22s process %5.2f %%  (wineserver not measured)\n", row.name, p);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
    std::fprintf(stderr, "GDI+ did not start\n");
    return 1;
  }
  std::string mode = argc > 1 ? argv[1] : "frame";
  int rc = 2;
  if (mode == "frame") {
    rc = RunFrames(argc > 2 ? std::atoi(argv[2]) : 200);
  } else if (mode == "timers") {
    rc = RunTimers(argc > 2 ? std::atof(argv[2]) : 10, argc > 3 ? std::atoi(argv[3]) : 3);
  } else {
    std::fprintf(stderr, "usage: ui_bench frame [frames] | ui_bench timers [seconds] [runs]\n");
  }
  Gdiplus::GdiplusShutdown(token);
  return rc;
}
