// Figures of scrolling in a skinned window the size of the settings
// dialog's page list (579x404): a list of 200 items and a virtual list of
// 100,000 rows, each with its vertical bar.
//  frames [notches] [runs] - per run, median and p99 ms of
//      wheel:  one wheel notch taken to its end at once (the clock moved
//              past the smooth scroll) and the repaint it causes;
//      smooth: each frame of a notch's smooth scroll: one 16 ms animation
//              step and its repaint;
//      full:   a whole-window repaint without scrolling (the peer: the
//              goal is a scroll frame no dearer than this).
//  memory - private bytes a virtual list costs at 1,000 and 100,000 rows.
//  shots DIR - PNG files of a scrolled list (off-screen render of the
//      window's tree) with its thumb normal, hot and pushed.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "bench/ui/bench_timing.h"
#include "bench/ui/bench_png.h"
#include "ui/animation/timer_manager.h"
#include "ui/controls/virtual_list_box.h"
#include "ui/core/global_resources.h"
#include "ui/core/window_impl_base.h"
#include "ui/render/render_factory_gdiplus.h"

namespace gp = Gdiplus::DllExports;

namespace {

using ui_bench::NowMs;
using ui_bench::Percentile;

constexpr int kWidth = 579, kHeight = 404;
constexpr int kRowHeight = 40;

// A clock the bench moves, so that a smooth scroll runs frame by frame.
class BenchClock : public ui::TimerManager::Clock, public ui::TimerManager::WakeSource {
 public:
  int64_t Frequency() override { return 1000000; }
  int64_t Now() override { return now; }
  uint32_t StartPeriodic(uint32_t) override { return running = ++next; }
  void Kill(uint32_t id) override {
    if (id == running) running = 0;
  }
  int64_t now = 1000000;
  uint32_t running = 0, next = 0;
};

void PumpAll() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class Rows : public ui::VirtualListDataProvider {
 public:
  explicit Rows(int count) : count_(count) {}
  ui::Control* CreateElement() override {
    auto* item = new ui::ListContainerElement;
    item->ApplyAttributeList(ItemAttributes());
    return item;
  }
  void FillElement(ui::Control* element, int index) override {
    static_cast<ui::ListContainerElement*>(element)->SetText(L"Row " + std::to_wstring(index));
  }
  int GetElementCount() override { return count_; }
  static std::wstring ItemAttributes() {
    return L"height=\"40\" bkcolor=\"cell\" bordercolor=\"line\" bordersize=\"1\" "
           L"normaltextcolor=\"text\" textpadding=\"12,0,0,0\"";
  }

 private:
  int count_;
};

class BenchWindow : public ui::WindowImplBase {
 public:
  explicit BenchWindow(std::wstring skin) : skin_(std::move(skin)) {}
  std::wstring GetWindowClassName() const override { return L"QuorvelScrollBench"; }
  std::wstring GetSkinFolder() override { return L""; }
  std::wstring GetSkinFile() override { return skin_; }

 private:
  std::wstring skin_;
};

std::wstring g_bar_style = L"width='14' autohidescroll='false' showbutton1='false' "
                           L"showbutton2='false'";

// 200 items, or an empty virtual list.
std::wstring Skin(bool virtual_list) {
  std::wstring body;
  if (virtual_list) {
    body = L"<VirtualListBox name=\"list\" bkcolor=\"page\" vscrollbar=\"true\" "
           L"vscrollbarstyle=\"" + g_bar_style + L"\"/>";
  } else {
    body = L"<VListBox name=\"list\" bkcolor=\"page\" vscrollbar=\"true\" vscrollbarstyle=\"" +
           g_bar_style + L"\">";
    for (int i = 0; i < 200; ++i) {
      body += L"<ListContainerElement text=\"Item " + std::to_wstring(i) + L"\" " +
              Rows::ItemAttributes() + L"/>";
    }
    body += L"</VListBox>";
  }
  return L"<Window shadowattached=\"false\" size=\"579,404\">" + body + L"</Window>";
}

struct Scene {
  BenchClock clock;
  std::unique_ptr<ui::TimerManager> timers{new ui::TimerManager(&clock, &clock)};
  std::unique_ptr<Rows> rows;
  BenchWindow* window = nullptr;
  HWND hwnd = nullptr;
  ui::ScrollableBox* list = nullptr;

