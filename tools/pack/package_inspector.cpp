#include "package_inspector.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "compression.h"
#include "package_writer.h"
#include "scramble.h"

namespace velkor::pack {

namespace fs = std::filesystem;

namespace {

// Longest header we keep from a block; a real one is a name and a date.
constexpr size_t kMaxHeader = 65536;

bool ReadAt(std::ifstream& in, uint64_t offset, size_t count, std::string& out) {
  out.assign(count, '\0');
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(out.data(), static_cast<std::streamsize>(count));
  return static_cast<size_t>(in.gcount()) == count;
}

std::string Hex32(uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%08X", v);
  return b;
}

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char a = s[s.size() - tail.size() + i], b = tail[i];
    if (a >= 'a' && a <= 'z') a -= 32;
    if (b >= 'a' && b <= 'z') b -= 32;
    if (a != b) return false;
  }
  return true;
}

void ParseHeader(BlockInfo& b, bool& parsed) {
  parsed = true;
  const std::string item0 = BarItem(b.header, 0);
  const size_t star = item0.find('*');
  b.name = item0.substr(0, star);
  if (b.header.find('*') != std::string::npos) b.main_entry = b.header;
  if (star != std::string::npos) b.main_entry = item0;
  const std::string date = BarItem(b.header, 1);
  char* endp = nullptr;
  const unsigned long long v = std::strtoull(date.c_str(), &endp, 10);
  b.date = (!date.empty() && *endp == '\0' && v <= 0xFFFFFFFFull) ? static_cast<uint32_t>(v) : 0;
}

// Walks the blocks of one volume from DataOffset to the trailer. In the first volume the first
// `skip` blocks are the descriptor strings.
void WalkBlocks(std::ifstream& in, const DescriptorRead& d, int skip, VolumeReport& vol,
                PackageReport& report, const ContentSink& content) {
  const std::string where = vol.path.filename().string();
  uint64_t p = static_cast<uint32_t>(d.trailer.data_offset);
  int index = 0;
  do {
    std::string len_bytes;
    if (p + 4 > d.trailer_pos || !ReadAt(in, p, 4, len_bytes)) {
      report.problems.push_back(where + ": block at " + std::to_string(p) + " runs into the trailer");
      return;
    }
    BlockInfo b;
    b.offset = p;
    b.length = static_cast<int32_t>(GetLE32(len_bytes, 0));
    b.data_size = b.length > 0 ? static_cast<uint64_t>(b.length)
                               : static_cast<uint64_t>(-static_cast<int64_t>(b.length));
    if (p + 4 + b.data_size > d.trailer_pos) {
      report.problems.push_back(where + ": block at " + std::to_string(p) +
                                " is longer than the rest of the file");
      return;
    }
    const uint64_t next = p + 4 + b.data_size;
    ++index;
    if (index > skip) {
      StreamInflater inflater;
      bool in_header = true, header_too_long = false, parsed = false;
      auto sink = [&](std::string_view out) {
        if (in_header) {
          const size_t zero = out.find('\0');
          const std::string_view head = out.substr(0, zero);
          if (b.header.size() + head.size() > kMaxHeader) header_too_long = true;
          else b.header.append(head);
          if (zero == std::string_view::npos) return;
          in_header = false;
          out.remove_prefix(zero + 1);
        }
        if (!parsed) ParseHeader(b, parsed);
        b.content_size += out.size();
        if (content && !b.header.empty() && !out.empty()) content(b, out);
      };
      uint64_t left = b.data_size, at = p + 4;
      bool ok = true;
      while (left > 0 && ok) {
        std::string piece;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, 65536));
        if (!ReadAt(in, at, n, piece)) {
          ok = false;
          break;
        }
        if (b.length > 0) ok = inflater.Feed(piece, sink);
        else sink(piece);
        left -= n;
        at += n;
      }
      if (b.length > 0 && ok && !inflater.finished()) ok = false;
      if (!ok) {
        report.problems.push_back(where + ": block at " + std::to_string(p) + " does not inflate" +
                                  (inflater.error().empty() ? "" : ": " + inflater.error()));
        return;
      }
      if (header_too_long) report.problems.push_back(where + ": block header too long");
      if (in_header) b.header.clear();  // no byte 0: the stub skips the block
      if (!b.header.empty()) {
        if (!parsed) ParseHeader(b, parsed);
        if (!b.main_entry.empty()) report.main_entry = b.main_entry;
        if (b.name.find_first_of("\\/:") != std::string::npos)
          report.notes.push_back(where + ": '" + b.name + "' names a folder; the stub writes it only "
                                 "when that folder exists");
        ++report.file_blocks;
      }
      vol.blocks.push_back(std::move(b));
    }
    p = next;
  } while (d.end - p > static_cast<uint64_t>(kTrailerSize));
  if (p != d.trailer_pos)
    report.problems.push_back(where + ": the last block ends at " + std::to_string(p) +
                              ", the trailer starts at " + std::to_string(d.trailer_pos));
}

