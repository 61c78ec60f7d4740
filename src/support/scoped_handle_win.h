#pragma once
// Move-only owners of Windows handles: each closes what it holds when it goes out of scope, so
// every early return closes what was opened.
#include <windows.h>

#include <string>
#include <utility>

namespace velkor {

// A kernel handle (file, process, device). Both nullptr and INVALID_HANDLE_VALUE mean "none",
// because different creators report failure with different ones.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void Close() {
    if (valid()) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A directory search opened by FindFirstFileA.
class ScopedFind {
 public:
  ScopedFind(const std::string& pattern, WIN32_FIND_DATAA* data)
      : handle_(FindFirstFileA(pattern.c_str(), data)) {}
  ~ScopedFind() {
    if (valid()) FindClose(handle_);
  }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAA* data) { return FindNextFileA(handle_, data) != FALSE; }

 private:
  HANDLE handle_;
};

// An open registry key.
class ScopedRegKey {
 public:
  ScopedRegKey() = default;
  ~ScopedRegKey() {
    if (key_) RegCloseKey(key_);
  }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;
  HKEY get() const { return key_; }
  // For the opening call; the key must not be open yet.
  HKEY* receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace velkor
