#pragma once
// A small read-only file with 64-bit sizes and positioned reads. Package readers use it on Linux
// (velkor-pack, unit tests) and on Windows (the stub), where it opens with sharing allowed so a
// running or downloading program's file can still be read.
#include <cstdint>
#include <cstdio>
#include <string>

namespace velkor {

class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  explicit ReadOnlyFile(const std::string& path) { Open(path); }
  ~ReadOnlyFile() { Close(); }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // False when the file cannot be opened or its size cannot be determined.
  bool Open(const std::string& path);
  void Close();
  bool is_open() const { return file_ != nullptr; }
  // Size in bytes at the time of opening; 0 when not open.
  std::int64_t size() const { return size_; }

  // Reads up to `count` bytes at `offset` into `buffer`; returns how many bytes were read (fewer at
  // the end of the file, 0 for an offset outside the file or on error). Never reads past size().
  std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count);
  // Exactly `count` bytes at `offset`, or false (nothing partial is reported as success).
  bool ReadExactAt(std::int64_t offset, void* buffer, std::size_t count);

 private:
  std::FILE* file_ = nullptr;
  std::int64_t size_ = 0;
};

}  // namespace velkor
