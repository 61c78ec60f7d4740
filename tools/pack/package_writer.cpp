#include "package_writer.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <set>
#include <thread>

#include "compression.h"
#include "package_inspector.h"
#include "scramble.h"

namespace velkor::pack {

namespace fs = std::filesystem;

namespace {

// Upper bound of a block's content: its length must fit the signed 32-bit block length with room
// to spare, and the stub holds a whole block in memory.
constexpr uint64_t kMaxBlockSize = 256u << 20;

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

bool ReadWholeFile(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string FieldError(const std::string& field, const std::string& value) {
  if (value.find('|') != std::string::npos) return field + " must not contain '|'";
  if (value.find('\0') != std::string::npos) return field + " must not contain a NUL byte";
  return "";
}

std::string Descriptor(const std::string& text) {
  std::string out;
  AppendLE32(out, static_cast<uint32_t>(text.size()));
  return out + text;
}

// Temporary outputs, removed unless the whole set was committed.
class OutputFiles {
 public:
  ~OutputFiles() {
    if (committed_) return;
    std::error_code ec;
    for (const auto& f : files_) fs::remove(f.temp, ec);
  }

  // Creates the temporary file for `final_path`; returns its index, or -1.
  int Create(const fs::path& final_path) {
    std::random_device rd;
    fs::path temp = final_path;
    temp += ".tmp" + std::to_string(rd() % 1000000);
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return -1;
    files_.push_back({final_path, temp});
    return static_cast<int>(files_.size()) - 1;
  }
  const fs::path& temp(int i) const { return files_[i].temp; }
  const fs::path& final_path(int i) const { return files_[i].final_path; }
  size_t size() const { return files_.size(); }

  std::string Commit() {
    for (const auto& f : files_) {
      std::error_code ec;
      fs::rename(f.temp, f.final_path, ec);
      if (ec) {
        fs::remove(f.final_path, ec);
        fs::rename(f.temp, f.final_path, ec);
      }
      if (ec) return "cannot rename " + f.temp.string() + " to " + f.final_path.string() + ": " + ec.message();
    }
    committed_ = true;
    return "";
  }

 private:
  struct Entry {
    fs::path final_path, temp;
  };
  std::vector<Entry> files_;
  bool committed_ = false;
};

struct EncodedBlock {
  std::string bytes;  // length field + data
  bool failed = false;
};

EncodedBlock EncodeBlock(BlockCompressor* compressor, const std::string& raw) {
  EncodedBlock e;
  std::optional<std::string> packed;
  if (compressor) {
    packed = compressor->Compress(raw);
    if (!packed) {
      e.failed = true;
      return e;
    }
  }
  if (packed && packed->size() < raw.size()) {
    AppendLE32(e.bytes, static_cast<uint32_t>(packed->size()));
    e.bytes += *packed;
  } else {
    // Deflate did not shrink it (or level 0): a stored block, negative length.
    AppendLE32(e.bytes, static_cast<uint32_t>(-static_cast<int32_t>(raw.size())));
    e.bytes += raw;
  }
  return e;
}

// The volumes being written: bodies first, trailers once the whole set is known.
class VolumeSet {
 public:
  VolumeSet(OutputFiles& outputs, uint64_t volume_size) : outputs_(outputs), volume_size_(volume_size) {}

  // Starts a volume whose body begins with `prefix`; DataOffset is `data_offset`.
  bool Open(const fs::path& final_path, const std::string& prefix, int32_t data_offset, bool pe) {
    Close();
    const int index = outputs_.Create(final_path);
    if (index < 0) return false;
    out_.open(outputs_.temp(index), std::ios::binary | std::ios::app);
    out_.write(prefix.data(), static_cast<std::streamsize>(prefix.size()));
    volumes_.push_back({index, prefix.size(), 0, data_offset, pe});
    return static_cast<bool>(out_);
  }

  bool Fits(uint64_t bytes) const {
    return volume_size_ == 0 || volumes_.back().size + bytes + kTrailerSize <= volume_size_;
  }
  int blocks_in_current() const { return volumes_.back().blocks; }

  bool Append(const std::string& bytes) {
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    volumes_.back().size += bytes.size();
    ++volumes_.back().blocks;
    return static_cast<bool>(out_);
  }

  void Close() {
    if (out_.is_open()) out_.close();
  }

  // Appends every trailer, end offset and checksum. `span_launcher` marks volume 0 as the launcher.
  std::string Finish(const TrailerFields& common, bool span_launcher) {
    Close();
    for (size_t i = 0; i < volumes_.size(); ++i) {
      const Vol& v = volumes_[i];
      const fs::path& path = outputs_.temp(v.index);
      TrailerFields t = common;
      t.data_offset = v.data_offset;
      t.flags &= static_cast<uint8_t>(~(kFlagMultiVolume | kFlagSpanCd));
      const bool launcher = span_launcher && i == 0;
      if (launcher) {
        t.flags |= kFlagSpanCd;
        t.files_count = 0;
      } else if (i + 1 < volumes_.size()) {
        t.flags |= kFlagMultiVolume;
      }
      const uint64_t total = v.size + kTrailerSize;
      {
        std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(0, std::ios::end);
        const std::string trailer = EncodeTrailer(t);
        f.write(trailer.data(), trailer.size());
        if (v.pe) {
          // The package length: readers find the trailer from it even with data appended.
          std::string end(8, '\0');
          PutLE32(end, 0, static_cast<uint32_t>(total >> 32));
          PutLE32(end, 4, static_cast<uint32_t>(total & 0xFFFFFFFFu));
          f.seekp(kEndOffsetHigh);
          f.write(end.data(), 8);
        }
        if (!f) return "cannot write " + path.string();
      }
      const auto sum = ComputePackageChecksum(path, kTrailerSize);
      if (!sum) return "cannot read back " + path.string();
      std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
      std::string bytes(4, '\0');
      PutLE32(bytes, 0, *sum);
      f.seekp(static_cast<std::streamoff>(total - kTrailerSize + kChecksumOffsetInTrailer));
      f.write(bytes.data(), 4);
      if (!f) return "cannot write " + path.string();
    }
    return "";
  }

  size_t count() const { return volumes_.size(); }

 private:
  struct Vol {
    int index;
    uint64_t size;
    int blocks;
    int32_t data_offset;
    bool pe;
  };
  OutputFiles& outputs_;
  uint64_t volume_size_;
  std::ofstream out_;
  std::vector<Vol> volumes_;
};

struct FilePlan {
  PackFile file;
  uint64_t size = 0;
  uint32_t date = 0;
  std::string first_header, header;  // the engine's first block carries "*"
};

std::string ValidateCommon(const fs::path& stub, const fs::path& output, std::string& image) {
  if (output.empty()) return "no output file given";
  if (stub.empty()) return "no stub image given";
  std::error_code ec;
  if (!fs::is_regular_file(stub, ec)) return "stub image not found: " + stub.string();
  if (!ReadWholeFile(stub, image)) return "cannot read stub image: " + stub.string();
  if (image.size() >= 4 && GetLE32(image, image.size() - 4) == kTrailerSize && image.size() >= kTrailerSize &&
      GetLE32(image, image.size() - kTrailerSize + 12) == kTrailerMagic)
    return "stub image already carries a package: " + stub.string();
  if (image.size() > 0x7FFFFFFF) return "stub image too large: " + stub.string();
  const fs::path folder = output.has_parent_path() ? output.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec)) return "output folder does not exist: " + folder.string();
  return "";
}

}  // namespace

