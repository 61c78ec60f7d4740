// Downloads one URL into a file with the stub's HTTP client and prints the seconds it took.
// Built and run by run.sh; not part of the test suite.
#include <windows.h>

#include <cstdio>
#include <string>

#include "net/http_win.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: download_bench URL TARGET\n");
    return 2;
  }
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  std::string error, content;
  velkor::HTTP_DownloadFile_Incremental(nullptr, argv[1], argv[2], error, nullptr, content);
  QueryPerformanceCounter(&end);
  if (!error.empty()) {
    std::fprintf(stderr, "download failed: %s\n", error.c_str());
    return 1;
  }
  std::printf("%.3f\n", static_cast<double>(end.QuadPart - start.QuadPart) / freq.QuadPart);
  return 0;
}
