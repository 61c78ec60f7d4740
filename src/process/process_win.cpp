#include "process/process_win.h"

#include <tlhelp32.h>

#include <cstring>
#include <memory>

#include "process/analizer.h"
#include "process/name_match.h"

namespace velkor {
namespace {

// Closes a kernel handle when it goes out of scope (null and INVALID_HANDLE_VALUE are "none").
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE h = nullptr) : h_(h) {}
  ~ScopedHandle() {
    if (valid()) CloseHandle(h_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// GetProcAddress hands back a generic function pointer; going through void(*)() keeps the
// compiler from warning about the cast to the real signature.
template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using GetModuleTextFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessWalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
using ModuleWalkFn = BOOL(WINAPI*)(HANDLE, MODULEENTRY32*);

// Entry points bound once and kept for the life of the process; the library stays loaded.
struct Bindings {
  bool psapi_tried = false;
  EnumProcessesFn enum_processes = nullptr;
  EnumProcessModulesFn enum_process_modules = nullptr;
  GetModuleTextFn get_module_base_name = nullptr;
  GetModuleTextFn get_module_file_name_ex = nullptr;

  bool toolhelp_tried = false;
  CreateSnapshotFn create_snapshot = nullptr;
  ProcessWalkFn process_first = nullptr;
  ProcessWalkFn process_next = nullptr;
  ModuleWalkFn module_first = nullptr;
};

struct State {
  Bindings bindings;
  ProcessBackend backend = ProcessBackend::kAuto;
};

State& state() {
  static State s;
  return s;
}

const Bindings& Psapi() {
  Bindings& b = state().bindings;
  if (!b.psapi_tried) {
    b.psapi_tried = true;
    HMODULE lib = LoadLibraryA("PSAPI.dll");
    // Old systems report failure as a value below 32 rather than null.
    if (reinterpret_cast<UINT_PTR>(lib) >= 32) {
      b.enum_processes = Bind<EnumProcessesFn>(lib, "EnumProcesses");
      b.enum_process_modules = Bind<EnumProcessModulesFn>(lib, "EnumProcessModules");
      b.get_module_base_name = Bind<GetModuleTextFn>(lib, "GetModuleBaseNameA");
      b.get_module_file_name_ex = Bind<GetModuleTextFn>(lib, "GetModuleFileNameExA");
    }
  }
  return b;
}

const Bindings& Toolhelp() {
  Bindings& b = state().bindings;
  if (!b.toolhelp_tried) {
    b.toolhelp_tried = true;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    b.create_snapshot = Bind<CreateSnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    b.process_first = Bind<ProcessWalkFn>(kernel, "Process32First");
    b.process_next = Bind<ProcessWalkFn>(kernel, "Process32Next");
    b.module_first = Bind<ModuleWalkFn>(kernel, "Module32First");
  }
  return b;
}

// Stand-in until the platform's system information lands: the NT family clears the top bit of
// the version word.
bool IsNtFamily() { return (GetVersion() & 0x80000000u) == 0; }

bool UsePsapi() {
  switch (state().backend) {
    case ProcessBackend::kPsapi:
      return true;
    case ProcessBackend::kToolhelp:
      return false;
    case ProcessBackend::kAuto:
      break;
  }
  return IsNtFamily();
}

// Stand-ins for the shared message pumping until it lands: dispatch everything queued, then
// sleep; repeat in small steps until the duration has passed.
void PumpAndSleep(DWORD ms) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  Sleep(ms);
}

void WaitPumping(DWORD ms) {
  DWORD step = ms / 10;
  if (step < 1) step = 1;
  if (step > 25) step = 25;
  const DWORD start = GetTickCount();
  do {
    PumpAndSleep(step);
  } while (GetTickCount() - start < ms);
}

// Short (8.3) form of a path, "" when the system has none (for example, no such file).
std::string ShortPathOf(const std::string& path) {
  if (path.empty()) return "";
  char buf[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
  if (n > 0 && n < sizeof buf) return std::string(buf, n);
  if (n >= sizeof buf) {
    std::string big(n, '\0');
    DWORD m = GetShortPathNameA(path.c_str(), big.data(), n);
    if (m > 0 && m < n) return big.substr(0, m);
  }
  return "";
}

ProcessQuery MakeQuery(const std::string& name, bool full_path_only) {
  ProcessQuery q;
  q.name = name;
  q.short_name = ShortPathOf(name);
  if (q.short_name.empty()) q.short_name = std::string(kNoShortName);
  q.full_path_only = full_path_only;
  return q;
}

ProcessCandidate CandidateFromPath(std::string full_path) {
  ProcessCandidate c;
  c.file_name = ProcessFileName(full_path);
  c.short_path = ShortPathOf(full_path);
  c.full_path = std::move(full_path);
  return c;
}

// Executable path of a process through the process-status library; "" when it cannot be
// opened or queried.
std::string PsapiExePath(const Bindings& b, DWORD pid) {
  ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process.valid()) return "";
  HMODULE first = nullptr;
  DWORD needed = 0;
  if (!b.enum_process_modules(process.get(), &first, sizeof first, &needed) || !first) return "";
  // MAX_PATH rather than a shorter buffer: a path of 256..259 characters must still match.
  char buf[MAX_PATH];
  DWORD n = b.get_module_file_name_ex(process.get(), first, buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return "";
  return std::string(buf, n);
}

DWORD FindWithPsapi(const ProcessQuery& query) {
  const Bindings& b = Psapi();
  if (!b.enum_processes || !b.enum_process_modules || !b.get_module_file_name_ex) return 0;
  std::vector<DWORD> ids = ListProcessIds();
  // From the last to the first: the first match found is the last one in list order.
  for (size_t i = ids.size(); i-- > 0;) {
    std::string path = PsapiExePath(b, ids[i]);
    if (path.empty()) continue;
    if (ProcessMatches(query, CandidateFromPath(std::move(path)))) return ids[i];
  }
  return 0;
}

// Some systems' snapshots name only the executable's file, not its folder; the module snapshot
// of the process then gives the full path, so full-path matching still works.
std::string ToolhelpFullPath(const Bindings& b, const PROCESSENTRY32& entry) {
  std::string exe(entry.szExeFile, strnlen(entry.szExeFile, sizeof entry.szExeFile));
  if (exe.find('\\') != std::string::npos || !b.module_first) return exe;
  ScopedHandle modules(b.create_snapshot(TH32CS_SNAPMODULE, entry.th32ProcessID));
  if (!modules.valid()) return exe;
  MODULEENTRY32 module{};
  module.dwSize = sizeof module;
  if (!b.module_first(modules.get(), &module)) return exe;
  std::string full(module.szExePath, strnlen(module.szExePath, sizeof module.szExePath));
  // Only take it when it names the same file: the first module is the executable.
  return SameProcessName(ProcessFileName(full), exe) ? full : exe;
}

DWORD FindWithToolhelp(const ProcessQuery& query) {
  const Bindings& b = Toolhelp();
  if (!b.create_snapshot || !b.process_first || !b.process_next) return 0;
  ScopedHandle snapshot(b.create_snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return 0;
  DWORD found = 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = b.process_first(snapshot.get(), &entry); more;
       more = b.process_next(snapshot.get(), &entry)) {
    std::string path = ToolhelpFullPath(b, entry);
    if (ProcessMatches(query, CandidateFromPath(std::move(path)))) found = entry.th32ProcessID;
  }
  return found;
}

class SystemWindowFacts : public WindowFacts {
 public:
  WindowId TopOwner(WindowId window) const override {
    return reinterpret_cast<WindowId>(TopOwnerWindow(reinterpret_cast<HWND>(window)));
  }
  bool HasTitle(WindowId window) const override {
    char buf[1024];
    return GetWindowTextA(reinterpret_cast<HWND>(window), buf, sizeof buf) > 0;
  }
  bool IsVisible(WindowId window) const override {
    return IsWindowVisible(reinterpret_cast<HWND>(window)) != FALSE;
  }
};

BOOL CALLBACK AddWindowProc(HWND window, LPARAM param) {
  auto* analizer = reinterpret_cast<TAnalizer*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char class_name[64];
  int n = GetClassNameA(window, class_name, sizeof class_name);
  if (n > 0 && IsImeWindowClass(std::string_view(class_name, n))) return TRUE;
  return analizer->AddWindow(reinterpret_cast<WindowId>(window), owner) ? TRUE : FALSE;
}

}  // namespace

void SetProcessBackendForTesting(ProcessBackend backend) { state().backend = backend; }

DWORD FindProcessId(const std::string& name, bool FullPathOnly) {
  if (name.empty()) return 0;
  ProcessQuery query = MakeQuery(name, FullPathOnly);
  return UsePsapi() ? FindWithPsapi(query) : FindWithToolhelp(query);
}

bool IsProcessRunning(const std::string& path) {
  return FindProcessId(StripPathQuotes(path), false) != 0;
}

std::vector<DWORD> ListProcessIds() {
  const Bindings& b = Psapi();
  if (!b.enum_processes) return {};
  // Grow until the list no longer fills the buffer; the cap only guards against a broken
  // library that always reports a full buffer.
  constexpr DWORD kStep = 1024;
  constexpr DWORD kMaxBytes = 1u << 22;
  std::vector<DWORD> ids;
  for (DWORD bytes = kStep; bytes <= kMaxBytes; bytes += kStep) {
    ids.assign(bytes / sizeof(DWORD), 0);
    DWORD returned = 0;
    if (!b.enum_processes(ids.data(), bytes, &returned)) return {};
    if (returned > bytes) returned = bytes;
    ids.resize(returned / sizeof(DWORD));
    if (returned != bytes) break;
  }
  return ids;
}

bool ProcessIdExists(DWORD process_id) {
  for (DWORD id : ListProcessIds())
    if (id == process_id) return true;
  return false;
}

void WaitForProcessEnd(const std::string& path, DWORD limit_ms) {
  const std::string name = StripPathQuotes(path);
  const DWORD start = GetTickCount();
  auto limit_passed = [&] { return limit_ms >= 1 && GetTickCount() - start > limit_ms; };
  WaitPumping(1000);
  if (UsePsapi()) {
    DWORD pid = FindProcessId(name, false);
    if (pid == 0) return;
    // We follow the process by its id, so a new instance started meanwhile does not prolong the
    // wait. Holding a handle to it keeps the system from giving that id to another process
    // after it ends, which would otherwise keep us waiting (without limit) on a stranger.
    ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    for (;;) {
      WaitPumping(1000);
      if (limit_passed() || !ProcessIdExists(pid)) return;
      if (process.valid() && WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return;
    }
  }
  for (;;) {
    WaitPumping(1000);
    if (limit_passed() || !IsProcessRunning(name)) return;
  }
}

HWND TopOwnerWindow(HWND window) {
  HWND owner = GetWindow(window, GW_OWNER);
  if (!owner) return nullptr;
  // The chain is short in practice; the bound only keeps a corrupt chain from holding us forever.
  for (int i = 0; i < 10000; ++i) {
    HWND next = GetWindow(owner, GW_OWNER);
    if (!next) break;
    owner = next;
  }
  return owner;
}

HWND FindProcessMainWindow(const std::string& name, bool FullPathOnly) {
  DWORD pid = FindProcessId(name, FullPathOnly);
  if (pid == 0) return nullptr;
  auto analizer = std::make_unique<TAnalizer>();
  analizer->Clear();
  analizer->ProcessId = pid;
  EnumWindows(AddWindowProc, reinterpret_cast<LPARAM>(analizer.get()));
  SystemWindowFacts facts;
  return reinterpret_cast<HWND>(analizer->BestWindow(facts));
}

bool PostProcessMessage(const std::string& name, bool FullPathOnly, UINT message, WPARAM wparam,
                        LPARAM lparam) {
  HWND window = FindProcessMainWindow(name, FullPathOnly);
  if (!window) return false;
  PostMessageA(window, message, wparam, lparam);
  return true;
}

bool PostCloseToProcess(const std::string& name, bool FullPathOnly) {
  return PostProcessMessage(name, FullPathOnly, WM_CLOSE, 15, 255);
}

bool PostQuitToProcess(const std::string& name, bool FullPathOnly) {
  return PostProcessMessage(name, FullPathOnly, WM_QUIT, 15, 255);
}

bool TerminateProcessByName(const std::string& name, bool FullPathOnly) {
  DWORD pid = FindProcessId(name, FullPathOnly);
  if (pid == 0) return false;
  ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
  if (!process.valid()) return false;
  return TerminateProcess(process.get(), 0) != FALSE;
}

void WaitWhileWindowExists(const char* class_name, const char* title) {
  while (FindWindowA(class_name, title)) PumpAndSleep(100);
}

}  // namespace velkor
