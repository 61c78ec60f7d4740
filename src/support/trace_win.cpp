#include "support/trace_win.h"

#include <cstdint>

#include "support/files_win.h"
#include "support/sysinfo_win.h"
#include "support/trace.h"

namespace velkor {

namespace {

class WindowsTraceBackend final : public TraceBackend {
 public:
  WindowsTraceBackend() : message_(RegisterWindowMessageA(kViewerMessageName)) {
    InitializeCriticalSection(&lock_);
  }
  ~WindowsTraceBackend() override { DeleteCriticalSection(&lock_); }

  UINT message() const { return message_; }

  std::string Stamp() override { return StampText(NowDateTime()); }
  std::uint32_t ThreadId() override { return GetCurrentThreadId(); }
  std::string ProgramPath() override {
    char buf[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
  }
  void AppendToFile(const std::string& path, const std::string& bytes) override {
    if (!path.empty()) AppendStringToFile(path, bytes);
  }

  void SendViewerPieces(const std::vector<std::string>& pieces) override {
    EnterCriticalSection(&lock_);
    for (const std::string& piece : pieces) SendPiece(piece);
    LeaveCriticalSection(&lock_);
  }

 private:
  void SendPiece(const std::string& piece) {
    HWND viewer = FindWindowA(kViewerWindowClass, nullptr);
    if (!viewer || viewer == hung_viewer_) return;
    // The atom carries a zero-terminated name: a piece is cut at its first NUL byte, and a
    // piece that starts with one has nothing to carry.
    const std::string text = piece.substr(0, piece.find('\0'));
    if (text.empty()) return;
    ATOM atom = GlobalAddAtomA(text.c_str());
    if (atom == 0) return;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(viewer, message_, 1, static_cast<LPARAM>(atom),
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, kViewerSendTimeoutMs, &result) &&
        IsWindow(viewer))
      hung_viewer_ = viewer;
    GlobalDeleteAtom(atom);
  }

  UINT message_;
  CRITICAL_SECTION lock_;
  HWND hung_viewer_ = nullptr;
};

WindowsTraceBackend* g_backend = nullptr;

}  // namespace

void InitDebugOutputs() {
  if (g_backend) return;
  // Lives until the process ends: lines may be written up to the last moment.
  static WindowsTraceBackend backend;
  g_backend = &backend;
  SetTraceBackend(g_backend);
}

UINT ViewerMessage() { return g_backend ? g_backend->message() : 0; }

}  // namespace velkor
