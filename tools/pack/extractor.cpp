#include "extractor.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "package/package_reader.h"
#include "package/read_only_file.h"
#include "package/trailer.h"
#include "setup/unpack_file_host.h"
#include "support/text.h"

namespace velkor::pack {
namespace {

namespace fs = std::filesystem;

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string VolumePath(const std::string& base, int volume) {
  return base + "." + ZeroPad(volume, 3);
}

// The plain-file host with three changes for a command-line run: it counts what it reads and
// writes, it replaces files that were there before the run (the unpacker appends, because a file
// may continue in the next volume; a stale file from an earlier run must not be extended), and
// it answers the disk prompt with Cancel while noting which volume was asked for.
class ExtractHost : public FileUnpackHost {
 public:
  ExtractHost(uint64_t total, const ExtractProgress& progress) : total_(total), progress_(progress) {
    on_error = [this](const std::string& text) {
      if (first_error_.empty()) first_error_ = text;
    };
    on_disk_prompt = [this](const std::string& text) {
      missing_volume_ = text;
      return false;
    };
  }

  std::unique_ptr<UnpackSource> OpenVolume(const std::string& path) override {
    std::unique_ptr<UnpackSource> inner = FileUnpackHost::OpenVolume(path);
    last_volume_ = path;
    if (!inner) return nullptr;
    return std::make_unique<CountingSource>(std::move(inner), *this);
  }

  std::unique_ptr<UnpackTarget> OpenTarget(const std::string& path, bool append) override {
    if (append && seen_.insert(path).second) {
      // First block of this file in this run: whatever was there is replaced. A symbolic link
      // is removed, not followed.
      std::error_code ec;
      const fs::path local = LocalPath(path);
      if (fs::is_symlink(fs::symlink_status(local, ec)) || fs::is_regular_file(local, ec))
        fs::remove(local, ec);
      ++files_;
    }
    std::unique_ptr<UnpackTarget> inner = FileUnpackHost::OpenTarget(path, append);
    if (!inner) return nullptr;
    return std::make_unique<CountingTarget>(std::move(inner), bytes_written_);
  }

  int files() const { return files_; }
  uint64_t bytes_written() const { return bytes_written_; }
  const std::string& first_error() const { return first_error_; }
  const std::string& missing_volume() const { return missing_volume_; }
  const std::string& last_volume() const { return last_volume_; }

 private:
  class CountingSource : public UnpackSource {
   public:
    CountingSource(std::unique_ptr<UnpackSource> inner, ExtractHost& host)
        : inner_(std::move(inner)), host_(host) {}
    int64_t Size() const override { return inner_->Size(); }
    size_t ReadAt(int64_t offset, char* buf, size_t len) override {
      const size_t got = inner_->ReadAt(offset, buf, len);
      host_.Advance(got);
      return got;
    }

   private:
    std::unique_ptr<UnpackSource> inner_;
    ExtractHost& host_;
  };

  class CountingTarget : public UnpackTarget {
   public:
    CountingTarget(std::unique_ptr<UnpackTarget> inner, uint64_t& bytes)
        : inner_(std::move(inner)), bytes_(bytes) {}
    bool Write(const char* data, size_t len) override {
      if (!inner_->Write(data, len)) return false;
      bytes_ += len;
      return true;
    }
    bool Close(uint32_t dos_date) override { return inner_->Close(dos_date); }

   private:
    std::unique_ptr<UnpackTarget> inner_;
    uint64_t& bytes_;
  };

  // Reports at most about 200 times per run, so a progress bar costs nothing worth measuring.
  void Advance(size_t n) {
    read_ += n;
    if (!progress_ || total_ == 0) return;
    if (read_ - reported_ >= total_ / 200 || read_ >= total_) {
      reported_ = read_;
      progress_(std::min(read_, total_), total_);
    }
  }