  // rows > 0: a virtual list of that many rows.
  bool Open(int virtual_rows, bool show) {
    window = new BenchWindow(Skin(virtual_rows > 0));
    window->SetTimerManager(timers.get());
    hwnd = window->Create(nullptr, L"scroll bench", WS_POPUP, 0, true);
    if (!hwnd) return false;
    list = dynamic_cast<ui::ScrollableBox*>(window->FindControlByName(L"list"));
    if (!list) return false;
    list->SetTimerManager(timers.get());
    if (virtual_rows > 0) {
      auto* vlist = static_cast<ui::VirtualListBox*>(list);
      rows.reset(new Rows(virtual_rows));
      vlist->SetDataProvider(rows.get());
      vlist->SetElementHeight(kRowHeight);
      vlist->InitElement(3 * (kHeight / kRowHeight + 1));
    }
    if (show) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    Paint();
    PumpAll();
    return true;
  }
  void Close() {
    if (hwnd) DestroyWindow(hwnd);
    PumpAll();
    hwnd = nullptr;
  }
  void Paint() {
    InvalidateRect(hwnd, nullptr, FALSE);
    SendMessageW(hwnd, WM_PAINT, 0, 0);
  }
  // Paints what the scroll invalidated.
  void Repaint() { SendMessageW(hwnd, WM_PAINT, 0, 0); }
  void Wheel(int delta) {
    POINT at{kWidth / 2, kHeight / 2};
    ClientToScreen(hwnd, &at);
    SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(at.x, at.y));
  }
  void Step(double ms) {
    clock.now += static_cast<int64_t>(ms * 1000);
    timers->RunDueTimers();
  }
};

void Report(const char* name, const std::vector<double>& ms) {
  std::printf("  %-8s median %7.3f ms   p99 %7.3f ms   (%zu frames)\n", name,
              Percentile(ms, 0.5), Percentile(ms, 0.99), ms.size());
}

// Down until the end, then up until the top, and so on.
int NextDelta(ui::ScrollableBox* list, int* direction) {
  const ui::UiSize pos = list->GetScrollPos();
  if (*direction < 0 && pos.cy >= list->GetScrollRange().cy) *direction = 1;
  if (*direction > 0 && pos.cy <= 0) *direction = -1;
  return 120 * *direction;
}

int RunFrames(int notches, int runs) {
  for (int kind = 0; kind < 2; ++kind) {
    Scene scene;
    if (!scene.Open(kind == 0 ? 0 : 100000, true)) {
      std::fprintf(stderr, "window not created\n");
      return 1;
    }
    std::printf("%s: range %d px\n", kind == 0 ? "list of 200 items" : "virtual list of 100,000 rows",
                scene.list->GetScrollRange().cy);
    std::vector<double> all_wheel, all_smooth, all_full;
    int direction = -1;
    for (int run = 0; run < runs; ++run) {
      std::vector<double> wheel, smooth, full;
      for (int i = 0; i < notches; ++i) {
        double t0 = NowMs();
        scene.Wheel(NextDelta(scene.list, &direction));
        scene.Step(2000);
        scene.Repaint();
        wheel.push_back(NowMs() - t0);

        scene.Wheel(NextDelta(scene.list, &direction));
        for (int frame = 0; frame < 200 && scene.clock.running; ++frame) {
          t0 = NowMs();
          scene.Step(16);
          scene.Repaint();
          smooth.push_back(NowMs() - t0);
        }
        t0 = NowMs();
        scene.Paint();
        full.push_back(NowMs() - t0);
      }
      std::printf(" run %d:\n", run + 1);
      Report("wheel", wheel);
      Report("smooth", smooth);
      Report("full", full);
      all_wheel.insert(all_wheel.end(), wheel.begin(), wheel.end());
      all_smooth.insert(all_smooth.end(), smooth.begin(), smooth.end());
      all_full.insert(all_full.end(), full.begin(), full.end());
    }
    std::printf(" all runs:\n");
    Report("wheel", all_wheel);
    Report("smooth", all_smooth);
    Report("full", all_full);
    scene.Close();
  }
  return 0;
}

// Bytes held by live C++ allocations of this program (the controls, their
// images and texts, the layouts), counted by the operators below.
std::atomic<int64_t> g_live_bytes{0};

int RunMemory() {
  for (int rows : {1000, 100000, 1000, 100000}) {
    const int64_t before = g_live_bytes.load();
    Scene scene;
    if (!scene.Open(rows, false)) return 1;
    scene.list->SetScrollPos(ui::UiSize{0, scene.list->GetScrollRange().cy / 2});
    scene.Paint();
    const int64_t after = g_live_bytes.load();
    std::printf("virtual list of %6d rows: %d element controls, %.1f KB in live allocations\n",
                rows, static_cast<ui::Box*>(scene.list)->GetCount(), (after - before) / 1024.0);
    scene.Close();
  }
  return 0;
}

