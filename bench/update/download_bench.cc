// download_bench: downloads a list of files with the download engine, Pump
// every 2 ms as the engine thread does, and prints the time it took.
//
//   download_bench LIST FOLDER KILL_FRACTION SERVER...
//
// LIST holds "path md5 size" per line; files land in FOLDER. A KILL_FRACTION
// above 0 ends the process abruptly (no clean-up, as a crash would), from a
// watching thread, once that share of the bytes is done. Prints
//   seconds=S bytes=B files=N failed=F
// and exits 0 when every file arrived whole.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "update/download/download_manager.h"

namespace {

int g_pending = 0;
int g_failed = 0;

void OnDone(int, int code, const std::string& path, const std::string& error) {
  --g_pending;
  if (code != kDownloadDone) {
    ++g_failed;
    fprintf(stderr, "failed %s %d %s\n", path.c_str(), code, error.c_str());
  }
}

double Now() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: download_bench LIST FOLDER KILL_FRACTION SERVER...\n");
    return 2;
  }
  FILE* list = fopen(argv[1], "r");
  if (list == nullptr) return 2;
  const std::string folder = argv[2];
  const double kill_fraction = atof(argv[3]);
  std::vector<std::string> servers(argv + 4, argv + argc);

  CreateDirectoryA(folder.c_str(), nullptr);
  SetCurrentDirectoryA(folder.c_str());
  CreateDirectoryA("save", nullptr);
  timeBeginPeriod(1);
  DownloadManager manager;
  manager.Init(DownloadManager::ServerOverrides());
  manager.set_active_servers(servers);

  const double start = Now();
  char path[1024], md5[64];
  long long size = 0;
  long long total = 0;
  int files = 0;
  while (fscanf(list, "%1023s %63s %lld", path, md5, &size) == 3) {
    std::string local = path;
    for (char& c : local) {
      if (c == '/') c = '\\';
    }
    ++g_pending;
    ++files;
    total += size;
    manager.DownloadFile(path, local, md5, size, &OnDone, nullptr, 5, 0, 0);
  }
  fclose(list);
  const double queued = Now() - start;
  manager.set_total_bytes(total);
  if (kill_fraction > 0) {
    // A watcher ends the process wherever the engine is at that moment, as a
    // crash would (reading the count from another thread is good enough for
    // choosing the moment).
    static DownloadManager* watched = &manager;
    static long long threshold = static_cast<long long>(total * kill_fraction);
    CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
          while (watched->done_bytes() < threshold) Sleep(1);
          printf("killed at bytes=%lld\n", static_cast<long long>(watched->done_bytes()));
          fflush(stdout);
          TerminateProcess(GetCurrentProcess(), 3);
          return 0;
        },
        nullptr, 0, nullptr);
  }
  while (g_pending > 0) {
    manager.Pump();
    Sleep(2);
  }
  const double seconds = Now() - start;
  printf("seconds=%.3f queued=%.3f bytes=%lld files=%d failed=%d\n", seconds, queued, total,
         files, g_failed);
  return g_failed == 0 ? 0 : 1;
}