  const uint64_t total_;
  const ExtractProgress& progress_;
  uint64_t read_ = 0, reported_ = 0;
  std::set<std::string> seen_;
  int files_ = 0;
  uint64_t bytes_written_ = 0;
  std::string first_error_, missing_volume_, last_volume_;
};

std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

// The text before the first paragraph mark of an error box: the path or name it is about.
std::string Subject(const std::string& box) { return box.substr(0, box.find("<P>")); }

}  // namespace

std::string FlattenMarkup(const std::string& text) {
  std::string plain = ReplaceText(ReplaceText(text, "<P>", " "), "<T>", " ");
  std::string out;
  for (char c : plain) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

ExtractReport ExtractPackage(const std::string& package, const std::string& folder,
                             const ExtractProgress& progress) {
  ExtractReport report;
  auto fail = [&](UnpackFailure failure, const std::string& error) {
    report.failure = failure;
    report.error = error;
    return report;
  };

  ReadOnlyFile first;
  if (!first.Open(package))
    return fail(UnpackFailure::kChecksum, "cannot read " + package + ": " + std::strerror(errno));
  Trailer rec;
  if (!ReadTrailer(first, &rec) || !rec.HasMagic())
    return fail(UnpackFailure::kChecksum, FileName(package) + ": not a setup package (no trailer)");
  first.Close();

  // A span launcher carries only the descriptor strings; the files start in its first volume.
  std::string source = package;
  if (rec.Flags & kFlagSpanCd) source = VolumePath(package, 1);
  std::string base = source;
  if (EndsWith(base, ".001")) base.resize(base.size() - 4);

  std::error_code ec;
  std::string volume = source;
  for (int v = 1; fs::is_regular_file(volume, ec); volume = VolumePath(base, ++v))
    report.package_bytes += fs::file_size(volume, ec);
  if (!fs::is_regular_file(source, ec))
    return fail(UnpackFailure::kCancelled, "volume 1 is missing: " + source);

  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec))
    return fail(UnpackFailure::kSaveError,
                "cannot create folder " + folder + (ec ? ": " + ec.message() : ""));

  ExtractHost host(2 * report.package_bytes, progress);
  UnpackProcessState state;  // this run's own save-error count: its first error is always seen
  UnpackOptions options;
  options.disk_prompt = "<DISK_NUM>";  // the prompt hook receives just the volume number
  const auto started = std::chrono::steady_clock::now();
  const UnpackResult result = UnpackPackage(host, source, folder, "", options, state);
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  report.files = host.files();
  report.bytes = host.bytes_written();
  report.main_entry = result.main_entry;
  report.failure = result.failure;

  const std::string where = FileName(host.last_volume());
  const std::string detail = FlattenMarkup(host.first_error());
  switch (result.failure) {
    case UnpackFailure::kNone:
      break;
    case UnpackFailure::kChecksum:
      report.error = where + ": checksum does not match (damaged or incomplete volume)";
      break;
    case UnpackFailure::kCorrupt:
      report.error = where + ": damaged package: a block does not fit in its volume";
      break;
    case UnpackFailure::kInflate:
      report.error = where + ": a compressed block does not inflate: " + detail;
      break;
    case UnpackFailure::kUnsafeName:
      report.error = where + ": unsafe file name in the package, not extracted: " +
                     Subject(host.first_error());
      break;
    case UnpackFailure::kSaveError: {
      const std::string& box = host.first_error();
      const std::string mark = "Unable to save Extracted File!";
      const size_t reason = box.find(mark);
      report.error = "cannot save " + FileUnpackHost::LocalPath(Subject(box)) + ": " +
                     FlattenMarkup(reason == std::string::npos ? box : box.substr(reason + mark.size()));
      break;
    }
    case UnpackFailure::kCancelled: {
      const std::string number = host.missing_volume();
      report.error = "volume " + number + " is missing: " +
                     VolumePath(base, int(StrToInt64Def(number, 0)));
      break;
    }
  }
  return report;
}

}  // namespace velkor::pack
