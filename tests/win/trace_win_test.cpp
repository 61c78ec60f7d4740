#include "support/trace_win.h"

#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "common/test_env_win.h"
#include "support/sysinfo_win.h"
#include "support/trace.h"

namespace velkor {
namespace {

using test::FileExists;
using test::ReadWholeFile;
using test::ScratchDir;

// A running test viewer; closed (WM_CLOSE) and waited for on destruction.
class Viewer {
 public:
  explicit Viewer(const std::string& out_file) : out_file_(out_file) {
    started_ = process_.Start("\"" + test::BinPath("debug_viewer.exe") + "\" \"" + out_file +
                              "\" 60000") &&
               test::WaitForFile(out_file + ".ready", 20000);
  }
  ~Viewer() {
    if (HWND w = FindWindowA(kViewerWindowClass, nullptr)) PostMessageA(w, WM_CLOSE, 0, 0);
    if (!process_.Wait(10000)) process_.Kill();
  }
  bool started() const { return started_; }
  std::string Text() const { return ReadWholeFile(out_file_); }
  std::string Pieces() const { return ReadWholeFile(out_file_ + ".pieces"); }

 private:
  std::string out_file_;
  test::Process process_;
  bool started_ = false;
};

TEST(ViewerChannel, LinesArriveInPiecesOf128) {
  InitDebugOutputs();
  ASSERT_NE(ViewerMessage(), 0u);
  ScratchDir dir("viewer");
  Viewer viewer(dir.File("viewer.txt"));
  ASSERT_TRUE(viewer.started());

  std::string long_line;
  for (int i = 0; i < 300; ++i) long_line.push_back(static_cast<char>('A' + i % 26));
  ViewerWriteLine(long_line);
  ViewerWriteLine(std::string(128, 'b'));
  ViewerWriteLine(4711, " short ", 42);

  EXPECT_EQ(viewer.Text(), long_line + "\n" + std::string(128, 'b') + "\n" + "4711 short 42\n");
  EXPECT_EQ(viewer.Pieces(), "128\r\n128\r\n45\r\n128\r\n1\r\n14\r\n");
}

TEST(ViewerChannel, NothingBlocksWithoutAViewer) {
  InitDebugOutputs();
  ASSERT_EQ(FindWindowA(kViewerWindowClass, nullptr), nullptr);
  // Without a viewer every line is dropped at once; this would hang if a send waited.
  for (int i = 0; i < 200; ++i) ViewerWriteLine(i, " ", std::string(300, 'x'));
}

TEST(ViewerChannel, AHungViewerCostsOneTimeoutOnly) {
  InitDebugOutputs();
  // A viewer window whose thread never takes its messages.
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND hung = nullptr;
  std::thread owner([&] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kViewerWindowClass;
    RegisterClassA(&wc);
    hung = CreateWindowExA(0, kViewerWindowClass, "", 0, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
    SetEvent(created);
    WaitForSingleObject(release, INFINITE);
    DestroyWindow(hung);
    UnregisterClassA(kViewerWindowClass, wc.hInstance);
  });
  WaitForSingleObject(created, 10000);
  ASSERT_NE(hung, nullptr);

  ViewerWriteLine("first line waits for the timeout");
  DWORD start = GetTickCount();
  for (int i = 0; i < 20; ++i) ViewerWriteLine(i, " later lines skip the hung window");
  EXPECT_LT(GetTickCount() - start, kViewerSendTimeoutMs);

  SetEvent(release);
  owner.join();
  CloseHandle(release);
  CloseHandle(created);
}

// Restores the trace switches changed by a test.
class TraceLog : public ::testing::Test {
 protected:
  void SetUp() override {
    InitDebugOutputs();
    DeleteFileA(TraceLogFileName().c_str());
  }
  void TearDown() override {
    SetTracingEnabled(false);
    SetTraceIndent("   ");
    DeleteFileA(TraceLogFileName().c_str());
  }
};

TEST_F(TraceLog, LinesAreAppendedBesideTheProgram) {
  const std::string log = TraceLogFileName();
  EXPECT_EQ(log, test::BinDir() + "\\X_win_tests.log");

  DebugTrace("not written while tracing is off");
  EXPECT_FALSE(FileExists(log));

  SetTracingEnabled(true);
  DebugTrace("first");
  SetTraceIndent(" X ");
  DebugTrace("");
  const std::string text = ReadWholeFile(log);

  const std::string d = DateSeparator(), t = TimeSeparator();
  auto esc = [](const std::string& s) { return std::regex_replace(s, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)"); };
  const std::string stamp = "\\d\\d" + esc(d) + "\\d\\d" + esc(d) + "\\d\\d \\d\\d" + esc(t) +
                            "\\d\\d" + esc(t) + "\\d\\d";
  const std::string id = std::to_string(GetCurrentThreadId());
  const std::string padded = std::string(id.size() < 5 ? 5 - id.size() : 0, ' ') + id;
  EXPECT_TRUE(std::regex_match(
      text, std::regex(stamp + " " + padded + "   first\r\n" + stamp + " " + padded + " X \r\n")))
      << text;
}

}  // namespace
}  // namespace velkor