void InspectVolume(const fs::path& path, bool first, PackageReport& report, const ContentSink& content) {
  VolumeReport vol;
  vol.path = path;
  std::string error;
  vol.descriptor = ReadDescriptor(path, &error, first);
  if (!vol.descriptor) {
    report.problems.push_back(error);
    report.volumes.push_back(std::move(vol));
    return;
  }
  const DescriptorRead& d = *vol.descriptor;
  vol.computed_checksum = ComputePackageChecksum(path, std::min(d.trailer.trailer_size, kTrailerSize));
  vol.checksum_pass = vol.computed_checksum &&
                      (*vol.computed_checksum == d.trailer.checksum ||
                       *vol.computed_checksum == kSkipChecksum || d.trailer.checksum == kSkipChecksum);
  if (!vol.checksum_pass)
    report.problems.push_back(path.filename().string() + ": checksum does not match");
  std::ifstream in(path, std::ios::binary);
  const int skip = first ? (d.trailer.descriptor_count == 0 ? 2 : d.trailer.descriptor_count) : 0;
  WalkBlocks(in, d, skip, vol, report, content);
  report.volumes.push_back(std::move(vol));
}

}  // namespace

std::string BarItem(const std::string& list, int index) {
  if (list.empty() || index < 0) return "";
  const char sep = list[0];
  size_t start = 1;
  for (int i = 0;; ++i) {
    const size_t next = list.find(sep, start);
    if (next == std::string::npos) return "";
    if (i == index) return list.substr(start, next - start);
    start = next + 1;
  }
}

std::optional<DescriptorRead> ReadDescriptor(const fs::path& path, std::string* error, bool with_strings) {
  const std::string name = path.filename().string();
  auto fail = [&](const std::string& why) {
    if (error) *error = name + ": " + why;
    return std::nullopt;
  };
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return fail("no such file");
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail("cannot be read");
  DescriptorRead d;
  d.file_size = fs::file_size(path, ec);
  if (ec || d.file_size < 4) return fail("too short to be a package");

  std::string head, tail;
  ReadAt(in, 0, static_cast<size_t>(std::min<uint64_t>(d.file_size, kPeSignatureOffset + 2)), head);
  d.end = d.file_size;
  if (IsPEImagePrefix(head)) {
    const uint64_t e = (static_cast<uint64_t>(GetLE32(head, kEndOffsetHigh)) << 32) |
                       GetLE32(head, kEndOffsetLow);
    if (e > 0) {
      if (e > d.file_size || e < 4) return fail("end offset " + std::to_string(e) + " lies outside the file");
      d.end = e;
      d.has_end_offset = true;
    }
  }
  if (!ReadAt(in, d.end - 4, 4, tail)) return fail("cannot be read");
  const int32_t stored_size = static_cast<int32_t>(GetLE32(tail, 0));
  if (stored_size < 4 || static_cast<uint64_t>(stored_size) > d.end)
    return fail("no package trailer (size field " + std::to_string(stored_size) + ")");
  d.trailer_pos = d.end - static_cast<uint64_t>(stored_size);
  const int t = std::min(stored_size, kTrailerSize);
  std::string rec;
  if (!ReadAt(in, d.trailer_pos, static_cast<size_t>(t - 4), rec)) return fail("cannot be read");
  d.trailer = DecodeTrailer(rec);
  d.trailer.trailer_size = t;
  if (d.trailer.magic != kTrailerMagic) return fail("no package trailer (wrong magic)");
  if (d.trailer.data_offset < 0 || static_cast<uint64_t>(d.trailer.data_offset) > d.trailer_pos)
    return fail("data offset " + std::to_string(d.trailer.data_offset) + " lies outside the package");

  const int count =
      !with_strings ? 0 : d.trailer.descriptor_count == 0 ? 2 : std::min<int>(d.trailer.descriptor_count, 3);
  uint64_t p = static_cast<uint32_t>(d.trailer.data_offset);
  for (int i = 0; i < count; ++i) {
    std::string len;
    if (p + 4 > d.trailer_pos || !ReadAt(in, p, 4, len)) return fail("descriptor strings run into the trailer");
    const int32_t l = static_cast<int32_t>(GetLE32(len, 0));
    if (l < 0 || p + 4 + static_cast<uint64_t>(l) > d.trailer_pos)
      return fail("descriptor string " + std::to_string(i + 1) + " has a bad length");
    if (!ReadAt(in, p + 4, static_cast<size_t>(l), d.strings[i])) return fail("cannot be read");
    p += 4 + static_cast<uint64_t>(l);
    d.strings_read = i + 1;
  }
  d.payload_offset = p;
  return d;
}

