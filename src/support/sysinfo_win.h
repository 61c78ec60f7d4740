#pragma once
// System and user information: platform family, user, computer, owner and domain names, the
// local clock with the user's separators, and the text of the last system error.
#include <cstdint>
#include <string>

#include "support/sysinfo.h"

namespace velkor {

// True on the NT family (asked anew at every call).
bool IsWinNT();

// "HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion" on NT, "...\Windows\..."
// otherwise.
std::string WindowsCurrentVersionKey();

// Logged-on user and computer names, trimmed; "" when the system refuses.
std::string CurrentUserName();
std::string ComputerName();

// Registered owner (the user name when none is recorded) and organization ("" when none).
std::string GetRegisteredOwner();
std::string GetRegisteredOrganization();

// Domain of an account on the local system; "" when the lookup fails.
std::string AccountDomainName(const std::string& account);
std::string CurrentDomainName();

// The local date and time as a date-time value.
double NowDateTime();

// The user's regional date and time separators ("/" and ":" when they cannot be read).
std::string DateSeparator();
std::string TimeSeparator();

// The date-time texts with the user's regional separators.
std::string DateTimeText(double value);
std::string StampText(double value);

// The local clock in whole seconds since 30 December 1899 00:00.
std::int64_t CurrentSeconds();

// The system's message for the calling thread's last error, without trailing blanks, control
// characters and periods; a fixed text for codes that are negative as signed numbers.
std::string LastErrorText();

}  // namespace velkor
