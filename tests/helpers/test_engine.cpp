// A stand-in setup engine for end-to-end tests.
//
// The stub starts it as "<setup folder>\<name> [passed-on switches] /TH_ID=_<tid> /OriginExe=...".
// It records what it saw, plays its part of the engine protocol and exits with a chosen code.
//
// Options, read from its own command line (a package puts them after the "*" of its entry) or,
// when absent there, from the environment variable VELKOR_ENGINE_OPTIONS (the stub passes its
// environment on):
//   /record=PATH    append the record below to PATH (default: %VELKOR_ENGINE_RECORD%, if set)
//   /exit=N         exit code (default 0)
//   /dialog=MS      show a window of class ".SDialog_Class_Name." + token for MS milliseconds
//                   after the process has ended its own work (the window belongs to a child
//                   process started with /dialog-child, so it outlives this process)
//   /keepatom       leave the run token's atom in place (installation not completed)
//   /crash          end by an access violation instead of exiting
//   /sleep=MS       wait MS milliseconds before doing anything else
//
// Record format: one "key=value" line each, then "end" and an empty line:
//   cmdline=<the full command line>
//   cwd=<current folder>
//   exe=<own path>
//   token=<value of /TH_ID=>
//   atom=<1 if the token's atom existed at start, else 0>
//   show=<the show state the starter asked for, -1 when it asked for none>
//   file=<name>|<size>|<packed date-time> for each file in the engine's own folder
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const char kAtomPrefix[] = "JbeiSwsbnwGwflHrvjcOzTzqvfg";
const char kDialogPrefix[] = ".SDialog_Class_Name.";

std::string Option(const std::string& args, const std::string& name) {
  size_t p = args.find(name);
  if (p == std::string::npos) return "";
  p += name.size();
  size_t e = args.find(' ', p);
  return args.substr(p, e == std::string::npos ? std::string::npos : e - p);
}

bool Flag(const std::string& args, const std::string& name) {
  return args.find(name) != std::string::npos;
}

std::string Env(const char* name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

std::string ExePath() {
  char buf[MAX_PATH * 2];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  return std::string(buf, n);
}

void Append(const std::string& path, const std::string& text) {
  if (path.empty()) return;
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD put = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
  CloseHandle(h);
}

std::string ListFolder(const std::string& dir) {
  std::string out;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    FILETIME local;
    WORD dos_date = 0, dos_time = 0;
    FileTimeToLocalFileTime(&fd.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, &dos_date, &dos_time);
    unsigned long long size = (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) |
                              fd.nFileSizeLow;
    out += "file=" + std::string(fd.cFileName) + "|" + std::to_string(size) + "|" +
           std::to_string((static_cast<unsigned long>(dos_date) << 16) | dos_time) + "\n";
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return out;
}

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    DestroyWindow(hwnd);
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// Shows the engine's dialog window for `ms` milliseconds.
int RunDialog(const std::string& token, UINT ms) {
  std::string cls = kDialogPrefix + token;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DialogProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = cls.c_str();
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowA(cls.c_str(), "Test engine", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                            nullptr, nullptr, wc.hInstance, nullptr);
  if (!hwnd) return 1;
  SetTimer(hwnd, 1, ms, nullptr);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string cmdline = GetCommandLineA();
  std::string token = Option(cmdline, "/TH_ID=");
  if (Flag(cmdline, "/dialog-child")) return RunDialog(token, std::atoi(Option(cmdline, "/dialog=").c_str()));

  std::string args = cmdline;
  std::string env_options = Env("VELKOR_ENGINE_OPTIONS");
  if (!env_options.empty()) args += " " + env_options;

  if (UINT sleep_ms = std::atoi(Option(args, "/sleep=").c_str())) Sleep(sleep_ms);

  std::string record = Option(args, "/record=");
  if (record.empty()) record = Env("VELKOR_ENGINE_RECORD");
  std::string atom_name = kAtomPrefix + token;
  ATOM atom = GlobalFindAtomA(atom_name.c_str());

  char cwd[MAX_PATH * 2];
  DWORD cwd_len = GetCurrentDirectoryA(sizeof cwd, cwd);
  std::string exe = ExePath();
  STARTUPINFOA own_start{};
  own_start.cb = sizeof own_start;
  GetStartupInfoA(&own_start);
  const int show = (own_start.dwFlags & STARTF_USESHOWWINDOW) ? own_start.wShowWindow : -1;
  std::string text = "cmdline=" + cmdline + "\n" + "cwd=" + std::string(cwd, cwd_len) + "\n" +
                     "exe=" + exe + "\n" + "token=" + token + "\n" +
                     "atom=" + (atom ? "1" : "0") + "\n" + "show=" + std::to_string(show) + "\n" +
                     ListFolder(exe.substr(0, exe.find_last_of('\\'))) + "end\n\n";
  Append(record, text);

  if (UINT dialog_ms = std::atoi(Option(args, "/dialog=").c_str())) {
    // The dialog runs in a child process so that it is still open after this process ends,
    // which is what the stub must wait for.
    std::string child = "\"" + exe + "\" /dialog-child /dialog=" + std::to_string(dialog_ms) +
                        " /TH_ID=" + token;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(exe.c_str(), child.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &si, &pi)) {
      WaitForInputIdle(pi.hProcess, 5000);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }
  if (!Flag(args, "/keepatom") && atom) GlobalDeleteAtom(atom);
  if (Flag(args, "/crash")) {
    volatile int* p = nullptr;
    *p = 1;
  }
  return std::atoi(Option(args, "/exit=").c_str());
}
