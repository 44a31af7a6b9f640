// Hashes one file with GetStreamMd5 and prints the digest, the size, the
// seconds the hashing took and the throughput, on one line:
//   md5_bench <file> [repeats]
// With repeats the best time is printed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/util/md5_context.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: md5_bench <file> [repeats]\n");
    return 2;
  }
  int repeats = argc > 2 ? atoi(argv[2]) : 1;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double best = 0;
  std::string digest;
  int64_t size = 0;
  for (int i = 0; i < repeats; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    std::ifstream stream(argv[1], std::ios::in | std::ios::binary);
    if (!stream.is_open()) {
      fprintf(stderr, "cannot open %s\n", argv[1]);
      return 1;
    }
    GetStreamMd5(stream, &digest, &size);
    QueryPerformanceCounter(&end);
    double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    if (i == 0 || seconds < best) best = seconds;
  }
  printf("%s %lld %.3f %.1f\n", digest.c_str(), static_cast<long long>(size), best,
         size / best / (1024.0 * 1024.0));
  return 0;
}