// A 14 x 28 picture of one colour with a lighter one-pixel edge and
// rounded (transparent) corners, as the skin's bar images have.
bool WriteBarImage(const std::wstring& path, uint32_t color) {
  auto picture = ui::RenderFactory_GdiPlus().CreateRenderContext();
  picture->Resize(14, 28);
  uint32_t* pixels = picture->GetBits();
  if (!pixels) return false;
  for (int y = 0; y < 28; ++y) {
    for (int x = 0; x < 14; ++x) {
      const bool edge_x = x == 0 || x == 13, edge_y = y == 0 || y == 27;
      pixels[y * 14 + x] = edge_x && edge_y ? 0 : (edge_x || edge_y) ? 0xFFFFFFFF : color;
    }
  }
  return ui_bench::SavePng(picture.get(), path);
}

int RunShots(const std::wstring& folder) {
  const struct {
    const wchar_t* name;
    uint32_t color;
  } images[] = {{L"track", 0xFFE4E7EB}, {L"thumb_normal", 0xFFA0A8B4},
                {L"thumb_hot", 0xFF5A8DEE}, {L"thumb_pushed", 0xFF1F4FB8}};
  for (const auto& image : images) {
    if (!WriteBarImage(folder + L"\\bar_" + image.name + L".png", image.color)) {
      std::fprintf(stderr, "cannot write the bar images into %ls\n", folder.c_str());
      return 1;
    }
  }
  Scene scene;
  if (!scene.Open(0, false)) return 1;
  ui::ScrollBar* bar = scene.list->GetVerticalScrollBar();
  const struct {
    const wchar_t* attribute;
    const wchar_t* image;
  } looks[] = {{L"bknormalimage", L"track"}, {L"thumbnormalimage", L"thumb_normal"},
               {L"thumbhotimage", L"thumb_hot"}, {L"thumbpushedimage", L"thumb_pushed"}};
  for (const auto& look : looks) {
    bar->SetAttribute(look.attribute, L"file='" + folder + L"\\bar_" + look.image +
                                          L".png' corner='0,6,0,6'");
  }
  scene.list->SetScrollPos(ui::UiSize{0, 2000});
  const ui::UiRect thumb = bar->GetThumbRect();
  const LPARAM on_thumb = MAKELPARAM((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
  const struct {
    const wchar_t* name;
    UINT message;
  } steps[] = {{L"normal", 0}, {L"hot", WM_MOUSEMOVE}, {L"pushed", WM_LBUTTONDOWN}};
  auto render = ui::RenderFactory_GdiPlus().CreateRenderContext();
  int failures = 0;
  for (const auto& step : steps) {
    if (step.message) SendMessageW(scene.hwnd, step.message, step.message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, on_thumb);
    render->Resize(kWidth, kHeight);
    render->Clear();
    const ui::UiRect all{0, 0, kWidth, kHeight};
    scene.window->GetRoot()->Paint(render.get(), all);
    scene.window->GetRoot()->PaintChildren(render.get(), all);
    const std::wstring path = folder + L"\\scrolled_list_thumb_" + step.name + L".png";
    const bool saved = ui_bench::SavePng(render.get(), path);
    std::printf("%ls: %s (thumb state %d)\n", path.c_str(), saved ? "saved" : "FAILED",
                bar->GetThumbState());
    failures += saved ? 0 : 1;
  }
  SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, on_thumb);
  scene.Close();
  return failures;
}

void SetUpResources() {
  ui::GlobalResources& r = ui::GlobalResources::Instance();
  r.colors[L"page"] = 0xFFF4F6F8;
  r.colors[L"cell"] = 0xFFFFFFFF;
  r.colors[L"line"] = 0xFFD0D6DE;
  r.colors[L"text"] = 0xFF202830;
  r.AddFont(L"", L"DejaVu Sans", 14, false, false, false, true);
  ui::SetRenderResources(&r);
}

}  // namespace

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  g_live_bytes += static_cast<int64_t>(_msize(p));
  return p;
}

void operator delete(void* p) noexcept {
  if (!p) return;
  g_live_bytes -= static_cast<int64_t>(_msize(p));
  std::free(p);
}

void operator delete(void* p, size_t) noexcept { operator delete(p); }

int wmain(int argc, wchar_t** argv) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  SetUpResources();
  const std::wstring mode = argc > 1 ? argv[1] : L"frames";
  int result = 2;
  if (mode == L"frames") {
    result = RunFrames(argc > 2 ? _wtoi(argv[2]) : 20, argc > 3 ? _wtoi(argv[3]) : 5);
  } else if (mode == L"memory") {
    result = RunMemory();
  } else if (mode == L"shots" && argc > 2) {
    result = RunShots(argv[2]);
  } else {
    std::fprintf(stderr, "usage: scroll_bench frames [notches] [runs] | memory | shots DIR\n");
  }
  return result;
}
