// Text effects beside plain text.
//  time [frames] [runs] - per run, the median ms of painting one label of
//      the same text plainly and with each effect (glow, gradient, glow with
//      gradient and letter spacing), off-screen; then the medians of the
//      runs' medians and each effect's ratio to plain text.
//  shots DIR - a PNG of every effect in English, Thai, Arabic and Korean.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/ui/bench_png.h"
#include "bench/ui/bench_timing.h"
#include "ui/controls/label.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_resources.h"

namespace gp = Gdiplus::DllExports;

namespace {

using ui_bench::NowMs;
using ui_bench::Percentile;

// One face per script, as the launcher picks them: Loma for Thai, the CJK
// face for Korean, DejaVu Sans (the only one here with Arabic) otherwise.
class BenchResources : public ui::IRenderResources {
 public:
  BenchResources() {
    const std::pair<const wchar_t*, const wchar_t*> faces[] = {
        {L"en", L"DejaVu Sans"}, {L"th", L"Loma"}, {L"ar", L"DejaVu Sans"},
        {L"ko", L"Noto Sans CJK KR"}};
    for (const auto& face : faces) {
      Gdiplus::GpFontFamily* family = nullptr;
      Gdiplus::GpFont* font = nullptr;
      if (gp::GdipCreateFontFamilyFromName(face.second, nullptr, &family) == Gdiplus::Ok)
        gp::GdipCreateFont(family, 26, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &font);
      fonts_[face.first] = font;
      if (!font) std::printf("no face %ls\n", face.second);
    }
  }
  Gdiplus::GpFont* GetGdiplusFont(const std::wstring& id) override {
    auto it = fonts_.find(id.empty() ? L"en" : id);
    return it == fonts_.end() ? nullptr : it->second;
  }
  uint32_t GetColor(const std::wstring& name) override {
    static const std::map<std::wstring, uint32_t> colors = {
        {L"textdefaultcolor", 0xFFF2E6C9}, {L"gold", 0xFFFFD36B},  {L"amber", 0xFFC9731E},
        {L"glow1", 0xFF3A1A00},            {L"glow2", 0xFFFF9A2E}, {L"ink", 0xFFF7F1E3}};
    auto it = colors.find(name);
    return it == colors.end() ? 0 : it->second;
  }
  bool TextAntiAlias() override { return true; }

 private:
  std::map<std::wstring, Gdiplus::GpFont*> fonts_;
};

struct Sample {
  const wchar_t* language;
  const wchar_t* text;
};
const Sample kSamples[] = {
    {L"en", L"Start Game"},
    {L"th", L"\u0E40\u0E23\u0E34\u0E48\u0E21\u0E40\u0E01\u0E21\u0E17\u0E35\u0E48\u0E19\u0E35\u0E48"},
    {L"ar", L"\u0627\u0628\u062F\u0623 \u0627\u0644\u0644\u0639\u0628\u0629"},
    {L"ko", L"\uAC8C\uC784 \uC2DC\uC791"},
};

struct Effect {
  const char* name;
  const wchar_t* attributes;
};
const Effect kEffects[] = {
    {"plain", L""},
    {"glow", L"gradient_outline=\"glow1,glow2,5,true\""},
    {"gradient", L"gradient_text=\"gold,amber,1,1\""},
    {"all", L"gradient_outline=\"glow1,glow2,5,true\" gradient_text=\"gold,amber,1,1,4\""},
};

std::unique_ptr<ui::Label> MakeLabel(const Sample& sample, const Effect& effect,
                                     const ui::UiRect& rect) {
  auto label = std::make_unique<ui::Label>();
  label->ApplyAttributeList(std::wstring(L"font=\"") + sample.language +
                            L"\" normaltextcolor=\"ink\" align=\"left\" " + effect.attributes);
  label->SetText(sample.text);
  label->SetPos(rect);
  return label;
}

int RunTime(int frames, int runs) {
  ui::RenderFactory_GdiPlus factory;
  auto surface = factory.CreateRenderContext();
  surface->Resize(400, 60);
  const ui::UiRect rect{10, 8, 390, 52};
  std::map<std::string, std::vector<double>> medians;
  for (int run = 0; run < runs; ++run) {
    for (const Effect& effect : kEffects) {
      auto label = MakeLabel(kSamples[0], effect, rect);
      std::vector<double> times;
      for (int f = 0; f < frames; ++f) {
        const double start = NowMs();
        surface->Clear();
        label->Paint(surface.get(), ui::UiRect{0, 0, 400, 60});
        times.push_back(NowMs() - start);
      }
      medians[effect.name].push_back(Percentile(times, 0.5));
      std::printf("run %d %-8s median %.3f ms p99 %.3f ms\n", run, effect.name,
                  Percentile(times, 0.5), Percentile(times, 0.99));
    }
  }
  const double plain = Percentile(medians["plain"], 0.5);
  std::printf("medians of %d runs x %d frames (one label, \"%ls\", off-screen):\n", runs, frames,
              kSamples[0].text);
  for (const Effect& effect : kEffects) {
    const double m = Percentile(medians[effect.name], 0.5);
    std::printf("  %-8s %.3f ms  %.2fx plain\n", effect.name, m, m / plain);
  }
  return 0;
}

int RunShots(const std::wstring& folder) {
  ui::RenderFactory_GdiPlus factory;
  auto surface = factory.CreateRenderContext();
  const int cell_w = 300, cell_h = 56;
  const int columns = sizeof(kEffects) / sizeof(kEffects[0]);
  const int rows = sizeof(kSamples) / sizeof(kSamples[0]);
  surface->Resize(cell_w * columns, cell_h * rows);
  surface->Clear();
  surface->FillRect(ui::UiRect{0, 0, cell_w * columns, cell_h * rows}, 0xFF1B1E24, 255);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const ui::UiRect cell{c * cell_w + 8, r * cell_h + 6, (c + 1) * cell_w - 8,
                            (r + 1) * cell_h - 6};
      MakeLabel(kSamples[r], kEffects[c], cell)->Paint(surface.get(), cell);
    }
  }
  const std::wstring path = folder + L"\\text_effects.png";
  const bool saved = ui_bench::SavePng(surface.get(), path);
  std::printf("%ls %s\n", path.c_str(), saved ? "written" : "NOT written");
  return saved ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  int rc = 2;
  {
    BenchResources resources;
    ui::SetRenderResources(&resources);
    const std::wstring mode = argc > 1 ? argv[1] : L"time";
    if (mode == L"time")
      rc = RunTime(argc > 2 ? _wtoi(argv[2]) : 200, argc > 3 ? _wtoi(argv[3]) : 5);
    else if (mode == L"shots" && argc > 2)
      rc = RunShots(argv[2]);
    else
      std::printf("usage: text_effect_bench time [frames] [runs] | shots DIR\n");
    ui::SetRenderResources(nullptr);
  }
  Gdiplus::GdiplusShutdown(token);
  return rc;
}
