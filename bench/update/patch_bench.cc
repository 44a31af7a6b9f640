// Applies one patch with one applier and prints how long the call took and the
// process's memory before and at its peak, as key=value pairs on one line.
// "none" applies nothing: the process's own figures under Wine.
//   patch_bench.exe streamed|memory|none OLD NEW PATCH
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include "update/patch/in_memory_patch.h"
#include "update/patch/streamed_patch.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

PROCESS_MEMORY_COUNTERS_EX Memory() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof(counters));
  return counters;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5 || (wcscmp(argv[1], L"streamed") != 0 && wcscmp(argv[1], L"memory") != 0 &&
                    wcscmp(argv[1], L"none") != 0)) {
    fprintf(stderr, "usage: patch_bench.exe streamed|memory|none OLD NEW PATCH\n");
    return 2;
  }
  const bool streamed = wcscmp(argv[1], L"streamed") == 0;
  const bool none = wcscmp(argv[1], L"none") == 0;
  PROCESS_MEMORY_COUNTERS_EX before = Memory();
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  int detail = 0;
  int result = none ? 0
               : streamed ? PatchFileStreamedW(argv[2], argv[3], argv[4], &detail)
                          : PatchFileW(argv[2], argv[3], argv[4]);
  QueryPerformanceCounter(&end);
  PROCESS_MEMORY_COUNTERS_EX after = Memory();
  fflush(stdout);
  printf("\napplier=%s result=%d detail=%d seconds=%.3f base_ws_mib=%.1f peak_ws_mib=%.1f "
         "base_private_mib=%.1f peak_private_mib=%.1f\n",
         none ? "none" : streamed ? "streamed" : "memory", result, detail,
         double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
         before.WorkingSetSize / kMiB, after.PeakWorkingSetSize / kMiB, before.PagefileUsage / kMiB,
         after.PeakPagefileUsage / kMiB);
  return result == 0 ? 0 : 1;
}
