#pragma once
// WinINet bound at run time: the library is loaded on the first use of any entry point and every
// entry point is looked up by name on its own first use. When the library or a name is missing,
// the wrapper returns failure (FALSE or null) without calling anything, so the stub still starts
// on a system without WinINet and the client reports that it cannot initialise.
#include <windows.h>
#include <wininet.h>

namespace velkor::wininet {

BOOL InternetGetConnectedState(LPDWORD flags, DWORD reserved);
BOOL InternetCloseHandle(HINTERNET handle);
HINTERNET InternetOpenA(LPCSTR agent, DWORD access_type, LPCSTR proxy, LPCSTR proxy_bypass,
                        DWORD flags);
HINTERNET InternetOpenUrlA(HINTERNET internet, LPCSTR url, LPCSTR headers, DWORD headers_length,
                           DWORD flags, DWORD_PTR context);
BOOL HttpQueryInfoA(HINTERNET request, DWORD info_level, LPVOID buffer, LPDWORD buffer_length,
                    LPDWORD index);
BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD to_read, LPDWORD read);
DWORD InternetSetFilePointer(HINTERNET file, LONG distance, PLONG distance_high, DWORD method,
                             DWORD_PTR context);

// Releases the library; the next call binds everything again.
void Unload();

// Tests only: bind to another library name from now on (the previous module is released).
void UseLibraryForTesting(const char* name);

// An Internet handle closed through the bound InternetCloseHandle when it goes out of scope.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle = nullptr) : handle_(handle) {}
  ~InternetHandle() { Close(); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  InternetHandle(InternetHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  InternetHandle& operator=(InternetHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Close() {
    if (handle_ != nullptr) InternetCloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HINTERNET handle_;
};

}  // namespace velkor::wininet
