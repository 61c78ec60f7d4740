#include "net/net_standins_win.h"

namespace velkor::net_standin {

int64_t FileSizeOf(const std::string& name) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(name.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  FindClose(find);
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ReadFileToString(const std::string& name, int64_t max_len) {
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string out;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file, &size)) {
    int64_t n = size.QuadPart;
    if (max_len > 0 && max_len < n) n = max_len;
    if (n > 0 && n < 0x7FFFFFFF) {
      out.resize(static_cast<size_t>(n));
      DWORD got = 0;
      if (!ReadFile(file, out.data(), static_cast<DWORD>(n), &got, nullptr) || got != n) out.clear();
    }
  }
  CloseHandle(file);
  return out;
}

void DeleteFilesByMask(const std::string& mask) {
  const size_t slash = mask.find_last_of("\\/:");
  const std::string folder = slash == std::string::npos ? "" : mask.substr(0, slash + 1);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(mask.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      DeleteFileA((folder + data.cFileName).c_str());
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

void ViewerWriteLine(const std::string& line) { OutputDebugStringA((line + "\n").c_str()); }

void PumpAndSleep(DWORD ms) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (ms > 0) Sleep(ms);
}

void WaitPumping(DWORD ms, DWORD step) {
  const DWORD start = GetTickCount();
  do {
    PumpAndSleep(step);
  } while (GetTickCount() - start < ms);
}

std::string LastErrorText() {
  const DWORD code = GetLastError();
  if (static_cast<int32_t>(code) < 0) return "Error Reading \"SysUtils.SysErrorMessage(GetLastError)\"";
  char buf[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buf, sizeof buf, nullptr);
  while (n > 0 && (static_cast<unsigned char>(buf[n - 1]) <= 32 || buf[n - 1] == '.')) --n;
  return std::string(buf, n);
}

}  // namespace velkor::net_standin
