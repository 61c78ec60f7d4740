// The demo's setup engine: what a product's real installer does with the stub's protocol, in
// miniature. It shows its dialog window (the stub waits while it is open), copies the product's
// files from the folder it was unpacked to into "<Program Files>\Velkor Sample", writes what it
// saw to install.log there, removes the run token's atom (the installation went through) and
// exits 0.
#include <windows.h>

#include <string>

namespace {

std::string SwitchValue(const std::string& line, const std::string& name) {
  const size_t p = line.find(name);
  if (p == std::string::npos) return "";
  const size_t start = p + name.size();
  return line.substr(start, line.find(' ', start) - start);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void ShowDialog(const std::string& token) {
  const std::string cls = ".SDialog_Class_Name." + token;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DialogProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = cls.c_str();
  RegisterClassA(&wc);
  HWND window = CreateWindowA(cls.c_str(), "Velkor Sample Setup", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              100, 100, 360, 160, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return;
  CreateWindowA("Static", "Installing Velkor Sample...", WS_CHILD | WS_VISIBLE, 20, 40, 300, 20,
                window, nullptr, wc.hInstance, nullptr);
  SetTimer(window, 1, 1500, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string line = GetCommandLineA();
  const std::string token = SwitchValue(line, "/TH_ID=");
  ShowDialog(token);

  char buf[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  const std::string exe(buf, n);
  const std::string from = exe.substr(0, exe.find_last_of('\\'));
  char program_files[MAX_PATH] = "C:\\Program Files";
  GetEnvironmentVariableA("ProgramFiles", program_files, sizeof program_files);
  const std::string to = std::string(program_files) + "\\Velkor Sample";
  CreateDirectoryA(to.c_str(), nullptr);
  std::string log = "cmdline=" + line + "\r\nunpacked=" + from + "\r\n";
  for (const char* name : {"readme.txt", "license.txt"}) {
    const bool ok = CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
    log += std::string("installed=") + to + "\\" + name + (ok ? "" : " (failed)") + "\r\n";
  }
  HANDLE h = CreateFileA((to + "\\install.log").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD put = 0;
    WriteFile(h, log.data(), static_cast<DWORD>(log.size()), &put, nullptr);
    CloseHandle(h);
  }
  if (ATOM atom = GlobalFindAtomA(("JbeiSwsbnwGwflHrvjcOzTzqvfg" + token).c_str()))
    GlobalDeleteAtom(atom);
  return 0;
}
