// Debug viewer for tests: receives the viewer channel of the programs under test and records it.
//
// Command line:
//   debug_viewer.exe OUT_FILE [TIME_LIMIT_MS]
//
//   OUT_FILE        every piece received is appended to this file, byte for byte, in the order
//                   of arrival; lines therefore appear as the program wrote them (LF endings).
//                   The file is created empty at start.
//   OUT_FILE.pieces one line per piece with its length in characters (CR LF endings), so tests
//                   can check how lines were cut.
//   OUT_FILE.ready  created (empty) once the viewer window exists and listens; wait for it
//                   before starting the program under test.
//   TIME_LIMIT_MS   the viewer ends by itself after this many milliseconds (default 120000).
//
// The viewer owns a hidden top-level window of class ".VDebug." (found by FindWindowA) and
// handles the registered message ".V_DebugMsg.": lParam is a global atom whose name is the
// piece; it is read while the message is handled, because the sender deletes the atom as soon
// as the send returns. The viewer ends on WM_CLOSE (post it to the window) or at the time limit,
// with exit code 0; 2 for a bad command line, 3 when the window cannot be created.
// Only one viewer should run at a time: senders pick the first window of the class.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string g_out_file;
UINT g_viewer_message = 0;
constexpr UINT_PTR kTimeLimitTimer = 1;

void AppendBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD put = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  CloseHandle(h);
}

void CreateEmpty(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == g_viewer_message && g_viewer_message != 0) {
    char name[256];
    UINT n = GlobalGetAtomNameA(static_cast<ATOM>(lparam), name, sizeof name);
    std::string piece(name, n);
    AppendBytes(g_out_file, piece);
    AppendBytes(g_out_file + ".pieces", std::to_string(piece.size()) + "\r\n");
    return 0;
  }
  switch (msg) {
    case WM_TIMER:
      if (wparam == kTimeLimitTimer) DestroyWindow(hwnd);
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 2;
  g_out_file = __argv[1];
  UINT time_limit = __argc >= 3 ? static_cast<UINT>(std::strtoul(__argv[2], nullptr, 10)) : 0;
  if (time_limit == 0) time_limit = 120000;

  CreateEmpty(g_out_file);
  CreateEmpty(g_out_file + ".pieces");
  g_viewer_message = RegisterWindowMessageA(".V_DebugMsg.");

  WNDCLASSA wc{};
  wc.lpfnWndProc = ViewerProc;
  wc.hInstance = instance;
  wc.lpszClassName = ".VDebug.";
  if (!RegisterClassA(&wc)) return 3;
  HWND hwnd = CreateWindowExA(0, ".VDebug.", "Debug viewer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                              nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 3;
  SetTimer(hwnd, kTimeLimitTimer, time_limit, nullptr);
  CreateEmpty(g_out_file + ".ready");

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
