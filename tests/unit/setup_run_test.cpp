#include "setup/setup_run.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

TEST(RunTokenNames, AtomDialogAndSwitchCarryTheToken) {
  const std::string token = RunToken(4711);
  EXPECT_EQ(token, "_4711");
  EXPECT_EQ(RunAtomName(token), "JbeiSwsbnwGwflHrvjcOzTzqvfg_4711");
  EXPECT_EQ(EngineDialogClass(token), ".SDialog_Class_Name._4711");
  EXPECT_EQ(RunToken(0), "_0");
  EXPECT_EQ(RunToken(4294967295u), "_4294967295");
}

TEST(RemoveSwitchTest, Table) {
  struct Case {
    const char* text;
    const char* sw;
    const char* want;
  } cases[] = {
      {"a /SpanCdLvl=2 /TH_ID=_1", "/SpanCdLvl=", "a /TH_ID=_1"},
      {"/SpanCdLvl=2", "/SpanCdLvl=", ""},
      {"a /x /SpanCdLvl=2", "/SpanCdLvl=", "a /x "},
      // Only the first occurrence goes.
      {"/A=1 /A=2 /B", "/A=", "/A=2 /B"},
      // Exact case: a differently written switch stays.
      {"a /spancdlvl=2 /b", "/SpanCdLvl=", "a /spancdlvl=2 /b"},
      // A quoted value with backslashes and blanks goes whole...
      {"x /SpanDiskFName1=\"C:\\a b\\s.exe.001\" /OriginExe=\"C:\\s.exe\"", "/SpanDiskFName1=",
       "x /OriginExe=\"C:\\s.exe\""},
      // ...but a value holding "/" is cut only up to it.
      {"x /S=\"a/b\" /T", "/S=", "x /b\" /T"},
      {"nothing here", "/S=", "nothing here"},
      {"", "/S=", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RemoveSwitch(c.text, c.sw), c.want) << c.text << " - " << c.sw;
}

TEST(EngineCommandLineTest, Table) {
  const std::string own = "C:\\dl\\setup.exe";
  struct Case {
    const char* name;
    const char* folder;
    const char* entry;
    const char* switches;
    bool agent;
    const char* want;
  } cases[] = {
      {"plain", "C:\\T\\SETUP_1", "Engine.exe*", "", false,
       "C:\\T\\SETUP_1\\Engine.exe /TH_ID=_7 /OriginExe=\"C:\\dl\\setup.exe\""},
      {"hide passed on, folder with backslash", "C:\\T\\SETUP_1\\", "Engine.exe*", "/hide", false,
       "C:\\T\\SETUP_1\\Engine.exe /hide /TH_ID=_7 /OriginExe=\"C:\\dl\\setup.exe\""},
      // Only the whole is trimmed: the caller's own trailing blank stays inside.
      {"entry arguments follow the switches", "F", " Engine.exe *  /a /b ", " /x ", false,
       "F\\Engine.exe /x  /a /b /TH_ID=_7 /OriginExe=\"C:\\dl\\setup.exe\""},
      {"entry arguments alone", "F", "Engine.exe* /a", "", false,
       "F\\Engine.exe /a /TH_ID=_7 /OriginExe=\"C:\\dl\\setup.exe\""},
      {"agent", "F", "Engine.exe*", "/OriginalInfoFile=\"C:\\p\\i.info\"", true,
       "F\\Engine.exe /OriginalInfoFile=\"C:\\p\\i.info\" /TH_ID=_7 "
       "/OriginExe=\"C:\\dl\\setup.exe\" /AutoUpdateProg"},
      {"second span level: private switches go, the given origin stays", "F", "Engine.exe*",
       "/SpanCdLvl=2 /SpanDiskFName1=\"C:\\dl\\setup.exe.001\" /OriginExe=\"C:\\cd\\setup.exe\"",
       false, "F\\Engine.exe /OriginExe=\"C:\\cd\\setup.exe\" /TH_ID=_7"},
      {"origin check is exact case", "F", "Engine.exe*", "/originexe=x", false,
       "F\\Engine.exe /originexe=x /TH_ID=_7 /OriginExe=\"C:\\dl\\setup.exe\""},
  };
  for (const Case& c : cases) {
    EngineLineInput in;
    in.folder = c.folder;
    in.main_entry = c.entry;
    in.switches = c.switches;
    in.token = "_7";
    in.own_exe = own;
    in.is_agent = c.agent;
    EXPECT_EQ(EngineCommandLine(in), c.want) << c.name;
  }
  EXPECT_EQ(EngineProgramPath("C:\\a b\\SETUP_1", " Engine.exe * /x"), "C:\\a b\\SETUP_1\\Engine.exe");
}

TEST(FormatMegabytesTest, Table) {
  struct Case {
    double bytes;
    const char* want;
  } cases[] = {
      {17997344, "17.2"}, {5242880, "5.00"}, {500000, "0.477"}, {0, "0.000"},
      {-1, "0.000"},      {1048576, "1.00"}, {10485760, "10.00"}, {10485761, "10.0"},
      {1e12, "953674.3"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatMegabytes(c.bytes), c.want) << c.bytes;
}

TEST(TempSpaceQuestionTest, WhenAndWhat) {
  TempSpaceTexts t{"s2 <DRIVE>|", "s3 <DRIVE>|", "s4 <SPACE_REQ>|", "s5 <SPACE_AVAIL>|", "s6"};
  // Enough space and no request to ask: no question.
  EXPECT_EQ(TempSpaceQuestion("c:\\t", 100, 200, false, t), "");
  // The package always asks.
  EXPECT_EQ(TempSpaceQuestion("c:\\t", 5242880, 17997344, true, t),
            "s2 C:|s4 5.00|s5 17.2|s6");
  // Short space wins over the always-ask text; equal counts as short.
  EXPECT_EQ(TempSpaceQuestion("d:\\t", 500000, 500000, true, t), "s3 D:|s4 0.477|s5 0.477|s6");
  // Free space unknown (-1) is short and shows as nothing available.
  EXPECT_EQ(TempSpaceQuestion("C:\\t", 0, -1, false, t), "s3 C:|s4 0.000|s5 0.000|s6");
  // Placeholders are replaced wherever they occur and only in their exact case.
  TempSpaceTexts many{"", "<DRIVE><DRIVE><drive>", "", "", ""};
  EXPECT_EQ(TempSpaceQuestion("e:", 1, 0, false, many), "E:E:<drive>");
  EXPECT_EQ(TempSpaceQuestion("", 1, 0, false, many), "<drive>");
}

TEST(ChooseTempDriveTest, Table) {
  struct Case {
    char temp;
    std::array<double, 3> free;
    char want;
  } cases[] = {
      {'C', {100, 50, 0}, 0},      // the temp drive has most room
      {'C', {100, 200, 0}, 'D'},   // another fixed drive has more
      {'c', {100, 200, 300}, 'E'},
      {'C', {0, 0, 0}, 0},         // nothing measured
      {'D', {100, 100, 0}, 'C'},   // a tie keeps the earlier letter, even off the temp drive
      {'C', {100, 100, 0}, 0},
      {'Z', {0, 1, 0}, 'D'},       // temp folder on an unmeasured drive
      {'Z', {0, 0, 0}, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseTempDriveLetter(c.temp, c.free), c.want)
        << c.temp << " " << c.free[0] << " " << c.free[1] << " " << c.free[2];
  EXPECT_EQ(AltTempBaseFor('d', false), "D:\\TEMP");
  EXPECT_EQ(AltTempBaseFor('D', true), "D:\\TEMP\\TEMP");
}

TEST(SetupFolderPathTest, UsesTheTimeOfDayOfTheFileDate) {
  EXPECT_EQ(SetupFolderPath("C:\\Temp\\", 0x5A2B6C3Du), "C:\\Temp\\SETUP_27709");
  EXPECT_EQ(SetupFolderPath("C:\\Temp", 0x5A2B0000u), "C:\\Temp\\SETUP_0");
}

TEST(AgentCopyFromOwnImageTest, CutsAtTheEndOffsetAndSetsTheAgentFlag) {
  std::string package(200, 'p');
  package[200 - 5] = 0;
  // Something appended after the package (less than 10000 bytes) is cut off.
  std::string copy = AgentCopyFromOwnImage(package + std::string(50, 'x'), 200);
  ASSERT_EQ(copy.size(), 200u);
  EXPECT_EQ(copy[195], 1);
  EXPECT_EQ(copy.substr(0, 195), package.substr(0, 195));
  // 10000 bytes or more after the end offset: the image is taken whole.
  copy = AgentCopyFromOwnImage(package + std::string(10000, 'x'), 200);
  EXPECT_EQ(copy.size(), 10200u);
  EXPECT_EQ(copy[10195], 1);
  EXPECT_EQ(copy[195], 0);
  // End offset 0 or at/after the end: whole image.
  EXPECT_EQ(AgentCopyFromOwnImage(package, 0).size(), 200u);
  EXPECT_EQ(AgentCopyFromOwnImage(package, 200).size(), 200u);
  EXPECT_EQ(AgentCopyFromOwnImage(package, 5000).size(), 200u);
  // Too short to hold the flag: unchanged.
  EXPECT_EQ(AgentCopyFromOwnImage("abcde", 0), "abcde");
  EXPECT_EQ(AgentCopyFromOwnImage("abcdef", 0), std::string("a\x01") + "cdef");
}

}  // namespace
}  // namespace velkor
