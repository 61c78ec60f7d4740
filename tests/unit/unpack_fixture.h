#pragma once
// Small packages built in memory and a host that keeps every file in memory and records every
// dialog, progress call and viewer line, for the unpacker's tests.

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "package/trailer.h"
#include "setup/unpack.h"

namespace velkor::unpack_test {

inline void PutLe32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline std::string Le32Bytes(uint32_t v) {
  std::string s(4, '\0');
  PutLe32(s, 0, v);
  return s;
}

inline std::string Deflate(const std::string& data) {
  uLongf len = compressBound(uLong(data.size()));
  std::string out(len, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &len,
            reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()), 6);
  out.resize(len);
  return out;
}

// A block with the given length field and data as they stand.
inline std::string RawBlock(int32_t length, const std::string& data) {
  return Le32Bytes(uint32_t(length)) + data;
}

inline std::string Header(const std::string& name, const std::string& date = "0") {
  return "|" + name + "|" + date + "|";
}

// A file block: header, NUL, content; compressed unless `stored`.
inline std::string FileBlock(const std::string& header, const std::string& content,
                             bool stored = false) {
  const std::string plain = header + std::string(1, '\0') + content;
  if (stored) return RawBlock(-int32_t(plain.size()), plain);
  const std::string z = Deflate(plain);
  return RawBlock(int32_t(z.size()), z);
}

constexpr uint32_t kMagic = 0x4A3B2C1D;
constexpr uint32_t kSkipChecksum = 1234;
constexpr uint8_t kMultiVolume = 2;

struct PackageSpec {
  bool pe_image = false;  // a 512-byte stand-in image with "MZ"/"PE" and the end offset set
  int descriptor_count = 2;
  std::vector<std::string> descriptors = {"|lang|", "|http://info|info.txt|agent.exe|tok|0|",
                                          "|http://setup|setup.exe|0|tok|100|"};
  std::vector<std::string> blocks;
  uint8_t flags = 0;
  uint32_t magic = kMagic;
  int32_t files_count = -1;  // -1: the number of blocks
  bool compute_checksum = false;
  uint32_t checksum = kSkipChecksum;
  std::string appended;  // bytes after the package (only found through the end offset)
};

inline std::string BuildPackage(const PackageSpec& spec) {
  std::string out;
  if (spec.pe_image) {
    out.assign(512, '\x90');
    out[0] = 'M', out[1] = 'Z', out[256] = 'P', out[257] = 'E';
  }
  const int32_t data_offset = int32_t(out.size());
  for (int i = 0; i < spec.descriptor_count; ++i)
    out += RawBlock(int32_t(spec.descriptors[i].size()), spec.descriptors[i]);
  for (const std::string& b : spec.blocks) out += b;
  std::string t(74, '\0');
  t[0] = 1;
  t[1] = char(spec.descriptor_count);
  PutLe32(t, 4, uint32_t(data_offset));
  PutLe32(t, 8, uint32_t(spec.files_count < 0 ? int32_t(spec.blocks.size()) : spec.files_count));
  PutLe32(t, 12, spec.magic);
  t[65] = char(spec.flags);
  PutLe32(t, 70, 74);
  out += t;
  if (spec.pe_image) {
    PutLe32(out, 248, 0);
    PutLe32(out, 252, uint32_t(out.size()));
  }
  uint32_t sum = spec.checksum;
  if (spec.compute_checksum) sum = PackageChecksumOfImage(out, 74);
  PutLe32(out, out.size() - 74 + 16, sum);
  return out + spec.appended;
}

class MemorySource : public UnpackSource {
 public:
  explicit MemorySource(const std::string& data) : data_(data) {}
  int64_t Size() const override { return int64_t(data_.size()); }
  size_t ReadAt(int64_t offset, char* buf, size_t len) override {
    if (offset < 0 || offset >= Size()) return 0;
    const size_t n = std::min(len, data_.size() - size_t(offset));
    std::copy_n(data_.data() + offset, n, buf);
    return n;
  }

