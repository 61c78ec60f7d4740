#include "package/trailer.h"

#include <cstring>

namespace velkor {

std::uint32_t ReadLE32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void WriteLE32(unsigned char* p, std::uint32_t value) {
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
  p[2] = static_cast<unsigned char>(value >> 16);
  p[3] = static_cast<unsigned char>(value >> 24);
}

Trailer ParseTrailer(std::string_view bytes) {
  // Work on a zero-padded copy so a short trailer leaves its missing fields zero.
  unsigned char b[kTrailerSize] = {};
  std::memcpy(b, bytes.data(), bytes.size() < kTrailerSize ? bytes.size() : kTrailerSize);
  Trailer t;
  t.Format = b[kTrailerFormatPos];
  t.DescriptorCount = b[kTrailerDescriptorCountPos];
  t.Reserved = static_cast<std::uint16_t>(b[2] | (b[3] << 8));
  t.DataOffset = static_cast<std::int32_t>(ReadLE32(b + kTrailerDataOffsetPos));
  t.FilesCount = static_cast<std::int32_t>(ReadLE32(b + kTrailerFilesCountPos));
  t.Magic = ReadLE32(b + kTrailerMagicPos);
  t.Checksum = ReadLE32(b + kTrailerChecksumPos);
  std::memcpy(t.Unused20, b + 20, sizeof t.Unused20);
  for (std::size_t i = 0; i < kTrailerSpaceTableEntries; ++i)
    t.SpaceTable[i] = ReadLE32(b + kTrailerSpaceTablePos + 4 * i);
  t.Unused64 = b[64];
  t.Flags = b[kTrailerFlagsPos];
  t.InternetPackage = b[kTrailerInternetPackagePos];
  t.AskBeforeDownload = b[kTrailerAskBeforeDownloadPos];
  t.HasAgent = b[kTrailerHasAgentPos];
  t.ThisIs_AutoUpdateProg = b[kTrailerIsAgentPos];
  t.TrailerSize = static_cast<std::int32_t>(ReadLE32(b + kTrailerSizePos));
  return t;
}

std::string SerializeTrailer(const Trailer& t) {
  unsigned char b[kTrailerSize] = {};
  b[kTrailerFormatPos] = t.Format;
  b[kTrailerDescriptorCountPos] = t.DescriptorCount;
  b[2] = static_cast<unsigned char>(t.Reserved);
  b[3] = static_cast<unsigned char>(t.Reserved >> 8);
  WriteLE32(b + kTrailerDataOffsetPos, static_cast<std::uint32_t>(t.DataOffset));
  WriteLE32(b + kTrailerFilesCountPos, static_cast<std::uint32_t>(t.FilesCount));
  WriteLE32(b + kTrailerMagicPos, t.Magic);
  WriteLE32(b + kTrailerChecksumPos, t.Checksum);
  std::memcpy(b + 20, t.Unused20, sizeof t.Unused20);
  for (std::size_t i = 0; i < kTrailerSpaceTableEntries; ++i)
    WriteLE32(b + kTrailerSpaceTablePos + 4 * i, t.SpaceTable[i]);
  b[64] = t.Unused64;
  b[kTrailerFlagsPos] = t.Flags;
  b[kTrailerInternetPackagePos] = t.InternetPackage;
  b[kTrailerAskBeforeDownloadPos] = t.AskBeforeDownload;
  b[kTrailerHasAgentPos] = t.HasAgent;
  b[kTrailerIsAgentPos] = t.ThisIs_AutoUpdateProg;
  WriteLE32(b + kTrailerSizePos, static_cast<std::uint32_t>(t.TrailerSize));
  return std::string(reinterpret_cast<const char*>(b), kTrailerSize);
}

void ChecksumAccumulator::AddBlock(const unsigned char* data, std::size_t size) {
  // A word counts only while more than 4 bytes remain after it, so the trailer and the few bytes
  // in front of it never take part; each block that ends early enough adds 1234 on top.
  for (std::size_t i = 0; i + 4 <= size; i += 4) {
    remaining_ -= 4;
    if (remaining_ > 4) sum_ += ReadLE32(data + i);
  }
  if (remaining_ > 4) sum_ += kChecksumSkip;
}

bool IsPEImageHead(std::string_view head) {
  return head.size() >= kPEHeaderPos + 2 && head[0] == 'M' && head[1] == 'Z' &&
         head[kPEHeaderPos] == 'P' && head[kPEHeaderPos + 1] == 'E';
}

std::uint64_t ReadEndOffsetInImage(std::string_view image) {
  if (image.size() < kEndOffsetLowPos + 4) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(image.data());
  return (static_cast<std::uint64_t>(ReadLE32(p + kEndOffsetHighPos)) << 32) |
         ReadLE32(p + kEndOffsetLowPos);
}

ChecksumRange PackageChecksumRange(std::string_view head, std::int64_t file_size,
                                   std::int64_t trailer_size) {
  ChecksumRange range;
  std::int64_t n = file_size;
  if (IsPEImageHead(head)) {
    const std::uint32_t low =
        ReadLE32(reinterpret_cast<const unsigned char*>(head.data()) + kEndOffsetLowPos);
    if (low != 0) {
      n = low;
      range.start = kChecksumImageStart;
    }
  }
  range.countable = n - trailer_size - range.start;
  return range;
}

std::uint32_t PackageChecksumOfImage(std::string_view file_bytes, std::int64_t trailer_size) {
  const auto size = static_cast<std::int64_t>(file_bytes.size());
  if (size > kChecksumMaxFileSize) return kChecksumSkip;
  const ChecksumRange range = PackageChecksumRange(file_bytes, size, trailer_size);
  ChecksumAccumulator acc(range.countable);
  const auto* p = reinterpret_cast<const unsigned char*>(file_bytes.data());
  std::int64_t pos = range.start < size ? range.start : size;
  // Same block walk as the file reader: stop after the first short block (possibly empty).
  for (;;) {
    const std::int64_t left = size - pos;
    const std::size_t n = left < static_cast<std::int64_t>(kChecksumBlockSize)
                              ? static_cast<std::size_t>(left)
                              : kChecksumBlockSize;
    acc.AddBlock(p + pos, n);
    pos += static_cast<std::int64_t>(n);
    if (n < kChecksumBlockSize) break;
  }
  return acc.sum();
}

}  // namespace velkor
