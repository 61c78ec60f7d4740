#pragma once
// Reads a package back the way the stub does (trailer from the end or from the end offset,
// descriptor strings, block walk across volumes) and reports what it finds. Every length and
// offset is checked against the file before it is used; nothing here trusts the file.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <optional>
#include <string>
#include <vector>

#include "package_format.h"

namespace velkor::pack {

struct DescriptorRead {
  TrailerFields trailer;      // as stored (DataOffset not advanced)
  uint64_t file_size = 0;
  uint64_t end = 0;           // end of the package: end offset, or the file size
  bool has_end_offset = false;
  uint64_t trailer_pos = 0;
  uint64_t payload_offset = 0;  // just past the descriptor strings
  std::array<std::string, 3> strings;  // language table, package info, internet info
  int strings_read = 0;
};

// Trailer and descriptor strings of one file; nullopt with `error` set when the file is not a
// package (missing, too short, wrong magic, lengths outside the file). Further volumes of a set
// carry no descriptor strings: `with_strings` false reads the trailer only.
std::optional<DescriptorRead> ReadDescriptor(const std::filesystem::path& path, std::string* error,
                                             bool with_strings = true);

struct BlockInfo {
  uint64_t offset = 0;
  int32_t length = 0;        // as stored: > 0 deflated, <= 0 stored
  uint64_t data_size = 0;    // bytes in the package
  uint64_t content_size = 0;
  std::string header;
  std::string name;          // item 0 up to "*"
  std::string main_entry;    // item 0 when it carries "*"
  uint32_t date = 0;
};

struct VolumeReport {
  std::filesystem::path path;
  std::optional<DescriptorRead> descriptor;
  std::optional<uint32_t> computed_checksum;
  bool checksum_pass = false;
  bool is_launcher = false;  // span launcher: carries descriptors only
  std::vector<BlockInfo> blocks;
};

struct PackageReport {
  std::vector<VolumeReport> volumes;
  std::vector<std::string> problems;  // anything that makes the package unusable
  std::vector<std::string> notes;     // oddities the stub tolerates
  int file_blocks = 0;
  std::string main_entry;
  bool valid() const { return problems.empty() && !volumes.empty(); }
};

// Receives the content of every file block, piece by piece, in package order.
using ContentSink = std::function<void(const BlockInfo& block, std::string_view content)>;

PackageReport InspectPackage(const std::filesystem::path& path, const ContentSink& sink = nullptr);
std::string FormatReport(const PackageReport& report);

// Item `index` of a bar list (first character is the separator), "" when absent.
std::string BarItem(const std::string& list, int index);

}  // namespace velkor::pack
