#include "support/trace.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace velkor {
namespace {

class RecordingBackend : public TraceBackend {
 public:
  std::string Stamp() override { return "01/02/05 09:05:03"; }
  std::uint32_t ThreadId() override { return thread_id; }
  std::string ProgramPath() override { return program_path; }
  void AppendToFile(const std::string& path, const std::string& bytes) override {
    appends.emplace_back(path, bytes);
  }
  void SendViewerPieces(const std::vector<std::string>& pieces) override {
    viewer_lines.push_back(pieces);
  }

  std::uint32_t thread_id = 42;
  std::string program_path = "C:\\Prog\\agent.exe";
  std::vector<std::pair<std::string, std::string>> appends;
  std::vector<std::vector<std::string>> viewer_lines;
};

// Installs a recording backend and restores the process-wide defaults afterwards.
class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTraceBackend(&backend_); }
  void TearDown() override {
    SetTraceBackend(nullptr);
    SetTracingEnabled(false);
    SetTraceIndent("   ");
  }
  RecordingBackend backend_;
};

TEST(TraceFormat, LineLayout) {
  struct Case {
    const char* name;
    std::uint32_t thread_id;
    const char* indent;
    const char* message;
    const char* expected;
  } cases[] = {
      {"short id padded to 5", 42, "   ", "Start", "01/02/05 09:05:03    42   Start\r\n"},
      {"5-digit id unpadded", 12345, "   ", "x", "01/02/05 09:05:03 12345   x\r\n"},
      {"7-digit id not cut", 1234567, "   ", "x", "01/02/05 09:05:03 1234567   x\r\n"},
      {"transient indent", 7, " X ", "WinMain", "01/02/05 09:05:03     7 X WinMain\r\n"},
      {"empty message", 42, "   ", "", "01/02/05 09:05:03    42   \r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatTraceLine("01/02/05 09:05:03", c.thread_id, c.indent, c.message), c.expected)
        << c.name;
}

TEST(TraceFormat, LogFileNameSharedByAgentAndTransientCopy) {
  struct Case {
    const char* program;
    const char* log;
  } cases[] = {
      {"C:\\Prog\\setup.exe", "C:\\Prog\\X_setup.log"},
      {"C:\\Prog\\X_setup.exe", "C:\\Prog\\X_setup.log"},
      {"C:\\Prog\\x_setup.exe", "C:\\Prog\\X_x_setup.log"},  // the prefix test has case
      {"C:\\My.Dir\\agent", "C:\\My.Dir\\X_agent.log"},      // no extension, dotted folder
      {"C:\\Prog\\a.b.exe", "C:\\Prog\\X_a.b.log"},          // only the last extension
      {"agent.exe", "X_agent.log"},
  };
  for (const Case& c : cases) EXPECT_EQ(TraceLogFileNameFor(c.program), c.log) << c.program;
}

TEST(TraceFormat, ViewerPiecesOf128) {
  auto sizes = [](const std::string& text) {
    std::vector<std::size_t> out;
    for (const std::string& piece : CutViewerPieces(text)) out.push_back(piece.size());
    return out;
  };
  EXPECT_EQ(sizes(std::string(300, 'a') + "\n"), (std::vector<std::size_t>{128, 128, 45}));
  EXPECT_EQ(sizes(std::string(127, 'a') + "\n"), (std::vector<std::size_t>{128}));
  EXPECT_EQ(sizes(std::string(128, 'a') + "\n"), (std::vector<std::size_t>{128, 1}));
  EXPECT_EQ(sizes("\n"), (std::vector<std::size_t>{1}));
  EXPECT_TRUE(CutViewerPieces("").empty());

  std::string line;
  for (int i = 0; i < 300; ++i) line.push_back(static_cast<char>('a' + i % 26));
  line.push_back('\n');
  std::string joined;
  for (const std::string& piece : CutViewerPieces(line)) joined += piece;
  EXPECT_EQ(joined, line);
}

TEST_F(TraceTest, DebugTraceWritesOnlyWhenEnabled) {
  DebugTrace("off");
  EXPECT_TRUE(backend_.appends.empty());

  SetTracingEnabled(true);
  SetTraceIndent(" X ");
  DebugTrace("CheckTestMode");
  ASSERT_EQ(backend_.appends.size(), 1u);
  EXPECT_EQ(backend_.appends[0].first, "C:\\Prog\\X_agent.log");
  EXPECT_EQ(backend_.appends[0].second, "01/02/05 09:05:03    42 X CheckTestMode\r\n");
}

TEST_F(TraceTest, LogFileNameIsKeptAfterFirstUse) {
  EXPECT_EQ(TraceLogFileName(), "C:\\Prog\\X_agent.log");
  backend_.program_path = "C:\\Other\\other.exe";
  EXPECT_EQ(TraceLogFileName(), "C:\\Prog\\X_agent.log");
}

TEST_F(TraceTest, ViewerLinesAreWrittenWithTracingOff) {
  ViewerWriteLine(1234, " ==== STUB START ====> ", "a.exe /x", '<');
  ViewerWriteLine();
  ViewerWriteLine("EjectCD-2: ", std::string("\\\\.\\E:"), " ", 4294967295u, " ", -5);
  ASSERT_EQ(backend_.viewer_lines.size(), 3u);
  EXPECT_EQ(backend_.viewer_lines[0],
            std::vector<std::string>{"1234 ==== STUB START ====> a.exe /x<\n"});
  EXPECT_EQ(backend_.viewer_lines[1], std::vector<std::string>{"\n"});
  EXPECT_EQ(backend_.viewer_lines[2],
            std::vector<std::string>{"EjectCD-2: \\\\.\\E: 4294967295 -5\n"});
  EXPECT_TRUE(backend_.appends.empty());
}

TEST(TraceWithoutBackend, OutputsAreDropped) {
  SetTracingEnabled(true);
  DebugTrace("nothing to write to");
  ViewerWriteLine("nothing to send to");
  EXPECT_EQ(TraceLogFileName(), "");
  SetTracingEnabled(false);
}

}  // namespace
}  // namespace velkor
