#include "package/package_reader.h"

#include <cstring>
#include <vector>

namespace velkor {

bool IsPEImage(ReadOnlyFile& file) {
  char mz[2] = {};
  char pe[2] = {};
  return file.ReadExactAt(0, mz, 2) && file.ReadExactAt(kPEHeaderPos, pe, 2) && mz[0] == 'M' &&
         mz[1] == 'Z' && pe[0] == 'P' && pe[1] == 'E';
}

std::uint64_t ReadEndOffset(ReadOnlyFile& file) {
  unsigned char b[8];
  if (!file.ReadExactAt(kEndOffsetHighPos, b, sizeof b)) return 0;
  return (static_cast<std::uint64_t>(ReadLE32(b)) << 32) | ReadLE32(b + 4);
}

bool ReadTrailer(ReadOnlyFile& file, Trailer* record) {
  *record = Trailer{};
  const std::int64_t file_size = file.size();
  if (!file.is_open() || file_size < 4) return false;
  std::int64_t end = file_size;
  if (IsPEImage(file)) {
    const std::uint64_t e = ReadEndOffset(file);
    if (e > 0) {
      // An end offset that points past the file is corrupt, not "the package ends at E".
      if (e < 4 || e > static_cast<std::uint64_t>(file_size)) return false;
      end = static_cast<std::int64_t>(e);
    }
  }
  unsigned char size_bytes[4];
  if (!file.ReadExactAt(end - 4, size_bytes, 4)) return false;
  const std::int64_t stored = static_cast<std::int32_t>(ReadLE32(size_bytes));
  if (stored < 4 || stored > end) return false;
  const std::int64_t taken = stored < static_cast<std::int64_t>(kTrailerSize)
                                 ? stored
                                 : static_cast<std::int64_t>(kTrailerSize);
  char bytes[kTrailerSize] = {};
  const auto count = static_cast<std::size_t>(taken - 4);
  if (!file.ReadExactAt(end - stored, bytes, count)) return false;
  *record = ParseTrailer(std::string_view(bytes, count));
  record->TrailerSize = static_cast<std::int32_t>(taken);
  if (record->DescriptorCount == 0) record->DescriptorCount = 2;
  return true;
}

bool ReadTrailer(const std::string& path, Trailer* record) {
  ReadOnlyFile file(path);
  if (!file.is_open()) {
    *record = Trailer{};
    return false;
  }
  return ReadTrailer(file, record);
}

std::uint32_t PackageChecksum(const std::string& path, std::int64_t trailer_size) {
  ReadOnlyFile file(path);
  if (!file.is_open() || file.size() > kChecksumMaxFileSize) return kChecksumSkip;
  std::vector<unsigned char> block(kChecksumBlockSize);
  const std::size_t head_size = file.ReadAt(0, block.data(), kPEHeaderPos + 2);
  const ChecksumRange range = PackageChecksumRange(
      std::string_view(reinterpret_cast<const char*>(block.data()), head_size), file.size(),
      trailer_size);
  ChecksumAccumulator acc(range.countable);
  std::int64_t pos = range.start;
  for (;;) {
    const std::size_t n = file.ReadAt(pos, block.data(), kChecksumBlockSize);
    acc.AddBlock(block.data(), n);
    pos += static_cast<std::int64_t>(n);
    if (n < kChecksumBlockSize) break;
  }
  return acc.sum();
}

bool ChecksumPasses(std::uint32_t stored, std::uint32_t computed) {
  return stored == computed || stored == kChecksumSkip || computed == kChecksumSkip;
}

}  // namespace velkor
