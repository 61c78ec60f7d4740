// fake_product: stands in for an installed product whose process and windows the tests find,
// close, quit or terminate.
//
// Command line (switches in any order, values may be double-quoted):
//   /Window=Class|Title|Flags  one top-level window; repeat for more. Title may be empty. Flags,
//                              any of: V visible (hidden otherwise), O owned by the first window
//                              (an owned popup). Windows are created in the order given.
//   /Ready=<path>              written once every window exists: "pid=<id>" and then one line per
//                              window, "<class>=<handle in decimal>", lines ending in CR LF.
//   /Log=<path>                WM_CLOSE and WM_QUIT that arrive are appended here as
//                              "WM_CLOSE <handle> <wParam> <lParam>" (or WM_QUIT ...), CR LF.
//   /OnClose=obey|ignore       obey (default): WM_CLOSE to any window ends the program.
//   /OnQuit=obey|ignore        obey (default): a WM_QUIT posted to a window ends the program.
//   /Limit=<ms>                ends by itself after this time (default 30000), so a failed test
//                              leaves nothing running.
// Exit code: 16 ended by WM_CLOSE, 18 ended by WM_QUIT, 1 time limit, 2 bad command line or a
// window that could not be created. Terminated from outside: whatever code the terminator chose.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct WindowSpec {
  std::string class_name;
  std::string title;
  bool visible = false;
  bool owned = false;
};

struct Options {
  std::vector<WindowSpec> windows;
  std::string ready_path;
  std::string log_path;
  bool obey_close = true;
  bool obey_quit = true;
  DWORD limit_ms = 30000;
};

Options g_options;
int g_exit_code = 1;

// Splits the command tail into blank-separated words; double quotes group blanks and are removed.
std::vector<std::string> Words(const char* tail) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (const char* p = tail; *p; ++p) {
    if (*p == '"') {
      quoted = !quoted;
      any = true;
    } else if ((*p == ' ' || *p == '\t') && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += *p;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

bool StartsWithNoCase(const std::string& s, const char* prefix, std::string* rest) {
  size_t n = strlen(prefix);
  if (s.size() < n || _strnicmp(s.c_str(), prefix, n) != 0) return false;
  *rest = s.substr(n);
  return true;
}

bool ParseWindow(const std::string& value, WindowSpec* spec) {
  size_t a = value.find('|');
  if (a == std::string::npos) return false;
  size_t b = value.find('|', a + 1);
  spec->class_name = value.substr(0, a);
  spec->title = b == std::string::npos ? value.substr(a + 1) : value.substr(a + 1, b - a - 1);
  std::string flags = b == std::string::npos ? "" : value.substr(b + 1);
  for (char c : flags) {
    if (c == 'V' || c == 'v') spec->visible = true;
    else if (c == 'O' || c == 'o') spec->owned = true;
    else return false;
  }
  return !spec->class_name.empty();
}

bool ParseOptions(const std::vector<std::string>& words) {
  // The first word is the program itself.
  for (size_t i = 1; i < words.size(); ++i) {
    std::string v;
    const std::string& w = words[i];
    if (StartsWithNoCase(w, "/Window=", &v)) {
      WindowSpec spec;
      if (!ParseWindow(v, &spec)) return false;
      g_options.windows.push_back(spec);
    } else if (StartsWithNoCase(w, "/Ready=", &v)) {
      g_options.ready_path = v;
    } else if (StartsWithNoCase(w, "/Log=", &v)) {
      g_options.log_path = v;
    } else if (StartsWithNoCase(w, "/OnClose=", &v)) {
      g_options.obey_close = _stricmp(v.c_str(), "ignore") != 0;
    } else if (StartsWithNoCase(w, "/OnQuit=", &v)) {
      g_options.obey_quit = _stricmp(v.c_str(), "ignore") != 0;
    } else if (StartsWithNoCase(w, "/Limit=", &v)) {
      g_options.limit_ms = static_cast<DWORD>(strtoul(v.c_str(), nullptr, 10));
    } else {
      return false;
    }
  }
  return true;
}

void AppendToFile(const std::string& path, const std::string& text) {
  if (path.empty()) return;
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD put = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
  CloseHandle(h);
}

void LogMessage(const char* name, HWND hwnd, WPARAM wparam, LPARAM lparam) {
  AppendToFile(g_options.log_path,
               std::string(name) + " " + std::to_string(reinterpret_cast<UINT_PTR>(hwnd)) + " " +
                   std::to_string(wparam) + " " + std::to_string(lparam) + "\r\n");
}

void Finish(int code) {
  g_exit_code = code;
  PostQuitMessage(code);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_CLOSE) {
    LogMessage("WM_CLOSE", hwnd, wparam, lparam);
    if (g_options.obey_close) Finish(16);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

void CALLBACK LimitReached(HWND, UINT, UINT_PTR, DWORD) { Finish(1); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!ParseOptions(Words(GetCommandLineA()))) return 2;

  std::vector<HWND> created;
  for (const WindowSpec& spec : g_options.windows) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = spec.class_name.c_str();
    // A class named twice is registered once; the second registration fails harmlessly.
    RegisterClassA(&wc);
    HWND owner = spec.owned && !created.empty() ? created.front() : nullptr;
    DWORD style = owner ? (WS_POPUP | WS_CAPTION) : WS_OVERLAPPEDWINDOW;
    HWND hwnd = CreateWindowExA(0, spec.class_name.c_str(), spec.title.c_str(), style, 10, 10,
                                200, 100, owner, nullptr, instance, nullptr);
    if (!hwnd) return 2;
    if (spec.visible) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    created.push_back(hwnd);
  }

  if (g_options.limit_ms > 0) SetTimer(nullptr, 0, g_options.limit_ms, LimitReached);

  if (!g_options.ready_path.empty()) {
    // Written under another name and renamed, so a reader never sees half a file.
    std::string text = "pid=" + std::to_string(GetCurrentProcessId()) + "\r\n";
    for (size_t i = 0; i < created.size(); ++i)
      text += g_options.windows[i].class_name + "=" +
              std::to_string(reinterpret_cast<UINT_PTR>(created[i])) + "\r\n";
    std::string temp = g_options.ready_path + ".part";
    DeleteFileA(temp.c_str());
    AppendToFile(temp, text);
    MoveFileExA(temp.c_str(), g_options.ready_path.c_str(), MOVEFILE_REPLACE_EXISTING);
  }

  MSG msg;
  for (;;) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) return 2;
    if (got == 0) {
      // Our own PostQuitMessage carries no window; a WM_QUIT posted from outside carries one.
      if (msg.hwnd == nullptr) return g_exit_code;
      LogMessage("WM_QUIT", msg.hwnd, msg.wParam, msg.lParam);
      if (g_options.obey_quit) return 18;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
