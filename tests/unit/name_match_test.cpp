#include "process/name_match.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

TEST(SameProcessName, TrimsAndIgnoresAsciiCaseOnly) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"C:\\Tools\\App.exe", "c:\\tools\\APP.EXE", true},
      {"  tool.exe\t", "TOOL.EXE", true},
      {"\x01tool.exe\x20", "tool.exe", true},
      {"tool.exe", "tool.ex", false},
      {"tool .exe", "tool.exe", false},   // inner blanks count
      {"\xe4pp.exe", "\xc4PP.EXE", false},  // only ASCII letters fold
      {"", "   ", true},
  };
  for (const Case& c : cases) EXPECT_EQ(SameProcessName(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(ProcessFileName, TakesPartAfterLastSeparator) {
  EXPECT_EQ(ProcessFileName("C:\\a\\b\\tool.exe"), "tool.exe");
  EXPECT_EQ(ProcessFileName("C:tool.exe"), "tool.exe");
  EXPECT_EQ(ProcessFileName("dir/tool.exe"), "tool.exe");
  EXPECT_EQ(ProcessFileName("tool.exe"), "tool.exe");
  EXPECT_EQ(ProcessFileName("C:\\a\\"), "");
}

TEST(StripPathQuotes, TrimsThenRemovesQuotesAtBothEnds) {
  EXPECT_EQ(StripPathQuotes("  \"C:\\My App\\a.exe\"  "), "C:\\My App\\a.exe");
  EXPECT_EQ(StripPathQuotes("\"\"a.exe\""), "a.exe");
  EXPECT_EQ(StripPathQuotes("a\"b.exe"), "a\"b.exe");
  // Blanks inside the quotes stay: only the outer text is trimmed.
  EXPECT_EQ(StripPathQuotes("\" a.exe \""), " a.exe ");
  EXPECT_EQ(StripPathQuotes("\"\""), "");
}

TEST(ProcessMatches, FullPathFileNameAndShortForm) {
  const ProcessCandidate app{"C:\\Program Files\\Acme\\Tool.exe", "Tool.exe",
                             "C:\\PROGRA~1\\Acme\\Tool.exe"};
  const ProcessCandidate unqueried{"", "", ""};
  struct Case {
    const char* what;
    ProcessQuery query;
    ProcessCandidate candidate;
    bool match;
  } cases[] = {
      {"full path, other case", {"c:\\program files\\acme\\TOOL.EXE", "C:\\PROGRA~1\\Acme\\Tool.exe"},
       app, true},
      {"bare file name", {"tool.exe", std::string(kNoShortName)}, app, true},
      {"bare file name, full path only", {"tool.exe", std::string(kNoShortName), true}, app, false},
      {"short form given for long path", {"C:\\PROGRA~1\\ACME\\TOOL.EXE", "C:\\PROGRA~1\\Acme\\Tool.exe", true},
       app, true},
      {"same file name in another folder", {"D:\\Other\\Tool.exe", std::string(kNoShortName)}, app,
       false},
      {"missing file cannot match by short form", {"D:\\Gone\\x.exe", std::string(kNoShortName)},
       {"D:\\Gone\\y.exe", "y.exe", ""}, false},
      {"process that could not be queried", {"tool.exe", std::string(kNoShortName)}, unqueried,
       false},
      {"blank name matches nothing", {"   ", std::string(kNoShortName)}, unqueried, false},
      {"empty name matches nothing", {"", ""}, unqueried, false},
      // The stand-ins are placeholders, not names: passing one must not match everything.
      {"stand-in as name, full path only", {std::string(kNoFileName), std::string(kNoShortName), true},
       app, false},
      {"stand-in as short name", {"x", std::string(kNoShortName)}, {"y", "y", std::string(kNoShortName)},
       false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProcessMatches(c.query, c.candidate), c.match) << c.what;
}

}  // namespace
}  // namespace velkor
