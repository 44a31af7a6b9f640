// Start-up of launcher.exe with each skin of the damaged and hostile skin
// table: the time from CreateProcess until the first visible window, the
// launcher's peak working set and the skin lines
// of its trace file; medians of several runs, beside the shipped skin's.
//
//   skin_start_bench.exe <table folder> <runs> <launcher.exe> [<launcher.exe> ...]
//
// With several launchers (an earlier build first), every row is run with
// each in turn, so their figures come from the same run.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support/skin_trial.h"

namespace {

struct Figures {
  long window_ms = -1;
  double working_mib = 0;
  std::string trace;
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Figures RunOnce(const std::wstring& launcher, const testing_support::SkinRow& row) {
  Figures figures;
  testing_support::SkinTrial trial(launcher, row);
  if (!trial.ready()) return figures;
  figures.window_ms = trial.StartAndWaitForWindow();
  // What start-up still does after the window (the trace's lines) settles.
  testing_support::PumpUntil([] { return false; }, 1000);
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (GetProcessMemoryInfo(trial.launcher().process(), &counters, sizeof(counters))) {
    figures.working_mib = counters.PeakWorkingSetSize / 1048576.0;
  }
  figures.trace = trial.SkinTraceLines();
  return figures;
}

std::string FirstLine(const std::string& text, size_t width) {
  std::string line = text.substr(0, text.find('\n'));
  if (line.size() > width) line = line.substr(0, width - 3) + "...";
  return line.empty() ? "-" : line;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    fwprintf(stderr, L"usage: %ls <table folder> <runs> <launcher.exe> [...]\n", argv[0]);
    return 2;
  }
  const std::vector<testing_support::SkinRow> rows = testing_support::ReadSkinRows(argv[1]);
  const int runs = _wtoi(argv[2]);
  if (rows.empty() || runs < 1) {
    fwprintf(stderr, L"no skin table in %ls\n", argv[1]);
    return 1;
  }
  std::vector<std::wstring> launchers(argv + 3, argv + argc);

  printf("%-24s %-8s %10s %10s %10s %10s  %s\n", "skin", "build", "window_ms", "d_ms",
         "peak_ws_MiB", "d_MiB", "trace");
  // A first start warms the prefix (fonts, caches): its figures are dropped.
  for (const std::wstring& launcher : launchers) RunOnce(launcher, rows.front());
  // Row by row, each launcher in turn, so that their figures share the
  // machine's moment.
  std::vector<double> normal_ms(launchers.size()), normal_mib(launchers.size());
  for (const testing_support::SkinRow& row : rows) {
    for (size_t which = 0; which < launchers.size(); ++which) {
      std::vector<double> ms, mib;
      std::string trace;
      int failed = 0;
      for (int i = 0; i < runs; ++i) {
        Figures f = RunOnce(launchers[which], row);
        if (f.window_ms < 0) {
          ++failed;
          continue;
        }
        ms.push_back(static_cast<double>(f.window_ms));
        mib.push_back(f.working_mib);
        trace = f.trace;
      }
      const double m = Median(ms), w = Median(mib);
      if (row.name == rows.front().name) {
        normal_ms[which] = m;
        normal_mib[which] = w;
      }
      char build[16];
      snprintf(build, sizeof(build), "#%u", static_cast<unsigned>(which + 1));
      if (failed == runs) {
        printf("%-24s %-8s %10s %10s %10s %10s  %s\n", row.name.c_str(), build, "none", "-", "-",
               "-", FirstLine(trace, 110).c_str());
      } else {
        printf("%-24s %-8s %10.0f %+10.0f %10.1f %+10.1f  %s%s\n", row.name.c_str(), build, m,
               m - normal_ms[which], w, w - normal_mib[which], FirstLine(trace, 110).c_str(),
               failed ? " (some runs without window)" : "");
      }
      fflush(stdout);
    }
  }
  return 0;
}
