#include "common/test_env_win.h"

#include <shellapi.h>

#include <atomic>

namespace velkor::test {

std::string BinDir() {
  char buf[MAX_PATH * 2];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  std::string path(buf, n);
  return path.substr(0, path.find_last_of('\\'));
}

std::string BinPath(const std::string& exe_name) { return BinDir() + "\\" + exe_name; }

namespace {

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = dir + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        DeleteFileA(full.c_str());
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

}  // namespace

ScratchDir::ScratchDir(const std::string& name) {
  static std::atomic<int> counter{0};
  std::string root = BinDir() + "\\..\\test-tmp";
  CreateDirectoryA(root.c_str(), nullptr);
  char full[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(root.c_str(), sizeof full, full, nullptr);
  root.assign(full, n);
  path_ = root + "\\" + name + "_" + std::to_string(GetCurrentProcessId()) + "_" +
          std::to_string(counter++);
  RemoveTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

Process::~Process() {
  if (handle_) CloseHandle(handle_);
}

Process::Process(Process&& other) noexcept : handle_(other.handle_), id_(other.id_) {
  other.handle_ = nullptr;
  other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    if (handle_) CloseHandle(handle_);
    handle_ = other.handle_;
    id_ = other.id_;
    other.handle_ = nullptr;
    other.id_ = 0;
  }
  return *this;
}

bool Process::Start(const std::string& command_line, const std::string& work_dir) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string cmd = command_line;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      work_dir.empty() ? nullptr : work_dir.c_str(), &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  if (handle_) CloseHandle(handle_);
  handle_ = pi.hProcess;
  id_ = pi.dwProcessId;
  return true;
}

bool Process::Wait(DWORD timeout_ms, DWORD* exit_code) {
  if (!handle_) return false;
  if (WaitForSingleObject(handle_, timeout_ms) != WAIT_OBJECT_0) return false;
  if (exit_code) GetExitCodeProcess(handle_, exit_code);
  return true;
}

void Process::Kill() {
  if (handle_) {
    TerminateProcess(handle_, 99);
    WaitForSingleObject(handle_, 5000);
  }
}

long RunAndWait(const std::string& command_line, DWORD timeout_ms, const std::string& work_dir) {
  Process p;
  if (!p.Start(command_line, work_dir)) return -1;
  DWORD code = 0;
  if (!p.Wait(timeout_ms, &code)) {
    p.Kill();
    return -2;
  }
  return static_cast<long>(code);
}

std::string ReadWholeFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "";
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return out;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
            put == bytes.size();
  CloseHandle(h);
  return ok;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitForFile(const std::string& path, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  while (!FileExists(path)) {
    if (GetTickCount() - start > timeout_ms) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(20);
  }
  return true;
}

}  // namespace velkor::test
