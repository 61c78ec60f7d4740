#pragma once
// The byte layout that the writer and the inspector share: trailer fields, flag bits, the
// image test, the end-offset slot and the package checksum. The stub has its own reader; these
// routines are the writer's side of the same format and are checked against that reader in the
// round-trip tests.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "package/trailer.h"

namespace velkor::pack {

// The stub's layout constants, in the integer types the writer computes with.
inline constexpr uint32_t kTrailerMagic = velkor::kTrailerMagic;
inline constexpr int kTrailerSize = static_cast<int>(velkor::kTrailerSize);
inline constexpr uint32_t kSkipChecksum = velkor::kChecksumSkip;
inline constexpr uint64_t kChecksumSizeLimit = velkor::kChecksumMaxFileSize;
inline constexpr int kEndOffsetHigh = static_cast<int>(velkor::kEndOffsetHighPos);
inline constexpr int kEndOffsetLow = static_cast<int>(velkor::kEndOffsetLowPos);
inline constexpr int kPeSignatureOffset = static_cast<int>(velkor::kPEHeaderPos);
inline constexpr int kSpaceEntries = static_cast<int>(velkor::kTrailerSpaceTableEntries);
using velkor::kFlagConfirmTempDrive;
using velkor::kFlagMultiVolume;
using velkor::kFlagShowActivityBar;
using velkor::kFlagSpanCd;
using velkor::kFlagTraceLog;

struct TrailerFields {
  uint8_t descriptor_count = 2;
  int32_t data_offset = 0;
  int32_t files_count = 0;
  uint32_t magic = kTrailerMagic;
  uint32_t checksum = 0;
  std::array<uint32_t, kSpaceEntries> space_table{};
  uint8_t flags = 0;
  uint8_t internet_package = 0;
  uint8_t ask_before_download = 0;
  uint8_t has_agent = 0;
  uint8_t this_is_agent = 0;
  int32_t trailer_size = kTrailerSize;
};

// The 74 trailer bytes for `fields` (format byte 1, reserved bytes 0).
std::string EncodeTrailer(const TrailerFields& fields);
// Reads the fields from up to 74 bytes; a shorter record fills only its leading fields.
TrailerFields DecodeTrailer(std::string_view bytes);

inline constexpr int kChecksumOffsetInTrailer = static_cast<int>(velkor::kTrailerChecksumPos);

void PutLE32(std::string& out, size_t offset, uint32_t value);
void AppendLE32(std::string& out, uint32_t value);
uint32_t GetLE32(std::string_view bytes, size_t offset);

// "MZ" at offset 0 and "PE" at offset 256: only such an image carries an end offset.
bool IsPEImagePrefix(std::string_view first_bytes);

// The package checksum of the file at `path`, by the stub's own routine (including the 512-byte
// start when the image carries an end offset, and 1234 for files above 50 MiB). nullopt when the
// file cannot be read.
std::optional<uint32_t> ComputePackageChecksum(const std::filesystem::path& path, int trailer_size);

// Packed file-system date and time (date in the high 16 bits); 0 when the year lies outside
// 1980..2107.
uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second);
// The local modification time of a file in that form; 0 when it cannot be read.
uint32_t DosDateTimeOfFile(const std::filesystem::path& path);
// "yyyy-mm-dd hh:mm:ss" for a packed date-time, "-" for 0.
std::string FormatDosDateTime(uint32_t packed);

}  // namespace velkor::pack
