// Figures of a skinned window at the main window's size (1340x750 inside
// its 14-pixel shadow) holding 200 controls: coloured and bordered
// controls, nine-grid images and text rows.
//  paint [frames] [runs] - per run, median and p99 ms of
//      full:  a whole-window WM_PAINT (clear, paint, alpha repair,
//             UpdateLayeredWindow);
//      hover: a mouse move onto the next control and the repaint it causes;
//      peer:  the same tree painted into an off-screen context alone (no
//             window: no alpha work, no on-screen update);
//      hpeer: the hover's repaint area painted off-screen alone (the tree's
//             share of a hover repaint);
//      ulw:   UpdateLayeredWindow of the whole surface alone, the on-screen
//             update every paint ends with (Wine sends the whole surface to
//             the display each time).
//  shots DIR - PNG files of a small skinned window's surface in its
//      normal, hot and pressed states.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/ui/bench_png.h"
#include "bench/ui/bench_timing.h"
#include "ui/core/box.h"
#include "ui/core/global_resources.h"
#include "ui/core/window_impl_base.h"
#include "ui/render/auto_clip.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_resources.h"

namespace gp = Gdiplus::DllExports;

namespace {

constexpr int kColumns = 10, kRows = 20;  // 200 controls

using ui_bench::NowMs;
using ui_bench::Percentile;

void PumpAll() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// A 24x24 picture with 6-pixel borders, drawn as a nine-grid.
class ImageControl : public ui::Control {
 public:
  explicit ImageControl(Gdiplus::GpImage* image) : image_(image) {}
  void Paint(ui::IRenderContext* render, const ui::UiRect& paint_rect) override {
    render->DrawImageGdiPlus(paint_rect, image_, GetPos(), ui::UiRect{0, 0, 24, 24},
                             ui::UiRect{6, 6, 6, 6});
  }

 private:
  Gdiplus::GpImage* image_;
};

// A line of text over a colour, as labels and buttons draw it.
class TextControl : public ui::Control {
 public:
  explicit TextControl(std::wstring text) : text_(std::move(text)) {}
  void Paint(ui::IRenderContext* render, const ui::UiRect& paint_rect) override {
    ui::Control::Paint(render, paint_rect);
    render->DrawText(GetPos(), text_, 0xFF202020, L"", DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }

 private:
  std::wstring text_;
};

Gdiplus::GpBitmap* MakeFrameImage() {
  std::vector<uint32_t> pixels(24 * 24);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      const bool border = x < 6 || x >= 18 || y < 6 || y >= 18;
      pixels[y * 24 + x] = border ? 0xFF3070C0u : 0xFFE8F0F8u;
    }
  }
  Gdiplus::GpBitmap* wrapped = nullptr;
  Gdiplus::GpBitmap* image = nullptr;
  gp::GdipCreateBitmapFromScan0(24, 24, 24 * 4, PixelFormat32bppARGB,
                                reinterpret_cast<BYTE*>(pixels.data()), &wrapped);
  gp::GdipCloneBitmapAreaI(0, 0, 24, 24, PixelFormat32bppPARGB, wrapped, &image);
  gp::GdipDisposeImage(wrapped);
  return image;
}

// A window whose skin is markup text; it makes the bench's own elements.
class BenchWindow : public ui::WindowImplBase {
 public:
  BenchWindow(std::wstring skin, Gdiplus::GpImage* image) : skin_(std::move(skin)), image_(image) {}
  std::wstring GetWindowClassName() const override { return L"QuorvelBenchWindow"; }
  std::wstring GetSkinFolder() override { return L""; }
  std::wstring GetSkinFile() override { return skin_; }
  ui::Control* CreateControl(const std::wstring& name) override {
    if (name == L"Picture") return new ImageControl(image_);
    if (name == L"Text") return new TextControl(L"Item " + std::to_wstring(++texts_));
    return nullptr;
  }

 private:
  std::wstring skin_;
  Gdiplus::GpImage* image_;
  int texts_ = 0;
};

void SetUpResources() {
  ui::GlobalResources& r = ui::GlobalResources::Instance();
  r.colors[L"page"] = 0xFFF4F6F8;
  r.colors[L"cell"] = 0xFFFFFFFF;
  r.colors[L"hot"] = 0xFFCCE4FF;
  r.colors[L"pushed"] = 0xFF7FB2F0;
  r.colors[L"line"] = 0xFF8899AA;
  r.colors[L"text"] = 0xFFFFF4D0;
  r.AddFont(L"", L"DejaVu Sans", 14, false, false, false, true);
  ui::SetRenderResources(&r);
}

