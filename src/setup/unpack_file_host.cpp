#include "setup/unpack_file_host.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace velkor {
namespace {

namespace fs = std::filesystem;

int Seek64(std::FILE* f, int64_t offset, int whence) {
#ifdef _WIN32
  return _fseeki64(f, offset, whence);
#else
  return fseeko(f, off_t(offset), whence);
#endif
}

int64_t Tell64(std::FILE* f) {
#ifdef _WIN32
  return _ftelli64(f);
#else
  return int64_t(ftello(f));
#endif
}

class FileSource : public UnpackSource {
 public:
  FileSource(std::FILE* f, int64_t size) : f_(f), size_(size), pos_(0) {}
  ~FileSource() override { std::fclose(f_); }
  int64_t Size() const override { return size_; }
  size_t ReadAt(int64_t offset, char* buf, size_t len) override {
    if (offset < 0 || offset >= size_) return 0;
    if (offset != pos_) {
      if (Seek64(f_, offset, SEEK_SET) != 0) {
        pos_ = -1;
        return 0;
      }
      pos_ = offset;
    }
    const size_t got = std::fread(buf, 1, len, f_);
    pos_ += int64_t(got);
    if (got < len) pos_ = -1;  // the stream's position is unknown after a short read
    return got;
  }

 private:
  std::FILE* f_;
  int64_t size_;
  int64_t pos_;
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
  std::FILE* f = std::fopen(LocalPath(path).c_str(), "rb");
  if (!f) {
    last_error_ = std::strerror(errno);
    return nullptr;
  }
  int64_t size = -1;
  if (Seek64(f, 0, SEEK_END) == 0) size = Tell64(f);
  if (size < 0 || Seek64(f, 0, SEEK_SET) != 0) {
    last_error_ = std::strerror(errno);
    std::fclose(f);
    return nullptr;
  }
  return std::make_unique<FileSource>(f, size);
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
