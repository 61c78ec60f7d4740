#include "setup/unpack_file_host.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "package/read_only_file.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;

// Volumes are read through the package reader's file, which opens with sharing allowed.
class FileSource : public UnpackSource {
 public:
  bool Open(const std::string& path) { return file_.Open(path); }
  int64_t Size() const override { return file_.size(); }
  size_t ReadAt(int64_t offset, char* buf, size_t len) override {
    return file_.ReadAt(offset, buf, len);
  }

 private:
  ReadOnlyFile file_;
};

class FileTarget : public UnpackTarget {
 public:
  FileTarget(std::FILE* f, std::string path, FileUnpackHost& host, std::string& last_error)
      : f_(f), path_(std::move(path)), host_(host), last_error_(last_error) {}
  ~FileTarget() override {
    if (f_) std::fclose(f_);
  }
  bool Write(const char* data, size_t len) override {
    if (len == 0) return true;
    if (std::fwrite(data, 1, len, f_) == len) return true;
    last_error_ = std::strerror(errno);
    return false;
  }
  bool Close(uint32_t dos_date) override {
    const bool ok = std::fclose(f_) == 0;
    f_ = nullptr;
    if (!ok) {
      last_error_ = std::strerror(errno);
      return false;
    }
    if (dos_date != 0 && host_.set_date) host_.set_date(path_, dos_date);
    return true;
  }

 private:
  std::FILE* f_;
  std::string path_;  // the unpacker's form, as the date hook expects it
  FileUnpackHost& host_;
  std::string& last_error_;
};

}  // namespace

bool DosDateTimeToUnix(uint32_t dos_date, int64_t& unix_seconds) {
  const unsigned date = dos_date >> 16, time = dos_date & 0xFFFF;
  std::tm tm{};
  tm.tm_year = int(date >> 9) + 80;
  tm.tm_mon = int((date >> 5) & 15) - 1;
  tm.tm_mday = int(date & 31);
  tm.tm_hour = int(time >> 11);
  tm.tm_min = int((time >> 5) & 63);
  tm.tm_sec = int(time & 31) * 2;
  tm.tm_isdst = -1;
  if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_hour > 23 || tm.tm_min > 59 ||
      tm.tm_sec > 59)
    return false;
  const std::time_t t = std::mktime(&tm);
  if (t == std::time_t(-1)) return false;
  unix_seconds = int64_t(t);
  return true;
}

bool SetFileDosDate(const std::string& path, uint32_t dos_date) {
  int64_t seconds = 0;
  if (!DosDateTimeToUnix(dos_date, seconds)) return false;
  const auto sys = std::chrono::sys_seconds{std::chrono::seconds{seconds}};
  std::error_code ec;
  fs::last_write_time(FileUnpackHost::LocalPath(path), std::chrono::file_clock::from_sys(sys), ec);
  return !ec;
}

std::string FileUnpackHost::LocalPath(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  std::string local = path;
  for (char& c : local)
    if (c == '\\') c = '/';
  return local;
#endif
}

std::unique_ptr<UnpackSource> FileUnpackHost::OpenVolume(const std::string& path) {
  auto source = std::make_unique<FileSource>();
  if (!source->Open(LocalPath(path))) {
    last_error_ = std::strerror(errno);
    return nullptr;
  }
  return source;
}

bool FileUnpackHost::FileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(LocalPath(path), ec);
}

std::unique_ptr<UnpackTarget> FileUnpackHost::OpenTarget(const std::string& path, bool append) {
  std::FILE* f = std::fopen(LocalPath(path).c_str(), append ? "ab" : "wb");
  if (!f) {
    last_error_ = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<FileTarget>(f, path, *this, last_error_);
}

int64_t FileUnpackHost::FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = fs::file_size(LocalPath(path), ec);
  return ec ? 0 : int64_t(size);
}

int64_t FileUnpackHost::FreeBytes(const std::string& path) {
  std::error_code ec;
  fs::path p = LocalPath(path);
  // The file itself may not exist; its folder tells the same disk.
  if (!fs::exists(p, ec)) p = p.parent_path();
  const fs::space_info info = fs::space(p.empty() ? fs::path(".") : p, ec);
  return ec ? -1 : int64_t(info.available);
}

bool FileUnpackHost::CreateFolder(const std::string& path, std::string& error_text) {
  std::error_code ec;
  if (path.empty()) {
    error_text = std::make_error_code(std::errc::no_such_file_or_directory).message();
    return false;
  }
  const fs::path p = LocalPath(path);
  fs::create_directories(p, ec);
  if (!ec && !fs::is_directory(p, ec)) ec = std::make_error_code(std::errc::not_a_directory);
  if (ec) error_text = ec.message();
  return !ec;
}

void FileUnpackHost::CopyFileDate(const std::string& from, const std::string& to) {
  std::error_code ec;
  const auto t = fs::last_write_time(LocalPath(from), ec);
  if (!ec) fs::last_write_time(LocalPath(to), t, ec);
}

std::string FileUnpackHost::LastErrorText() { return last_error_; }

void FileUnpackHost::Progress(int kind, int64_t range, int64_t position, int step) {
  if (on_progress) on_progress(kind, range, position, step);
}

uint32_t FileUnpackHost::TickCount() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void FileUnpackHost::ErrorBox(const std::string& text, const std::string&, uint8_t) {
  if (on_error) on_error(text);
}

bool FileUnpackHost::OkCancelBox(const std::string& text, const std::string&, const std::string&,
                                 uint8_t) {
  return on_disk_prompt ? on_disk_prompt(text) : false;
}

void FileUnpackHost::ViewerLine(const std::string& line) {
  if (on_viewer_line) on_viewer_line(line);
}

}  // namespace velkor
