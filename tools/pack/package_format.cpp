#include "package_format.h"

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
  std::string t(kTrailerSize, '\0');
  t[0] = 1;
  t[1] = static_cast<char>(f.descriptor_count);
  PutLE32(t, 4, static_cast<uint32_t>(f.data_offset));
  PutLE32(t, 8, static_cast<uint32_t>(f.files_count));
  PutLE32(t, 12, f.magic);
  PutLE32(t, kChecksumOffsetInTrailer, f.checksum);
  for (int i = 0; i < kSpaceEntries; ++i) PutLE32(t, 28 + 4 * i, f.space_table[i]);
  t[65] = static_cast<char>(f.flags);
  t[66] = static_cast<char>(f.internet_package);
  t[67] = static_cast<char>(f.ask_before_download);
  t[68] = static_cast<char>(f.has_agent);
  t[69] = static_cast<char>(f.this_is_agent);
  PutLE32(t, 70, static_cast<uint32_t>(f.trailer_size));
  return t;
}

TrailerFields DecodeTrailer(std::string_view bytes) {
  std::string rec(kTrailerSize, '\0');
  rec.replace(0, std::min<size_t>(bytes.size(), kTrailerSize), bytes.substr(0, kTrailerSize));
  TrailerFields f;
  f.descriptor_count = static_cast<uint8_t>(rec[1]);
  f.data_offset = static_cast<int32_t>(GetLE32(rec, 4));
  f.files_count = static_cast<int32_t>(GetLE32(rec, 8));
  f.magic = GetLE32(rec, 12);
  f.checksum = GetLE32(rec, kChecksumOffsetInTrailer);
  for (int i = 0; i < kSpaceEntries; ++i) f.space_table[i] = GetLE32(rec, 28 + 4 * i);
  f.flags = static_cast<uint8_t>(rec[65]);
  f.internet_package = static_cast<uint8_t>(rec[66]);
  f.ask_before_download = static_cast<uint8_t>(rec[67]);
  f.has_agent = static_cast<uint8_t>(rec[68]);
  f.this_is_agent = static_cast<uint8_t>(rec[69]);
  f.trailer_size = static_cast<int32_t>(GetLE32(rec, 70));
  return f;
}

bool IsPEImagePrefix(std::string_view b) {
  return b.size() >= kPeSignatureOffset + 2 && b.substr(0, 2) == "MZ" &&
         b.substr(kPeSignatureOffset, 2) == "PE";
}

std::optional<uint32_t> ComputePackageChecksum(const std::filesystem::path& path, int trailer_size) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::error_code ec;
  const uint64_t size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  if (size > kChecksumSizeLimit) return kSkipChecksum;

  std::string head(kPeSignatureOffset + 2, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  in.clear();

  int64_t n = static_cast<int64_t>(size);
  int64_t start = 0;
  if (IsPEImagePrefix(head)) {
    const uint32_t low = GetLE32(head, kEndOffsetLow);
    if (low != 0) {
      n = low;
      start = 512;
    }
  }
  int64_t remaining = n - trailer_size - start;
  uint32_t sum = 0;
  in.seekg(start);
  std::vector<char> block(4096);
  for (;;) {
    in.read(block.data(), 4096);
    const size_t got = in ? 4096 : static_cast<size_t>(in.gcount());
    for (size_t i = 0; i + 4 <= got; i += 4) {
      remaining -= 4;
      if (remaining > 4) sum += GetLE32(std::string_view(block.data(), got), i);
    }
    if (remaining > 4) sum += kSkipChecksum;
    if (got < 4096) break;
  }
  return sum;
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
