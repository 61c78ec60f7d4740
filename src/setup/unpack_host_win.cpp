#include "setup/unpack_host_win.h"

#include <windows.h>

#include "stub/main_window_win.h"
#include "support/files_win.h"
#include "support/pump_win.h"
#include "support/sysinfo_win.h"
#include "support/trace.h"
#include "ui/msg_box_win.h"

namespace velkor {

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    if (!valid()) return true;
    const bool ok = CloseHandle(h_) != FALSE;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

class WinSource : public UnpackSource {
 public:
  explicit WinSource(HANDLE h) : file_(h) {
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file_.get(), &size)) size_ = size.QuadPart;
  }
  int64_t Size() const override { return size_; }
  size_t ReadAt(int64_t offset, char* buf, size_t len) override {
    if (offset < 0 || offset >= size_) return 0;
    LARGE_INTEGER pos;
    pos.QuadPart = offset;
    if (!SetFilePointerEx(file_.get(), pos, nullptr, FILE_BEGIN)) return 0;
    size_t done = 0;
    while (done < len) {
      const DWORD want = static_cast<DWORD>(len - done > (1u << 20) ? (1u << 20) : len - done);
      DWORD got = 0;
      if (!ReadFile(file_.get(), buf + done, want, &got, nullptr) || got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  FileHandle file_;
  int64_t size_ = 0;
};

bool DosDateToFileTime(uint32_t dos_date, FILETIME* utc) {
  FILETIME local;
  if (!DosDateTimeToFileTime(static_cast<WORD>(dos_date >> 16), static_cast<WORD>(dos_date & 0xFFFF),
                             &local))
    return false;
  return LocalFileTimeToFileTime(&local, utc) != FALSE;
}

class WinTarget : public UnpackTarget {
 public:
  explicit WinTarget(HANDLE h) : file_(h) {}
  bool Write(const char* data, size_t len) override {
    size_t done = 0;
    while (done < len) {
      const DWORD want = static_cast<DWORD>(len - done > (1u << 20) ? (1u << 20) : len - done);
      DWORD put = 0;
      if (!WriteFile(file_.get(), data + done, want, &put, nullptr) || put == 0) return false;
      done += put;
    }
    return true;
  }
  bool Close(uint32_t dos_date) override {
    if (dos_date != 0) {
      FILETIME ft;
      if (DosDateToFileTime(dos_date, &ft)) SetFileTime(file_.get(), nullptr, nullptr, &ft);
    }
    return file_.Close();
  }

 private:
  FileHandle file_;
};

}  // namespace

bool CreateFolderWithParents(const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
  }
  const std::size_t cut = path.find_last_of("\\/");
  // A drive root ("C:") or a bare name has no parent to create first.
  if (cut != std::string::npos && cut > 0 && path[cut - 1] != ':' &&
      !CreateFolderWithParents(path.substr(0, cut)))
    return false;
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS;
}

std::unique_ptr<UnpackSource> WinUnpackHost::OpenVolume(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    last_error_ = velkor::LastErrorText();
    return nullptr;
  }
  return std::make_unique<WinSource>(h);
}

bool WinUnpackHost::FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::unique_ptr<UnpackTarget> WinUnpackHost::OpenTarget(const std::string& path, bool append) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    last_error_ = velkor::LastErrorText();
    return nullptr;
  }
  if (append) {
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(h, zero, nullptr, FILE_END)) {
      last_error_ = velkor::LastErrorText();
      CloseHandle(h);
      return nullptr;
    }
  }
  return std::make_unique<WinTarget>(h);
}

int64_t WinUnpackHost::FileSize(const std::string& path) { return FileSizeOf(path); }

int64_t WinUnpackHost::FreeBytes(const std::string& path) {
  return static_cast<int64_t>(DiskFreeBytes(path));
}

bool WinUnpackHost::CreateFolder(const std::string& path, std::string& error_text) {
  if (CreateFolderWithParents(path)) return true;
  error_text = velkor::LastErrorText();
  return false;
}

void WinUnpackHost::CopyFileDate(const std::string& from, const std::string& to) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(from.c_str(), GetFileExInfoStandard, &data)) return;
  HANDLE h = CreateFileA(to.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  SetFileTime(h, nullptr, nullptr, &data.ftLastWriteTime);
  CloseHandle(h);
}

std::string WinUnpackHost::LastErrorText() {
  return last_error_.empty() ? velkor::LastErrorText() : last_error_;
}

void WinUnpackHost::Progress(int kind, int64_t range, int64_t position, int step) {
  UpdateProgressBars(kind, 0, static_cast<int>(range), "", step, static_cast<int>(position));
}

void WinUnpackHost::PumpMessages() {
  // Called after every read piece. Each look at the queue is a round trip to the window system,
  // so the queue is looked at once every few milliseconds, which keeps the window just as lively.
  constexpr uint32_t kPumpIntervalMs = 5;
  const uint32_t now = GetTickCount();
  if (now - last_pump_ < kPumpIntervalMs) return;
  last_pump_ = now;
  PumpAndSleep(0);
}

void WinUnpackHost::WaitPumping(uint32_t milliseconds) { velkor::WaitPumping(milliseconds); }

uint32_t WinUnpackHost::TickCount() { return GetTickCount(); }

void WinUnpackHost::ErrorBox(const std::string& text, const std::string& buttons,
                             uint8_t charset) {
  velkor::ErrorBox(0, text, "", charset, buttons);
}

bool WinUnpackHost::OkCancelBox(const std::string& text, const std::string& caption,
                                const std::string& buttons, uint8_t charset) {
  return velkor::OkCancelBox(0, text, caption, charset, buttons);
}

void WinUnpackHost::EjectMedia(const std::string& path_on_drive) { EjectCD(path_on_drive); }

void WinUnpackHost::RegisterAutoPlayQuery() { velkor::RegisterAutoPlayQuery(); }

void WinUnpackHost::ViewerLine(const std::string& line) { ViewerWriteText(line); }

uint32_t WinUnpackHost::ProcessId() { return GetCurrentProcessId(); }

}  // namespace velkor
