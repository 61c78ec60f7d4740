#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/test_env_win.h"
#include "support/bar_list.h"
#include "support/switches_win.h"
#include "support/text.h"
#include "support/text_win.h"

namespace velkor {
namespace {

std::string LowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

TEST(TextWin, ExePathAndDir) {
  const std::string path = ExePath();
  EXPECT_TRUE(test::FileExists(path)) << path;
  EXPECT_TRUE(EndsWithStr("\\win_tests.exe", path, true)) << path;
  EXPECT_EQ(ExeDir(true) + "win_tests.exe", path.substr(0, path.size() - 13) + "win_tests.exe");
  EXPECT_EQ(ExeDir(false) + "\\", ExeDir(true));
  EXPECT_NE(ExeDir(false).back(), '\\');
}

TEST(TextWin, SystemLeadByteTestIsInstalled) {
  EXPECT_EQ(GetLeadByteTest(), &IsLeadByte);
  EXPECT_FALSE(IsLeadByte('\\'));
  EXPECT_FALSE(IsLeadByte('a'));
}

TEST(TextWin, OwnCommandTailDropsOwnPath) {
  const std::string tail = GetCommandTail();
  EXPECT_EQ(PosText(ExePath(), tail), 0u) << tail;
  EXPECT_EQ(tail, Trim(tail));
}

// The helper reports what the process versions see on its real command line.
TEST(TextWin, SwitchesOfAStartedProgram) {
  test::ScratchDir dir("switch_echo");
  const std::string out = dir.File("out.txt");
  const std::string exe = test::BinPath("switch_echo.exe");
  struct Case {
    std::string program;  // as typed on the command line
    std::string args;
    std::string expected;
  } const cases[] = {
      {"\"" + exe + "\"", "/SleepX=30 /hide /OriginExe=\"C:\\My Dir\\a.exe\"",
       "/SleepX=30 /hide /OriginExe=\"C:\\My Dir\\a.exe\" /Out=\"" + out + "\"\n" +
           "C:\\My Dir\\a.exe\n30\n1\n"},
      // The path typed in another letter case is still recognised as the program's own.
      {"\"" + LowerAscii(exe) + "\"", "/HIDE", "/HIDE /Out=\"" + out + "\"\n\n-1\n1\n"},
      {"\"" + exe + "\"", "/WAIT=", "/WAIT= /Out=\"" + out + "\"\n\n-1\n0\n"},
  };
  for (const Case& c : cases) {
    DeleteFileA(out.c_str());
    const std::string line = c.program + " " + c.args + " /Out=\"" + out + "\"";
    ASSERT_EQ(test::RunAndWait(line, 20000), 0) << line;
    EXPECT_EQ(test::ReadWholeFile(out), c.expected) << line;
  }
}

}  // namespace
}  // namespace velkor
