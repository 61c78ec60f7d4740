#include "package_format.h"

#include "package/package_reader.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <vector>

namespace velkor::pack {

void PutLE32(std::string& out, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void AppendLE32(std::string& out, uint32_t value) {
  out.append(4, '\0');
  PutLE32(out, out.size() - 4, value);
}

uint32_t GetLE32(std::string_view bytes, size_t offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[offset + i]);
  return v;
}

std::string EncodeTrailer(const TrailerFields& f) {
  velkor::Trailer t;
  t.Format = velkor::kTrailerFormat;
  t.DescriptorCount = f.descriptor_count;
  t.DataOffset = f.data_offset;
  t.FilesCount = f.files_count;
  t.Magic = f.magic;
  t.Checksum = f.checksum;
  for (int i = 0; i < kSpaceEntries; ++i) t.SpaceTable[i] = f.space_table[i];
  t.Flags = f.flags;
  t.InternetPackage = f.internet_package;
  t.AskBeforeDownload = f.ask_before_download;
  t.HasAgent = f.has_agent;
  t.ThisIs_AutoUpdateProg = f.this_is_agent;
  t.TrailerSize = f.trailer_size;
  return velkor::SerializeTrailer(t);
}

TrailerFields DecodeTrailer(std::string_view bytes) {
  const velkor::Trailer t = velkor::ParseTrailer(bytes);
  TrailerFields f;
  f.descriptor_count = t.DescriptorCount;
  f.data_offset = t.DataOffset;
  f.files_count = t.FilesCount;
  f.magic = t.Magic;
  f.checksum = t.Checksum;
  for (int i = 0; i < kSpaceEntries; ++i) f.space_table[i] = t.SpaceTable[i];
  f.flags = t.Flags;
  f.internet_package = t.InternetPackage;
  f.ask_before_download = t.AskBeforeDownload;
  f.has_agent = t.HasAgent;
  f.this_is_agent = t.ThisIs_AutoUpdateProg;
  f.trailer_size = t.TrailerSize;
  return f;
}

bool IsPEImagePrefix(std::string_view b) { return velkor::IsPEImageHead(b); }

std::optional<uint32_t> ComputePackageChecksum(const std::filesystem::path& path, int trailer_size) {
  // The stub's routine answers 1234 for a file it cannot open; the writer must notice that.
  std::ifstream probe(path, std::ios::binary);
  if (!probe) return std::nullopt;
  probe.close();
  return velkor::PackageChecksum(path.string(), trailer_size);
}

uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980 || year > 2107) return 0;
  const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) | (month << 5) | day;
  const uint32_t time = (hour << 11) | (minute << 5) | (second / 2);
  return (date << 16) | time;
}

uint32_t DosDateTimeOfFile(const std::filesystem::path& path) {
  std::error_code ec;
  const auto ft = std::filesystem::last_write_time(path, ec);
  if (ec) return 0;
  const auto sys = std::chrono::file_clock::to_sys(ft);
  const std::time_t t = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(sys));
  // Called from the writer's main thread only.
  const std::tm* local = std::localtime(&t);
  if (!local) return 0;
  return DosDateTime(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour,
                     local->tm_min, local->tm_sec);
}

std::string FormatDosDateTime(uint32_t packed) {
  if (packed == 0) return "-";
  const uint32_t date = packed >> 16, time = packed & 0xFFFF;
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (date >> 9),
                (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return text;
}

}  // namespace velkor::pack