PackageReport InspectPackage(const fs::path& path, const ContentSink& content) {
  PackageReport report;
  std::string error;
  const auto first = ReadDescriptor(path, &error);
  if (!first) {
    report.problems.push_back(error);
    return report;
  }
  fs::path base = path;
  fs::path volume1 = path;
  if (first->trailer.flags & kFlagSpanCd) {
    // The launcher carries descriptors only; the payload starts in "<name>.001".
    VolumeReport launcher;
    launcher.path = path;
    launcher.descriptor = first;
    launcher.is_launcher = true;
    launcher.computed_checksum = ComputePackageChecksum(path, first->trailer.trailer_size);
    launcher.checksum_pass = launcher.computed_checksum &&
                             (*launcher.computed_checksum == first->trailer.checksum ||
                              *launcher.computed_checksum == kSkipChecksum ||
                              first->trailer.checksum == kSkipChecksum);
    if (!launcher.checksum_pass) report.problems.push_back(path.filename().string() + ": checksum does not match");
    report.volumes.push_back(std::move(launcher));
    volume1 = VolumeName(path, 1);
  } else if (EndsWithNoCase(path.string(), ".001")) {
    base = path.string().substr(0, path.string().size() - 4);
  }
  InspectVolume(volume1, true, report, content);
  for (int v = 2; report.volumes.back().descriptor &&
                  (report.volumes.back().descriptor->trailer.flags & kFlagMultiVolume);
       ++v) {
    InspectVolume(VolumeName(base, v), false, report, content);
  }
  const auto& d = report.volumes.back().descriptor;
  if (d && report.file_blocks != first->trailer.files_count && !(first->trailer.flags & kFlagSpanCd))
    report.notes.push_back("FilesCount is " + std::to_string(first->trailer.files_count) + " but " +
                           std::to_string(report.file_blocks) + " file blocks were found");
  return report;
}

std::string FormatReport(const PackageReport& report) {
  std::ostringstream o;
  auto token = [](const std::string& scrambled) -> std::string {
    if (scrambled.empty()) return "";
    const auto plain = UnscrambleTokenChecked(scrambled);
    return plain ? "\"" + *plain + "\"" : "(not a valid token: " + scrambled + ")";
  };
  bool first = true;
  for (const VolumeReport& v : report.volumes) {
    o << "Volume: " << v.path.string();
    if (v.is_launcher) o << " (span launcher)";
    o << "\n";
    if (!v.descriptor) {
      o << "  unreadable\n";
      continue;
    }
    const DescriptorRead& d = *v.descriptor;
    const TrailerFields& t = d.trailer;
    o << "  FileSize: " << d.file_size << "\n";
    o << "  EndOffset: " << (d.has_end_offset ? std::to_string(d.end) : "not set") << "\n";
    o << "  DescriptorCount: " << int(t.descriptor_count) << "\n";
    o << "  DataOffset: " << t.data_offset << "\n";
    o << "  FilesCount: " << t.files_count << "\n";
    o << "  Checksum: " << Hex32(t.checksum) << ", computed "
      << (v.computed_checksum ? Hex32(*v.computed_checksum) : "-") << ": "
      << (v.checksum_pass ? "pass" : "FAIL") << "\n";
    o << "  SpaceTable:";
    for (uint32_t s : t.space_table) o << " " << s;
    o << "\n";
    o << "  Flags: ConfirmTempDrive=" << !!(t.flags & kFlagConfirmTempDrive)
      << " MultiVolume=" << !!(t.flags & kFlagMultiVolume) << " SpanCd=" << !!(t.flags & kFlagSpanCd)
      << " ShowActivityBar=" << !!(t.flags & kFlagShowActivityBar)
      << " TraceLog=" << !!(t.flags & kFlagTraceLog) << "\n";
    o << "  InternetPackage=" << !!t.internet_package << " AskBeforeDownload=" << !!t.ask_before_download
      << " HasAgent=" << !!t.has_agent << " ThisIs_AutoUpdateProg=" << !!t.this_is_agent << "\n";
    if (first || v.is_launcher) {
      const auto& s = d.strings;
      o << "  LanguageTable: " << s[0] << "\n";
      o << "  PackageInfo: InfoUrl=" << BarItem(s[1], 0) << " InfoFileName=" << BarItem(s[1], 1)
        << " AgentExeName=" << BarItem(s[1], 2) << " PackageToken=" << token(BarItem(s[1], 3))
        << " RunHidden=" << BarItem(s[1], 4) << "\n";
      if (d.strings_read >= 3)
        o << "  InternetInfo: SetupUrl=" << BarItem(s[2], 0) << " SetupFileName=" << BarItem(s[2], 1)
          << " AlwaysDownload=" << BarItem(s[2], 2) << " SetupToken=" << token(BarItem(s[2], 3))
          << " SetupSize=" << BarItem(s[2], 4) << "\n";
    }
    if (!v.is_launcher) first = false;
    for (const BlockInfo& b : v.blocks) {
      o << "  Block @" << b.offset << ": " << (b.header.empty() ? "(no header, skipped)" : b.name);
      if (!b.main_entry.empty()) o << "  [start: " << b.main_entry << "]";
      o << "  " << FormatDosDateTime(b.date) << "  " << (b.length > 0 ? "deflated" : "stored") << "  "
        << b.data_size << " -> " << b.content_size << "\n";
    }
  }
  o << "Volumes: " << report.volumes.size() << "\n";
  o << "File blocks: " << report.file_blocks << "\n";
  for (const auto& n : report.notes) o << "Note: " << n << "\n";
  for (const auto& p : report.problems) o << "Problem: " << p << "\n";
  o << (report.valid() ? "Package is valid\n" : "Package is NOT valid\n");
  return o.str();
}

}  // namespace velkor::pack
