#pragma once
// The fixed 74-byte record at the end of every package file, the end offset slot in the stub's
// image header, and the package checksum. Both sides use this header: the stub reads packages,
// velkor-pack writes them, so the layout is spelled out exactly once.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velkor {

// Byte layout of the trailer (little-endian). Offsets are from the trailer's first byte.
inline constexpr std::size_t kTrailerSize = 74;
inline constexpr std::size_t kTrailerFormatPos = 0;
inline constexpr std::size_t kTrailerDescriptorCountPos = 1;
inline constexpr std::size_t kTrailerDataOffsetPos = 4;
inline constexpr std::size_t kTrailerFilesCountPos = 8;
inline constexpr std::size_t kTrailerMagicPos = 12;
inline constexpr std::size_t kTrailerChecksumPos = 16;
inline constexpr std::size_t kTrailerSpaceTablePos = 28;
inline constexpr std::size_t kTrailerSpaceTableEntries = 9;
inline constexpr std::size_t kTrailerFlagsPos = 65;
inline constexpr std::size_t kTrailerInternetPackagePos = 66;
inline constexpr std::size_t kTrailerAskBeforeDownloadPos = 67;
inline constexpr std::size_t kTrailerHasAgentPos = 68;
inline constexpr std::size_t kTrailerIsAgentPos = 69;
inline constexpr std::size_t kTrailerSizePos = 70;

inline constexpr std::uint32_t kTrailerMagic = 0x4A3B2C1D;
inline constexpr std::uint8_t kTrailerFormat = 1;

// Bits of the Flags byte.
inline constexpr std::uint8_t kFlagConfirmTempDrive = 0x01;
inline constexpr std::uint8_t kFlagMultiVolume = 0x02;
inline constexpr std::uint8_t kFlagSpanCd = 0x04;
inline constexpr std::uint8_t kFlagShowActivityBar = 0x08;
inline constexpr std::uint8_t kFlagTraceLog = 0x10;

// The stub's image keeps the package's end offset (the file offset just past the trailer; 0 = the
// package ends with the file) in its header: high half at 248, low half at 252. It is honoured only
// in a file that looks like a stub image: "MZ" at 0 and "PE" at 256.
inline constexpr std::size_t kEndOffsetHighPos = 248;
inline constexpr std::size_t kEndOffsetLowPos = 252;
inline constexpr std::size_t kPEHeaderPos = 256;

// Checksum rules. A stored or computed checksum of 1234 means "not checked"; files above 50 MiB are
// never summed. In a stub image whose low end-offset half is set, summing starts at 512 so the
// header slot itself (written after the fact) does not take part.
inline constexpr std::uint32_t kChecksumSkip = 1234;
inline constexpr std::int64_t kChecksumMaxFileSize = 52428800;
inline constexpr std::int64_t kChecksumImageStart = 512;
inline constexpr std::size_t kChecksumBlockSize = 4096;

// The trailer record. Field names follow the package format's own names.
struct Trailer {
  std::uint8_t Format = 0;
  std::uint8_t DescriptorCount = 0;  // 2, or 3 with the internet string; 0 reads as 2
  std::uint16_t Reserved = 0;
  std::int32_t DataOffset = 0;  // file offset of the first descriptor string
  std::int32_t FilesCount = 0;  // file blocks in the whole package
  std::uint32_t Magic = 0;
  std::uint32_t Checksum = 0;
  std::uint8_t Unused20[8] = {};
  std::uint32_t SpaceTable[kTrailerSpaceTableEntries] = {};
  std::uint8_t Unused64 = 0;
  std::uint8_t Flags = 0;
  std::uint8_t InternetPackage = 0;
  std::uint8_t AskBeforeDownload = 0;
  std::uint8_t HasAgent = 0;
  std::uint8_t ThisIs_AutoUpdateProg = 0;
  std::int32_t TrailerSize = 0;  // 74 as written; as read, the bytes that were taken into account

  bool HasMagic() const { return Magic == kTrailerMagic; }
};

// Decodes up to 74 bytes; fields beyond the end of `bytes` stay zero (a shorter stored trailer
// fills only its leading fields).
Trailer ParseTrailer(std::string_view bytes);

// Exactly 74 bytes, every field in place.
std::string SerializeTrailer(const Trailer& trailer);

// Little-endian helpers for the fixed layouts of this format.
std::uint32_t ReadLE32(const unsigned char* p);
void WriteLE32(unsigned char* p, std::uint32_t value);

// Running package checksum. Feed it the file from the start offset on, in blocks of
// kChecksumBlockSize bytes (only the last block may be shorter); the block boundaries matter
// because every full-enough block adds 1234 to the sum.
class ChecksumAccumulator {
 public:
  // `countable` is the number of bytes from the start offset up to the end of the package minus
  // the trailer size; words that end within its last 4 bytes or later are not summed.
  explicit ChecksumAccumulator(std::int64_t countable) : remaining_(countable) {}
  void AddBlock(const unsigned char* data, std::size_t size);
  std::uint32_t sum() const { return sum_; }

 private:
  std::int64_t remaining_;
  std::uint32_t sum_ = 0;
};

// Where summing starts and how many bytes count, for a file whose first bytes are `head` (at least
// the first 260 bytes when the file is that long) and whose size is `file_size`.
struct ChecksumRange {
  std::int64_t start = 0;
  std::int64_t countable = 0;
};
ChecksumRange PackageChecksumRange(std::string_view head, std::int64_t file_size,
                                   std::int64_t trailer_size);

// The package checksum of a whole file held in memory: what PackageChecksum computes for a file
// with these bytes (1234 above 50 MiB). A writer fills in the end offset first, then sums.
std::uint32_t PackageChecksumOfImage(std::string_view file_bytes, std::int64_t trailer_size);

// Image test on the first bytes of a file: "MZ" at 0 and "PE" at 256.
bool IsPEImageHead(std::string_view head);

// The 64-bit end offset from an in-memory image; 0 when the image is too short to hold it.
std::uint64_t ReadEndOffsetInImage(std::string_view image);

}  // namespace velkor
