#include "support/sysinfo_win.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/ini_registry_win.h"
#include "support/scoped_handle_win.h"

namespace velkor {
namespace {

TEST(SystemInfo, PlatformAndNames) {
  EXPECT_TRUE(IsWinNT());
  EXPECT_EQ(WindowsCurrentVersionKey(),
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  EXPECT_NE(CurrentUserName(), "");
  EXPECT_NE(ComputerName(), "");
  EXPECT_EQ(AccountDomainName("no such account 4711"), "");
  CurrentDomainName();  // must come back, whatever the system says
}

TEST(SystemInfo, OwnerFallsBackToTheUserName) {
  // Remove the owner value for the test and put it back after.
  const std::string subkey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  ScopedRegKey key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_ALL_ACCESS, key.receive()),
            ERROR_SUCCESS);
  char saved[1024];
  DWORD saved_size = sizeof saved, saved_type = 0;
  const bool had_owner = RegQueryValueExA(key.get(), "RegisteredOwner", nullptr, &saved_type,
                                          reinterpret_cast<BYTE*>(saved), &saved_size) ==
                         ERROR_SUCCESS;

  RegSetValueExA(key.get(), "RegisteredOwner", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>("  Jo Owner \0"), 12);
  EXPECT_EQ(GetRegisteredOwner(), "Jo Owner");
  RegDeleteValueA(key.get(), "RegisteredOwner");
  EXPECT_EQ(GetRegisteredOwner(), CurrentUserName());

  if (had_owner)
    RegSetValueExA(key.get(), "RegisteredOwner", 0, saved_type,
                   reinterpret_cast<const BYTE*>(saved), saved_size);
}

TEST(SystemInfo, CurrentSecondsFollowsTheLocalClock) {
  // Independently: local file time (100 ns since 1601) shifted to 30 December 1899, which is
  // 109205 days later.
  FILETIME utc, local;
  GetSystemTimeAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  const std::int64_t since1601 =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(local.dwHighDateTime) << 32) |
                                local.dwLowDateTime) / 10000000;
  const std::int64_t expected = since1601 - 109205LL * 86400;
  EXPECT_LE(std::llabs(CurrentSeconds() - expected), 2);

  const std::string stamp = StampText(NowDateTime());
  EXPECT_EQ(stamp.size(), 13 + 2 * DateSeparator().size() + 2 * TimeSeparator().size())
      << stamp;
  EXPECT_EQ(DateTimeText(EncodeDateTime({2005, 3, 7, 14, 3, 9, 0})),
            "07-MAR-2005  14" + TimeSeparator() + "03" + TimeSeparator() + "09");
}

TEST(SystemInfo, LastErrorText) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  const std::string text = LastErrorText();
  ASSERT_NE(text, "");
  const char last = text.back();
  EXPECT_TRUE(last != '.' && static_cast<unsigned char>(last) > 32) << text;

  SetLastError(0x80004005);  // negative as a signed number
  EXPECT_EQ(LastErrorText(), "Error Reading \"SysUtils.SysErrorMessage(GetLastError)\"");

  SetLastError(0x1FFFFFF0);  // no message for it
  EXPECT_EQ(LastErrorText(), "");
}

}  // namespace
}  // namespace velkor
