#pragma once
// Small helpers shared by the Windows and end-to-end tests: where the built programs are, a
// scratch folder per test, and starting a program and waiting for it with a time limit.
#include <windows.h>

#include <string>

namespace velkor::test {

// Folder of the running test program; the stub and every helper program are built beside it.
std::string BinDir();

// Full path of a program built beside the test, e.g. BinPath("velkor-stub.exe").
std::string BinPath(const std::string& exe_name);

// A fresh, empty folder under the build tree's test-tmp folder, removed again (with everything in
// it) when the object goes out of scope. Its path has no trailing backslash.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// A started process; the handle is closed when the object goes out of scope.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts `command_line` (program path first, quoted where it holds blanks) in `work_dir`
  // ("" for the caller's). Returns false when CreateProcess fails.
  bool Start(const std::string& command_line, const std::string& work_dir = "");
  // Waits up to `timeout_ms`; true when the process ended, its exit code in *exit_code.
  bool Wait(DWORD timeout_ms, DWORD* exit_code = nullptr);
  void Kill();
  DWORD id() const { return id_; }
  HANDLE handle() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// Starts a program, waits up to `timeout_ms` and returns its exit code; -1 when it could not be
// started, -2 when it had to be killed after the time limit.
long RunAndWait(const std::string& command_line, DWORD timeout_ms, const std::string& work_dir = "");

// Whole file as bytes ("" when it cannot be read) and writing a file; both with plain Win32 calls
// so tests do not depend on the code under test.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Polls until `path` exists or `timeout_ms` passes; dispatches this thread's messages meanwhile.
bool WaitForFile(const std::string& path, DWORD timeout_ms);

}  // namespace velkor::test
