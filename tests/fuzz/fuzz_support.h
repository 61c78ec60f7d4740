#pragma once
// Small helpers shared by the fuzz targets: a per-process scratch file for readers that take a
// path, and a check that aborts (so libFuzzer keeps the input) when an invariant breaks.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace velkor::fuzz {

// Prints what broke and aborts; libFuzzer then saves the input as a crash file.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

#define VELKOR_FUZZ_CHECK(cond) \
  do {                          \
    if (!(cond)) ::velkor::fuzz::Fail(#cond); \
  } while (0)

// One file per process under the temporary folder, rewritten for every input.
class ScratchFile {
 public:
  explicit ScratchFile(const char* tag) {
    // A file system in memory when there is one: a disk write per input would make the file
    // readers the slowest targets by far.
    std::error_code ec;
    const std::filesystem::path shm("/dev/shm");
    const std::filesystem::path dir =
        std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
    path_ = (dir /
             ("velkor-fuzz-" + std::string(tag) + "-" + std::to_string(::getpid())))
                .string();
  }
  ~ScratchFile() { std::remove(path_.c_str()); }

  const std::string& Write(std::string_view bytes) {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (f == nullptr) Fail("cannot write the scratch file");
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
      Fail("short write to the scratch file");
    std::fclose(f);
    return path_;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace velkor::fuzz
