#include "net/wininet_api_win.h"

#include <string>

namespace velkor::wininet {
namespace {

enum Entry {
  kGetConnectedState,
  kCloseHandle,
  kOpen,
  kOpenUrl,
  kQueryInfo,
  kReadFile,
  kSetFilePointer,
  kEntryCount
};

constexpr const char* kEntryNames[kEntryCount] = {
    "InternetGetConnectedState", "InternetCloseHandle", "InternetOpenA",
    "InternetOpenUrlA",          "HttpQueryInfoA",      "InternetReadFile",
    "InternetSetFilePointer"};

// The process-wide table: one module shared by all entry points, each address kept once found.
struct WinInetApi {
  std::string library = "WinINet.dll";
  HMODULE module = nullptr;
  FARPROC entries[kEntryCount] = {};
};

WinInetApi& Api() {
  static WinInetApi api;
  return api;
}

template <typename Fn>
Fn Bind(Entry entry) {
  WinInetApi& api = Api();
  if (api.entries[entry] == nullptr) {
    if (api.module == nullptr) api.module = LoadLibraryA(api.library.c_str());
    if (api.module == nullptr) return nullptr;
    api.entries[entry] = GetProcAddress(api.module, kEntryNames[entry]);
  }
  // GetProcAddress hands out a generic function pointer; the real signature is the API's.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(api.entries[entry]));
}

}  // namespace

BOOL InternetGetConnectedState(LPDWORD flags, DWORD reserved) {
  auto fn = Bind<BOOL(WINAPI*)(LPDWORD, DWORD)>(kGetConnectedState);
  return fn != nullptr ? fn(flags, reserved) : FALSE;
}

BOOL InternetCloseHandle(HINTERNET handle) {
  auto fn = Bind<BOOL(WINAPI*)(HINTERNET)>(kCloseHandle);
  return fn != nullptr ? fn(handle) : FALSE;
}

HINTERNET InternetOpenA(LPCSTR agent, DWORD access_type, LPCSTR proxy, LPCSTR proxy_bypass,
                        DWORD flags) {
  auto fn = Bind<HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD)>(kOpen);
  return fn != nullptr ? fn(agent, access_type, proxy, proxy_bypass, flags) : nullptr;
}

HINTERNET InternetOpenUrlA(HINTERNET internet, LPCSTR url, LPCSTR headers, DWORD headers_length,
                           DWORD flags, DWORD_PTR context) {
  auto fn = Bind<HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR)>(kOpenUrl);
  return fn != nullptr ? fn(internet, url, headers, headers_length, flags, context) : nullptr;
}

BOOL HttpQueryInfoA(HINTERNET request, DWORD info_level, LPVOID buffer, LPDWORD buffer_length,
                    LPDWORD index) {
  auto fn = Bind<BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD)>(kQueryInfo);
  return fn != nullptr ? fn(request, info_level, buffer, buffer_length, index) : FALSE;
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD to_read, LPDWORD read) {
  auto fn = Bind<BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD)>(kReadFile);
  return fn != nullptr ? fn(file, buffer, to_read, read) : FALSE;
}

DWORD InternetSetFilePointer(HINTERNET file, LONG distance, PLONG distance_high, DWORD method,
                             DWORD_PTR context) {
  auto fn = Bind<DWORD(WINAPI*)(HINTERNET, LONG, PLONG, DWORD, DWORD_PTR)>(kSetFilePointer);
  return fn != nullptr ? fn(file, distance, distance_high, method, context)
                       : 0;
}

void Unload() {
  WinInetApi& api = Api();
  if (api.module != nullptr) FreeLibrary(api.module);
  api.module = nullptr;
  for (auto& e : api.entries) e = nullptr;
}

void UseLibraryForTesting(const char* name) {
  Unload();
  Api().library = name;
}

}  // namespace velkor::wininet
