// download_client: downloads a list of files with the download engine, the
// way the engine thread does (Pump every 2 ms), so that a test can stop the
// process half way and start it again.
//
//   download_client LIST FOLDER PIECE_SIZE SERVER...
//
// LIST holds one file per line: "path md5 size". Files land in FOLDER under
// their paths. Prints one line per file ("done path code error") and exits 0
// when every file arrived whole, 1 otherwise, 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "update/download/download_manager.h"

namespace {

int g_pending = 0;
int g_failed = 0;

void OnDone(int, int code, const std::string& path, const std::string& error) {
  printf("done %s %d %s\n", path.c_str(), code, error.c_str());
  fflush(stdout);
  --g_pending;
  if (code != kDownloadDone) ++g_failed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: download_client LIST FOLDER PIECE_SIZE SERVER...\n");
    return 2;
  }
  FILE* list = fopen(argv[1], "r");
  if (list == nullptr) return 2;
  const std::string folder = argv[2];
  const long long piece_size = atoll(argv[3]);
  std::vector<std::string> servers(argv + 4, argv + argc);

  CreateDirectoryA(folder.c_str(), nullptr);
  SetCurrentDirectoryA(folder.c_str());
  CreateDirectoryA("save", nullptr);
  DownloadManager manager;
  manager.Init(DownloadManager::ServerOverrides());
  if (piece_size > 0) manager.SetPieceSizeForTesting(piece_size);
  manager.set_active_servers(servers);

  char path[1024], md5[64];
  long long size = 0;
  while (fscanf(list, "%1023s %63s %lld", path, md5, &size) == 3) {
    std::string local = path;
    for (char& c : local) {
      if (c == '/') c = '\\';
    }
    ++g_pending;
    manager.DownloadFile(path, local, md5, size, &OnDone, nullptr, 5, 0, 0);
  }
  fclose(list);
  while (g_pending > 0) {
    manager.Pump();
    Sleep(2);
  }
  return g_failed == 0 ? 0 : 1;
}
