#include "support/ini_registry.h"

#include <gtest/gtest.h>

#include <limits>

namespace velkor {
namespace {

TEST(RegistryPath, RootNames) {
  struct Case {
    const char* name;
    RegRoot root;
  } cases[] = {
      {"HKEY_CLASSES_ROOT", RegRoot::kClassesRoot}, {"HKCR", RegRoot::kClassesRoot},
      {"HKEY_CURRENT_USER", RegRoot::kCurrentUser}, {"hkcu", RegRoot::kCurrentUser},
      {"Hkey_Local_Machine", RegRoot::kLocalMachine}, {"hklm", RegRoot::kLocalMachine},
      {"HKEY_USERS", RegRoot::kUsers},               {"HKU", RegRoot::kUsers},
      {"HKEY_CURRENT_CONFIG", RegRoot::kCurrentConfig}, {"HKCC", RegRoot::kCurrentConfig},
      {"HKEY_DYN_DATA", RegRoot::kDynData},          {"hkdd", RegRoot::kDynData},
      // Unknown names, the performance-data root included, fall back to the current user.
      {"HKEY_PERFORMANCE_DATA", RegRoot::kCurrentUser}, {"HKXX", RegRoot::kCurrentUser},
      {"", RegRoot::kCurrentUser},                   {" HKLM", RegRoot::kCurrentUser},
  };
  for (const Case& c : cases) EXPECT_EQ(RegRootFromName(c.name), c.root) << "'" << c.name << "'";
}

TEST(RegistryPath, Split) {
  struct Case {
    const char* path;
    RegRoot root;
    const char* subkey;
  } cases[] = {
      {"HKLM", RegRoot::kLocalMachine, ""},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", RegRoot::kLocalMachine,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
      {"Software\\Test", RegRoot::kCurrentUser, "Software\\Test"},
      {"  hkcr\\http\\shell \t", RegRoot::kClassesRoot, "http\\shell"},
      {"HKXX\\Software", RegRoot::kCurrentUser, "Software"},
      {"hKlM\\a\\b", RegRoot::kLocalMachine, "a\\b"},
      {"", RegRoot::kCurrentUser, ""},
  };
  for (const Case& c : cases) {
    RegPath p = SplitRegPath(c.path);
    EXPECT_EQ(p.root, c.root) << c.path;
    EXPECT_EQ(p.subkey, c.subkey) << c.path;
  }
}

TEST(RegistryValue, TextByType) {
  using std::string;
  struct Case {
    const char* name;
    std::uint32_t type;
    string data;
    const char* text;
  } cases[] = {
      {"dword all bits", kRegDword, string("\xff\xff\xff\xff", 4), "4294967295"},
      {"dword little-endian", kRegDword, string("\x01\x02\x00\x00", 4), "513"},
      {"dword of 8 bytes is raw", kRegDword, string("ab\0cdefg", 8), "ab"},
      {"multi-sz", kRegMultiSz, string("a\0b\0\0", 5), "a<0>b"},
      {"multi-sz empty item inside", kRegMultiSz, string("a\0\0b\0\0", 6), "a<0><0>b"},
      {"multi-sz of 2 bytes", kRegMultiSz, string("a\0", 2), "a"},
      {"string with NUL", 1, string("value\0", 6), "value"},
      {"string without NUL", 1, string("value"), "value"},
      {"expandable kept unexpanded", 2, string("%TEMP%\\x\0", 9), "%TEMP%\\x"},
      {"binary", 3, string("\x41\x42\0\x43", 4), "AB"},
      {"empty", 1, string(), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RegValueText(c.type, c.data), c.text) << c.name;
}

TEST(IniNumbers, DecimalInt64) {
  struct Case {
    const char* text;
    bool ok;
    std::int64_t value;
  } cases[] = {
      {"12", true, 12},
      {"-5", true, -5},
      {"+7", true, 7},
      {"0", true, 0},
      {"9223372036854775807", true, std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", true, std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775808", false, 0},
      {"-9223372036854775809", false, 0},
      {"99999999999999999999", false, 0},
      {"12x", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"1 2", false, 0},
      {"0x1F", false, 0},
  };
  for (const Case& c : cases) {
    std::int64_t value = 4242;
    EXPECT_EQ(ParseInt64(c.text, &value), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 4242) << c.text;
  }
}

}  // namespace
}  // namespace velkor
