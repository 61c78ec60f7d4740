#include "package/read_only_file.h"

#ifdef _WIN32
#include <share.h>
#endif

namespace velkor {

namespace {

bool SeekTo(std::FILE* f, std::int64_t offset, int origin) {
#ifdef _WIN32
  return _fseeki64(f, offset, origin) == 0;
#else
  return fseeko(f, static_cast<off_t>(offset), origin) == 0;
#endif
}

std::int64_t Tell(std::FILE* f) {
#ifdef _WIN32
  return _ftelli64(f);
#else
  return static_cast<std::int64_t>(ftello(f));
#endif
}

}  // namespace

bool ReadOnlyFile::Open(const std::string& path) {
  Close();
#ifdef _WIN32
  // Deny nothing: the stub reads its own running image and files other programs may hold open.
  file_ = _fsopen(path.c_str(), "rb", _SH_DENYNO);
#else
  file_ = std::fopen(path.c_str(), "rb");
#endif
  if (file_ == nullptr) return false;
  if (!SeekTo(file_, 0, SEEK_END)) {
    Close();
    return false;
  }
  size_ = Tell(file_);
  if (size_ < 0) {
    Close();
    return false;
  }
  return true;
}

void ReadOnlyFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  size_ = 0;
}

std::size_t ReadOnlyFile::ReadAt(std::int64_t offset, void* buffer, std::size_t count) {
  if (file_ == nullptr || offset < 0 || offset >= size_ || count == 0) return 0;
  const std::int64_t left = size_ - offset;
  if (static_cast<std::uint64_t>(left) < count) count = static_cast<std::size_t>(left);
  if (!SeekTo(file_, offset, SEEK_SET)) return 0;
  return std::fread(buffer, 1, count, file_);
}

bool ReadOnlyFile::ReadExactAt(std::int64_t offset, void* buffer, std::size_t count) {
  if (count == 0) return offset >= 0 && offset <= size_;
  return ReadAt(offset, buffer, count) == count;
}

}  // namespace velkor