// 20 rows of 10: cells (hot and pushed colours, a border), images, texts.
std::wstring MainSkin() {
  std::wstring rows;
  for (int row = 0; row < kRows; ++row) {
    rows += L"<HBox height=\"34\" childmargin=\"4\">";
    for (int col = 0; col < kColumns; ++col) {
      switch ((row * kColumns + col) % 4) {
        case 0:
        case 1:
          rows += L"<Control name=\"c" + std::to_wstring(row * kColumns + col) +
                  L"\" normalcolor=\"cell\" hotcolor=\"hot\" pushedcolor=\"pushed\" "
                  L"bordercolor=\"line\" bordersize=\"1\"/>";
          break;
        case 2:
          rows += L"<Picture/>";
          break;
        default:
          rows += L"<Text bkcolor=\"text\"/>";
          break;
      }
    }
    rows += L"</HBox>";
  }
  return L"<Window size=\"1340,750\" caption=\"0,0,0,40\">"
         L"<VBox bkcolor=\"page\" padding=\"10,10,10,10\" childmargin=\"2\">" +
         rows + L"</VBox></Window>";
}

// The hover fade plays over time; a single repaint is what is measured.
void NoHoverFades(ui::Window* window) {
  for (int i = 0; i < kRows * kColumns; ++i) {
    if (ui::Control* c = window->FindControlByName(L"c" + std::to_wstring(i)))
      c->GetAnimationSet().SetFadeHot(false);
  }
}