 private:
  const std::string& data_;  // an entry of MemoryHost::files, which outlives the run
};

// Every file lives in `files`; writes to a path in `unwritable` fail, and `disk_space` bounds the
// bytes that all writes together may add.
class MemoryHost : public UnpackHost {
 public:
  std::map<std::string, std::string> files;
  std::map<std::string, uint32_t> dates;
  std::set<std::string> unwritable;
  int64_t disk_space = INT64_MAX;
  std::function<bool(const std::string& text)> on_prompt = [](const std::string&) {
    return false;
  };

  std::vector<std::string> errors, prompts, ejected, viewer;
  std::vector<std::string> progress;  // "0:range:position:step" or "1"
  std::vector<std::pair<std::string, std::string>> copied_dates;
  size_t largest_write = 0;
  int autoplay_registrations = 0;
  std::vector<std::string> folders;

  class Target : public UnpackTarget {
   public:
    Target(MemoryHost& host, std::string path) : host_(host), path_(std::move(path)) {}
    bool Write(const char* data, size_t len) override {
      host_.largest_write = std::max(host_.largest_write, len);
      if (int64_t(len) > host_.disk_space) {
        host_.files[path_].append(data, size_t(host_.disk_space));
        host_.disk_space = 0;
        return false;
      }
      host_.disk_space -= int64_t(len);
      host_.files[path_].append(data, len);
      return true;
    }
    bool Close(uint32_t dos_date) override {
      if (dos_date != 0) host_.dates[path_] = dos_date;
      return true;
    }

   private:
    MemoryHost& host_;
    std::string path_;
  };

  std::unique_ptr<UnpackSource> OpenVolume(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) return nullptr;
    return std::make_unique<MemorySource>(it->second);
  }
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  std::unique_ptr<UnpackTarget> OpenTarget(const std::string& path, bool append) override {
    if (unwritable.count(path)) return nullptr;
    if (!append || !files.count(path)) files[path].clear();
    return std::make_unique<Target>(*this, path);
  }
  int64_t FileSize(const std::string& path) override {
    auto it = files.find(path);
    return it == files.end() ? 0 : int64_t(it->second.size());
  }
  int64_t FreeBytes(const std::string&) override {
    return disk_space == INT64_MAX ? -1 : disk_space;
  }
  bool CreateFolder(const std::string& path, std::string& error_text) override {
    folders.push_back(path);
    if (path.empty()) error_text = "The path is empty.";
    return !path.empty();
  }
  void CopyFileDate(const std::string& from, const std::string& to) override {
    copied_dates.emplace_back(from, to);
  }
  std::string LastErrorText() override { return "There is not enough space on the disk."; }
  void Progress(int kind, int64_t range, int64_t position, int step) override {
    progress.push_back(kind == 1 ? "1"
                                 : "0:" + std::to_string(range) + ":" +
                                       std::to_string(position) + ":" + std::to_string(step));
  }
  void PumpMessages() override {}
  void WaitPumping(uint32_t) override {}
  uint32_t TickCount() override { return tick += 7; }
  void ErrorBox(const std::string& text, const std::string&, uint8_t) override {
    errors.push_back(text);
  }
  bool OkCancelBox(const std::string& text, const std::string&, const std::string&,
                   uint8_t) override {
    prompts.push_back(text);
    return on_prompt(text);
  }
  void EjectMedia(const std::string& path) override { ejected.push_back(path); }
  void RegisterAutoPlayQuery() override { ++autoplay_registrations; }
  void ViewerLine(const std::string& line) override { viewer.push_back(line); }
  uint32_t ProcessId() override { return 42; }

  int Steps() const { return int(std::count(progress.begin(), progress.end(), "1")); }

 private:
  uint32_t tick = 1000;
};

}  // namespace velkor::unpack_test