std::string CheckFileName(const std::string& name) {
  if (name.empty()) return "empty file name";
  if (name.find_first_of("/\\:") != std::string::npos)
    return "'" + name + "' has a folder part; the stub creates no folders";
  if (name == "." || name == "..") return "'" + name + "' is not a file name";
  if (name.find_first_of("*|\"<>?") != std::string::npos)
    return "'" + name + "' contains a character not allowed in file names";
  for (unsigned char c : name)
    if (c < 32) return "'" + name + "' contains a control character";
  return "";
}

std::string BuildLanguageTable(const std::vector<LanguageEntry>& languages, std::string* error) {
  if (languages.empty()) return "*";  // a one-character table holds no entry
  // Each entry is a bar list with a separator of its own that none of its texts contain; the
  // table's separator must then occur in no entry. "|" appears in button caption lists, so both
  // are chosen from candidates.
  static const std::string kCandidates = "|~^!@#$&`%";
  std::vector<std::string> entries;
  std::string all;
  for (const LanguageEntry& lang : languages) {
    std::string content = lang.name;
    for (const auto& [k, v] : lang.texts) content += k + "=" + v;
    if (content.find('\0') != std::string::npos) {
      if (error) *error = "language " + lang.name + ": texts must not contain a NUL byte";
      return "";
    }
    char sep = 0;
    for (char c : kCandidates.substr(1))
      if (content.find(c) == std::string::npos) {
        sep = c;
        break;
      }
    if (!sep) {
      if (error) *error = "language " + lang.name + ": its texts use every separator character";
      return "";
    }
    std::string entry(1, sep);
    entry += lang.name + sep;
    for (const auto& [k, v] : lang.texts) entry += k + "=" + v + sep;
    entries.push_back(entry);
    all += entry;
  }
  for (char c : kCandidates) {
    if (all.find(c) != std::string::npos) continue;
    std::string table(1, c);
    for (const auto& e : entries) table += e + c;
    return table;
  }
  if (error) *error = "the language texts use every separator character";
  return "";
}

