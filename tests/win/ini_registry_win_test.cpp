#include "support/ini_registry_win.h"

#include <gtest/gtest.h>

#include "common/test_env_win.h"
#include "support/scoped_handle_win.h"

namespace velkor {
namespace {

using test::ScratchDir;
using test::WriteWholeFile;

TEST(IniFiles, ReadThroughTheProfileFunctions) {
  ScratchDir dir("ini");
  const std::string ini = dir.File("state.original");
  ASSERT_TRUE(WriteWholeFile(ini,
                             "[Main]\r\n"
                             "  Key1 =  value with blanks \t \r\n"
                             "Num=12x\r\n"
                             "Neg=-5\r\n"
                             "Big=9223372036854775807\r\n"
                             "Empty=\r\n"
                             "[Other]\r\n"
                             "Key1=other\r\n"));
  EXPECT_EQ(ReadIniString(ini, "Main", "Key1", "d"), "value with blanks");
  EXPECT_EQ(ReadIniString(ini, "MAIN", "key1", "d"), "value with blanks");
  EXPECT_EQ(ReadIniString(ini, "Other", "Key1", "d"), "other");
  EXPECT_EQ(ReadIniString(ini, "Main", "Empty", "d"), "");
  EXPECT_EQ(ReadIniString(ini, "Main", "Missing", "d"), "d");
  EXPECT_EQ(ReadIniString(ini, "NoSection", "Key1", "d"), "d");
  EXPECT_EQ(ReadIniString(dir.File("missing.ini"), "Main", "Key1", "d"), "d");

  EXPECT_EQ(ReadIniInt(ini, "Main", "Num", 7), 7);
  EXPECT_EQ(ReadIniInt(ini, "Main", "Missing", 7), 7);
  EXPECT_EQ(ReadIniInt(ini, "Main", "Neg", 7), -5);
  EXPECT_EQ(ReadIniInt(ini, "Main", "Big", 7), 9223372036854775807LL);
  EXPECT_EQ(ReadIniInt(ini, "Main", "Empty", 7), 7);
  EXPECT_EQ(ReadIniInt(ini, "Main", "Missing", -9223372036854775807LL - 1),
            -9223372036854775807LL - 1);
}

TEST(IniFiles, WriteCreatesAndReplaces) {
  ScratchDir dir("iniw");
  const std::string ini = dir.File("new.ini");
  EXPECT_TRUE(WriteIniString(ini, "AutoUpdate", "InfoUrl", "http://x/y"));
  EXPECT_TRUE(WriteIniInt(ini, "AutoUpdate", "ProbeSecondsLast", 3913228800));
  EXPECT_TRUE(WriteIniInt(ini, "AutoUpdate", "Neg", -42));
  EXPECT_EQ(ReadIniString(ini, "AutoUpdate", "InfoUrl", ""), "http://x/y");
  EXPECT_EQ(ReadIniInt(ini, "AutoUpdate", "ProbeSecondsLast", 0), 3913228800);
  EXPECT_EQ(ReadIniInt(ini, "AutoUpdate", "Neg", 0), -42);

  EXPECT_TRUE(WriteIniString(ini, "AutoUpdate", "InfoUrl", "http://z"));
  EXPECT_EQ(ReadIniString(ini, "AutoUpdate", "InfoUrl", ""), "http://z");
  EXPECT_TRUE(WriteIniString(ini, "AutoUpdate", "InfoUrl", ""));
  EXPECT_EQ(ReadIniString(ini, "AutoUpdate", "InfoUrl", "default"), "");  // present, empty

  EXPECT_FALSE(WriteIniString(dir.File("no\\folder\\x.ini"), "S", "K", "v"));
}

TEST(IniFiles, LongValuesAreCut) {
  ScratchDir dir("inilong");
  const std::string ini = dir.File("long.ini");
  ASSERT_TRUE(WriteWholeFile(ini, "[S]\r\nK=" + std::string(12000, 'v') + "\r\n"));
  EXPECT_EQ(ReadIniString(ini, "S", "K", ""), std::string(10240, 'v'));
}

// A private key under HKEY_CURRENT_USER with one value of each kind, removed afterwards.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    subkey_ = "Software\\VelkorTest\\Reg" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key_.receive(), nullptr),
              ERROR_SUCCESS);
    Set("", REG_SZ, std::string("default value\0", 14));
    Set("Text", REG_SZ, std::string("hello\0", 6));
    Set("AllBits", REG_DWORD, std::string("\xff\xff\xff\xff", 4));
    Set("Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    Set("Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    Set("Binary", REG_BINARY, std::string("AB\0CD", 5));
    Set("Qword", REG_QWORD, std::string("12345678", 8));
    Set("Huge", REG_SZ, std::string(10241, 'h') + '\0');
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, subkey_.c_str()); }

  void Set(const char* name, DWORD type, const std::string& data) {
    ASSERT_EQ(RegSetValueExA(key_.get(), name, 0, type,
                             reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }

  std::string subkey_;
  ScopedRegKey key_;
};

TEST_F(Registry, ValuesByTypeAndPathForm) {
  const std::string path = "HKCU\\" + subkey_;
  struct Case {
    const char* value;
    const char* expected;
  } cases[] = {
      {"", "default value"},       {"Text", "hello"},  {"AllBits", "4294967295"},
      {"Multi", "a<0>b"},          {"Expand", "%TEMP%\\x"}, {"Binary", "AB"},
      {"Qword", "12345678"},       {"Missing", "none"},
      {"Huge", "none"},  // does not fit the 10241-byte buffer
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadRegString(path, c.value, "none"), c.expected) << c.value;
    EXPECT_EQ(ReadRegString(path, c.value, "none", true), c.expected) << c.value << " (64-bit)";
  }

  for (const std::string& form :
       {"HKEY_CURRENT_USER\\" + subkey_, "hkcu\\" + subkey_, "  " + subkey_ + " ",
        "HKXX\\" + subkey_}) {
    EXPECT_EQ(ReadRegString(form, "Text", "none"), "hello") << form;
  }
  EXPECT_EQ(ReadRegString("HKLM\\" + subkey_, "Text", "none"), "none");
  EXPECT_EQ(ReadRegString("HKCU\\Software\\VelkorTest\\NoSuchKey", "Text", "none"), "none");
}

TEST(RegistrySystem, ReadsMachineValues) {
  EXPECT_EQ(ReadRegString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                          "ProgramFilesDir", "", true),
            "C:\\Program Files");
  EXPECT_EQ(RegRootKey(RegRoot::kLocalMachine), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RegRootKey(RegRootFromName("HKU")), HKEY_USERS);
}

}  // namespace
}  // namespace velkor
