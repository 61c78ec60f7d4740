#include "support/switches.h"

#include <gtest/gtest.h>

#include <string>

namespace velkor {
namespace {

TEST(Switches, CommandTail) {
  const std::string exe = "C:\\Program Files\\Prod\\setup.exe";
  struct Case {
    std::string line;
    std::string expected;
  } const cases[] = {
      {"\"C:\\Program Files\\Prod\\setup.exe\" /hide", "/hide"},
      {"\"c:\\program files\\PROD\\SETUP.EXE\" /hide", "/hide"},  // other letter case
      {"C:\\Program Files\\Prod\\setup.exe /a /b  ", "/a /b"},
      {"\"C:\\PROGRA~1\\Prod\\setup.exe\" /hide", "\"C:\\PROGRA~1\\Prod\\setup.exe\" /hide"},
      {"setup.exe /hide", "setup.exe /hide"},  // relative name: nothing removed
      {"\"C:\\Program Files\\Prod\\setup.exe\"", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(GetCommandTail(c.line, exe), c.expected) << c.line;
  // The quoted form is preferred, so no stray quotes are left behind.
  EXPECT_EQ(GetCommandTail("\"x.exe\" /o=x.exe", "x.exe"), "/o=x.exe");
  EXPECT_EQ(GetCommandTail("\"\" /a", ""), "\"\" /a");
}

TEST(Switches, HasSwitchIsAPlainSubstringTest) {
  EXPECT_TRUE(HasSwitch("/SleepX=30 /hide", "/HIDE"));
  EXPECT_TRUE(HasSwitch("/hideall", "/hide"));
  EXPECT_TRUE(HasSwitch("/OriginExe=\"C:\\a /hide\\b.exe\"", "/hide"));
  EXPECT_FALSE(HasSwitch("/SleepX=30", "/hide"));
  EXPECT_FALSE(HasSwitch("", "/hide"));
}

TEST(Switches, Value) {
  struct Case {
    std::string tail;
    std::string sw;
    std::string expected;
  } const cases[] = {
      {"/SleepX=30 /hide", "/hide", "TRUE"},
      {"/hide /SleepX=30", "/hide", ""},
      {"/hide/x", "/hide", ""},
      {"/SleepX=30 /hide", "/sleepx=", "30"},
      {"/OriginExe=\"C:\\My Dir\\a.exe\" /hide", "/OriginExe=", "C:\\My Dir\\a.exe"},
      {"/OriginExe=C:\\My Dir\\a.exe /hide", "/OriginExe=", "C:\\My"},
      {"/OriginExe=\"C:\\open /quote", "/OriginExe=", "C:\\open /quote"},
      {"/OriginExe=\"\" /hide", "/OriginExe=", ""},
      {"/WM_MSG=1124/x", "/WM_MSG=", "1124"},
      {"/WAIT=", "/WAIT=", "TRUE"},
      {"/a=1 /a=2", "/a=", "1"},
      {"/x", "/hide", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetSwitchValue(c.tail, c.sw), c.expected) << c.tail << " / " << c.sw;
  }
}

TEST(Switches, Int) {
  struct Case {
    std::string tail;
    std::string sw;
    std::int64_t def;
    std::int64_t expected;
  } const cases[] = {
      {"/SleepX=30 /hide", "/SleepX=", -1, 30},
      {"/hide", "/SleepX=", -1, -1},
      {"/WAIT=", "/WAIT=", 0, 0},  // bare: "TRUE" is not a number
      {"/TEST=-5", "/TEST=", 0, -5},
      {"/TEST=12x", "/TEST=", 7, 7},
      {"/TEST=9223372036854775807", "/TEST=", 0, INT64_MAX},
      {"/TEST=9223372036854775808", "/TEST=", 1, 1},
      {"/TEST=\" 42 \"", "/TEST=", 0, 42},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetSwitchInt(c.tail, c.sw, c.def), c.expected) << c.tail << " / " << c.sw;
  }
}

}  // namespace
}  // namespace velkor