std::string BuildPackageInfo(const PackageSpec& spec, std::mt19937& rng) {
  return "|" + spec.info_url + "|" + spec.info_file_name + "|" + spec.agent_exe_name + "|" +
         (spec.package_token.empty() ? "" : ScrambleToken(spec.package_token, rng)) + "|" +
         (spec.run_hidden ? "1" : "0") + "|";
}

std::array<uint32_t, kSpaceEntries> ComputeSpaceTable(const std::vector<uint64_t>& sizes) {
  std::array<uint32_t, kSpaceEntries> table{};
  for (int i = 0; i < kSpaceEntries; ++i) {
    // Entry 0 serves drives whose cluster size is unknown: assume the largest cluster.
    const uint64_t cluster = 256ull << (i == 0 ? 8 : i);
    uint64_t total = 0;
    for (uint64_t s : sizes) total += (s + cluster - 1) / cluster * cluster;
    table[i] = static_cast<uint32_t>(std::min<uint64_t>(total, 0xFFFFFFFFu));  // saturate, never wrap
  }
  return table;
}

fs::path VolumeName(const fs::path& base, int number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  fs::path p = base;
  p += "." + digits;
  return p;
}

PackResult WritePackage(const PackageSpec& spec) {
  PackResult result;
  auto fail = [&](std::string why) {
    result.error = std::move(why);
    result.written.clear();
    return result;
  };
  std::string image;
  if (auto e = ValidateCommon(spec.stub, spec.output, image); !e.empty()) return fail(e);
  if (spec.level < 0 || spec.level > 12) return fail("compression level must be 0 to 12");
  if (spec.block_size == 0 || spec.block_size > kMaxBlockSize)
    return fail("block size must be 1 to " + std::to_string(kMaxBlockSize) + " bytes");
  for (const auto& [field, value] :
       {std::pair<std::string, std::string>{"InfoUrl", spec.info_url}, {"InfoFileName", spec.info_file_name},
        {"AgentExeName", spec.agent_exe_name}, {"EngineArgs", spec.engine_args}})
    if (auto e = FieldError(field, value); !e.empty()) return fail(e);
  if (spec.engine_args.find('*') != std::string::npos) return fail("EngineArgs must not contain '*'");
  if (!spec.agent_exe_name.empty())
    if (auto e = CheckFileName(spec.agent_exe_name); !e.empty()) return fail("AgentExeName: " + e);
  if (spec.has_agent && spec.agent_exe_name.empty()) return fail("HasAgent needs AgentExeName");
  if (spec.internet_info) {
    const InternetInfoSpec& ii = *spec.internet_info;
    for (const auto& [field, value] :
         {std::pair<std::string, std::string>{"SetupUrl", ii.setup_url}, {"SetupFileName", ii.setup_file_name},
          {"SetupToken", ii.setup_token}, {"SetupSize", ii.setup_size}})
      if (auto e = FieldError(field, value); !e.empty()) return fail(e);
  }

  // Files: flat names, no duplicates (the stub would append them into one file), engine first.
  std::vector<FilePlan> plans;
  std::set<std::string> seen;
  bool engine_found = spec.engine.empty();
  for (const PackFile& f : spec.files) {
    if (auto e = CheckFileName(f.name); !e.empty()) return fail(e);
    if (!seen.insert(Upper(f.name)).second) return fail("file named twice: " + f.name);
    std::error_code ec;
    if (!fs::is_regular_file(f.source, ec)) return fail("file not found: " + f.source.string());
    FilePlan plan;
    plan.file = f;
    plan.size = fs::file_size(f.source, ec);
    if (ec) return fail("cannot read " + f.source.string());
    plan.date = f.date ? *f.date : DosDateTimeOfFile(f.source);
    const std::string date = std::to_string(plan.date);
    plan.header = "|" + f.name + "|" + date + "|";
    plan.first_header = plan.header;
    if (Upper(f.name) == Upper(spec.engine)) {
      engine_found = true;
      plan.first_header = "|" + f.name + "*" + (spec.engine_args.empty() ? "" : " " + spec.engine_args) +
                          "|" + date + "|";
      plans.insert(plans.begin(), std::move(plan));
    } else {
      plans.push_back(std::move(plan));
    }
  }
  if (!engine_found) return fail("engine " + spec.engine + " is not one of the package's files");

  std::mt19937 rng(spec.seed);
  std::string error;
  const std::string languages = BuildLanguageTable(spec.languages, &error);
  if (!error.empty()) return fail(error);
  std::string prefix = image + Descriptor(languages) + Descriptor(BuildPackageInfo(spec, rng));
  if (spec.internet_info) {
    const InternetInfoSpec& ii = *spec.internet_info;
    prefix += Descriptor("|" + ii.setup_url + "|" + ii.setup_file_name + "|" + (ii.always_download ? "1" : "0") +
                         "|" + (ii.setup_token.empty() ? "" : ScrambleToken(ii.setup_token, rng)) + "|" +
                         ii.setup_size + "|");
  }
  const bool pe = IsPEImagePrefix(image);

  std::vector<uint64_t> sizes;
  for (const auto& p : plans) sizes.push_back(p.size);
  if (spec.has_agent) sizes.push_back(prefix.size() + kTrailerSize);  // the agent copy

  TrailerFields common;
  common.descriptor_count = spec.internet_info ? 3 : 2;
  common.space_table = ComputeSpaceTable(sizes);
  common.flags = static_cast<uint8_t>((spec.confirm_temp_drive ? kFlagConfirmTempDrive : 0) |
                                      (spec.show_activity_bar ? kFlagShowActivityBar : 0) |
                                      (spec.trace_log ? kFlagTraceLog : 0));
  common.has_agent = spec.has_agent ? 1 : 0;

  if (spec.volume_size && prefix.size() + kTrailerSize > spec.volume_size)
    return fail("volume size " + std::to_string(spec.volume_size) + " is too small: the stub image and "
                "descriptor strings alone need " + std::to_string(prefix.size() + kTrailerSize) + " bytes");

  OutputFiles outputs;
  VolumeSet volumes(outputs, spec.volume_size);
  int volume_number = 1;
  auto volume_path = [&](int v) {
    if (spec.span) return VolumeName(spec.output, v);
    return v == 1 ? spec.output : VolumeName(spec.output, v);
  };
  if (spec.span && !volumes.Open(spec.output, prefix, static_cast<int32_t>(image.size()), pe))
    return fail("cannot write " + spec.output.string());
  if (!volumes.Open(volume_path(1), prefix, static_cast<int32_t>(image.size()), pe))
    return fail("cannot write " + volume_path(1).string());

  // Blocks are read in order, compressed a batch at a time on every core, and written in order;
  // memory stays bounded by the batch.
  const unsigned threads = spec.threads ? spec.threads : std::max(1u, std::thread::hardware_concurrency());
  const size_t batch_size = 4 * threads;
  std::vector<std::string> batch;
  auto flush = [&]() -> std::string {
    std::vector<EncodedBlock> encoded(batch.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
      std::unique_ptr<BlockCompressor> compressor;
      if (spec.level > 0) compressor = std::make_unique<BlockCompressor>(spec.level);
      for (size_t i; (i = next++) < batch.size();) encoded[i] = EncodeBlock(compressor.get(), batch[i]);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < std::min<size_t>(threads, batch.size()); ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    for (const EncodedBlock& e : encoded) {
      if (e.failed) return "compression failed";
      if (!volumes.Fits(e.bytes.size())) {
        ++volume_number;
        if (!volumes.Open(volume_path(volume_number), "", 0, false))
          return "cannot write " + volume_path(volume_number).string();
      }
      if (!volumes.Append(e.bytes)) return "cannot write " + volume_path(volume_number).string();
      ++result.file_blocks;
    }
    batch.clear();
    return "";
  };

  for (const FilePlan& plan : plans) {
    uint64_t chunk = spec.block_size;
    if (spec.volume_size) {
      // A stored block of this file must fit an empty further volume.
      const uint64_t overhead = kTrailerSize + 4 + plan.first_header.size() + 1;
      if (spec.volume_size <= overhead)
        return fail("volume size " + std::to_string(spec.volume_size) + " is too small for a block of " +
                    plan.file.name);
      chunk = std::min(chunk, spec.volume_size - overhead);
    }
    std::ifstream in(plan.file.source, std::ios::binary);
    if (!in) return fail("cannot read " + plan.file.source.string());
    uint64_t left = plan.size;
    bool first = true;
    do {
      const size_t n = static_cast<size_t>(std::min(left, chunk));
      std::string raw = (first ? plan.first_header : plan.header) + '\0';
      const size_t at = raw.size();
      raw.resize(at + n);
      in.read(raw.data() + at, static_cast<std::streamsize>(n));
      if (static_cast<size_t>(in.gcount()) != n) return fail("file changed while reading: " + plan.file.source.string());
      left -= n;
      first = false;
      batch.push_back(std::move(raw));
      if (batch.size() >= batch_size)
        if (auto e = flush(); !e.empty()) return fail(e);
    } while (left > 0);
  }
  if (auto e = flush(); !e.empty()) return fail(e);

  common.files_count = result.file_blocks;
  if (auto e = volumes.Finish(common, spec.span); !e.empty()) return fail(e);
  if (auto e = outputs.Commit(); !e.empty()) return fail(e);
  for (size_t i = 0; i < outputs.size(); ++i) result.written.push_back(outputs.final_path(i));
  return result;
}

PackResult WriteInternetPackage(const InternetPackageSpec& spec) {
  PackResult result;
  auto fail = [&](std::string why) {
    result.error = std::move(why);
    return result;
  };
  std::string image;
  if (auto e = ValidateCommon(spec.stub, spec.output, image); !e.empty()) return fail(e);
  std::string error;
  const auto real = ReadDescriptor(spec.real_setup, &error);
  if (!real) return fail("real setup file: " + error);
  if (real->trailer.flags & (kFlagMultiVolume | kFlagSpanCd))
    return fail("real setup file is a multi-volume or span set; the download is one file");
  if (real->trailer.internet_package) return fail("real setup file is itself an internet package");
  const std::string token = BarItem(real->strings[2], 3);
  if (real->strings_read < 3 || token.empty())
    return fail("real setup file carries no SetupToken; write it with [Internet] SetupToken");
  std::string url = spec.setup_url;
  while (!url.empty() && url.back() == '/') url.pop_back();  // the stub adds "/" itself
  if (url.empty()) return fail("no setup address given");
  const std::string name = spec.setup_file_name.empty() ? spec.real_setup.filename().string() : spec.setup_file_name;
  if (auto e = CheckFileName(name); !e.empty()) return fail("SetupFileName: " + e);
  if (auto e = FieldError("SetupUrl", url); !e.empty()) return fail(e);

  // Language texts, package info and agent settings come from the real file: the internet stub is
  // the same product's front end.
  const std::string internet = "|" + url + "|" + name + "|" + (spec.always_download ? "1" : "0") + "|" + token +
                               "|" + std::to_string(real->file_size) + "|";
  const std::string prefix = image + Descriptor(real->strings[0]) + Descriptor(real->strings[1]) + Descriptor(internet);
  TrailerFields t;
  t.descriptor_count = 3;
  t.flags = real->trailer.flags & (kFlagConfirmTempDrive | kFlagShowActivityBar | kFlagTraceLog);
  t.internet_package = 1;
  t.ask_before_download = spec.ask_before_download ? 1 : 0;
  t.has_agent = real->trailer.has_agent;
  if (t.has_agent) t.space_table = ComputeSpaceTable({prefix.size() + kTrailerSize});

  OutputFiles outputs;
  VolumeSet volumes(outputs, 0);
  if (!volumes.Open(spec.output, prefix, static_cast<int32_t>(image.size()), IsPEImagePrefix(image)))
    return fail("cannot write " + spec.output.string());
  if (auto e = volumes.Finish(t, false); !e.empty()) return fail(e);
  if (auto e = outputs.Commit(); !e.empty()) return fail(e);
  result.written.push_back(spec.output);
  return result;
}

}  // namespace velkor::pack