LPARAM CentreOf(ui::Control* c) {
  const ui::UiRect r = c->GetPos();
  return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Report(const char* name, const std::vector<double>& ms) {
  std::printf("  %-6s median %7.3f ms   p99 %7.3f ms\n", name, Percentile(ms, 0.5),
              Percentile(ms, 0.99));
}

// QUORVEL_BENCH_PARTS=1: the peer's share of each kind of control (cells
// with their borders, pictures, texts), each painted alone over the tree.
void ReportParts(ui::Window* window, ui::IRenderContext* peer, const ui::UiRect& all,
                 int frames) {
  auto* rows = dynamic_cast<ui::Box*>(window->GetRoot());
  if (!rows) return;
  const char* names[] = {"cells", "images", "texts"};
  for (int kind = 0; kind < 3; ++kind) {
    std::vector<double> ms;
    for (int i = 0; i < frames; ++i) {
      const double t0 = NowMs();
      for (int r = 0; r < rows->GetCount(); ++r) {
        auto* row = dynamic_cast<ui::Box*>(rows->GetItemAt(r));
        for (int c = 0; row && c < row->GetCount(); ++c) {
          const int k = (r * kColumns + c) % 4;
          if ((k < 2 ? 0 : k - 1) == kind) row->GetItemAt(c)->PaintBlended(peer, all);
        }
      }
      ms.push_back(NowMs() - t0);
    }
    Report(names[kind], ms);
  }
}

int RunPaint(int frames, int runs) {
  Gdiplus::GpBitmap* image = MakeFrameImage();
  auto* window = new BenchWindow(MainSkin(), image);
  HWND hwnd = window->Create(nullptr, L"bench", WS_POPUP, 0, true);
  if (!hwnd) {
    std::fprintf(stderr, "window not created\n");
    return 1;
  }
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  InvalidateRect(hwnd, nullptr, FALSE);
  SendMessageW(hwnd, WM_PAINT, 0, 0);
  PumpAll();
  NoHoverFades(window);
  RECT client;
  GetClientRect(hwnd, &client);
  std::printf("window paint: surface %ldx%ld (1340x750 inside the shadow), 200 controls\n",
              client.right, client.bottom);

  // Neighbouring cells the mouse moves between.
  std::vector<ui::Control*> path;
  for (int i = 0; i < kRows * kColumns; i += 4) {
    path.push_back(window->FindControlByName(L"c" + std::to_wstring(i)));
    path.push_back(window->FindControlByName(L"c" + std::to_wstring(i + 1)));
  }
  auto peer = ui::RenderFactory_GdiPlus().CreateRenderContext();
  peer->Resize(client.right, client.bottom);
  const ui::UiRect all{0, 0, client.right, client.bottom};

  std::vector<double> all_full, all_hover, all_peer, all_ulw, all_hpeer;
  ui::Control* previous = path.back();
  for (int run = 0; run < runs; ++run) {
    std::vector<double> full, hover, off, ulw, hpeer;
    for (int i = 0; i < frames; ++i) {
      double t0 = NowMs();
      InvalidateRect(hwnd, nullptr, FALSE);
      SendMessageW(hwnd, WM_PAINT, 0, 0);
      full.push_back(NowMs() - t0);

      ui::Control* target = path[i % path.size()];
      t0 = NowMs();
      SendMessageW(hwnd, WM_MOUSEMOVE, 0, CentreOf(target));
      PumpAll();
      hover.push_back(NowMs() - t0);

      const ui::UiRect a = previous->GetPos(), b = target->GetPos();
      const ui::UiRect area{std::min(a.left, b.left), std::min(a.top, b.top),
                            std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
      previous = target;
      t0 = NowMs();
      {
        ui::AutoClip clip(peer.get(), area);
        window->GetRoot()->Paint(peer.get(), area);
        window->GetRoot()->PaintChildren(peer.get(), area);
      }
      hpeer.push_back(NowMs() - t0);

      t0 = NowMs();
      peer->Clear();
      window->GetRoot()->Paint(peer.get(), all);
      window->GetRoot()->PaintChildren(peer.get(), all);
      off.push_back(NowMs() - t0);

      RECT at;
      GetWindowRect(hwnd, &at);
      POINT destination{at.left, at.top}, source{0, 0};
      SIZE size{client.right, client.bottom};
      BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      t0 = NowMs();
      UpdateLayeredWindow(hwnd, nullptr, &destination, &size, window->GetRenderContext()->GetDC(),
                          &source, 0, &blend, ULW_ALPHA);
      ulw.push_back(NowMs() - t0);
    }
    std::printf("run %d (%d frames):\n", run + 1, frames);
    Report("full", full);
    Report("hover", hover);
    Report("peer", off);
    Report("hpeer", hpeer);
    Report("ulw", ulw);
    all_ulw.insert(all_ulw.end(), ulw.begin(), ulw.end());
    all_hpeer.insert(all_hpeer.end(), hpeer.begin(), hpeer.end());
    all_full.insert(all_full.end(), full.begin(), full.end());
    all_hover.insert(all_hover.end(), hover.begin(), hover.end());
    all_peer.insert(all_peer.end(), off.begin(), off.end());
  }
  std::printf("all runs:\n");
  Report("full", all_full);
  Report("hover", all_hover);
  Report("peer", all_peer);
  Report("hpeer", all_hpeer);
  Report("ulw", all_ulw);
  std::printf("  full / peer (medians): %.2f\n",
              Percentile(all_full, 0.5) / Percentile(all_peer, 0.5));
  std::printf("  hover without the on-screen update (medians): %.3f ms\n",
              Percentile(all_hover, 0.5) - Percentile(all_ulw, 0.5));
  if (std::getenv("QUORVEL_BENCH_PARTS")) {
    std::printf("parts (peer):\n");
    ReportParts(window, peer.get(), all, frames);
  }
  DestroyWindow(hwnd);
  PumpAll();
  gp::GdipDisposeImage(image);
  return 0;
}

int RunShots(const std::wstring& folder) {
  Gdiplus::GpBitmap* image = MakeFrameImage();
  auto* window = new BenchWindow(
      L"<Window size=\"320,120\" caption=\"0,0,0,30\">"
      L"<VBox bkcolor=\"page\" padding=\"12,12,12,12\" childmargin=\"8\">"
      L"<HBox height=\"30\" childmargin=\"8\"><Picture width=\"30\"/><Text bkcolor=\"text\"/></HBox>"
      L"<Control name=\"c0\" height=\"40\" normalcolor=\"cell\" hotcolor=\"hot\" "
      L"pushedcolor=\"pushed\" bordercolor=\"line\" bordersize=\"2\"/>"
      L"</VBox></Window>",
      image);
  HWND hwnd = window->Create(nullptr, L"shots", WS_POPUP, 0, true);
  if (!hwnd) return 1;
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  InvalidateRect(hwnd, nullptr, FALSE);
  SendMessageW(hwnd, WM_PAINT, 0, 0);
  PumpAll();
  NoHoverFades(window);
  ui::Control* button = window->FindControlByName(L"c0");
  struct Step {
    const wchar_t* name;
    UINT message;
  } steps[] = {{L"normal", 0}, {L"hot", WM_MOUSEMOVE}, {L"pressed", WM_LBUTTONDOWN}};
  int failures = 0;
  for (const Step& step : steps) {
    if (step.message) SendMessageW(hwnd, step.message, 0, CentreOf(button));
    PumpAll();
    InvalidateRect(hwnd, nullptr, FALSE);
    SendMessageW(hwnd, WM_PAINT, 0, 0);
    const std::wstring path = folder + L"\\window_" + step.name + L".png";
    const bool saved = ui_bench::SavePng(window->GetRenderContext(), path);
    std::printf("%ls: %s\n", path.c_str(), saved ? "saved" : "FAILED");
    failures += saved ? 0 : 1;
  }
  DestroyWindow(hwnd);
  PumpAll();
  gp::GdipDisposeImage(image);
  return failures;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  SetUpResources();
  const std::wstring mode = argc > 1 ? argv[1] : L"paint";
  int result = 2;
  if (mode == L"paint") {
    result = RunPaint(argc > 2 ? _wtoi(argv[2]) : 100, argc > 3 ? _wtoi(argv[3]) : 3);
  } else if (mode == L"shots" && argc > 2) {
    result = RunShots(argv[2]);
  } else {
    std::fprintf(stderr, "usage: window_bench paint [frames] [runs] | shots DIR\n");
  }
  return result;
}
