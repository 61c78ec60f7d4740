#include "support/sysinfo_win.h"

#include <windows.h>

#include <vector>

#include "support/ini_registry_win.h"

namespace velkor {

namespace {

std::string Trimmed(const std::string& s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 32) --end;
  return s.substr(begin, end - begin);
}

std::string LocaleText(LCTYPE type, const char* fallback) {
  char buf[16];
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
  if (n <= 1) return fallback;  // n counts the terminating NUL
  return std::string(buf, static_cast<std::size_t>(n - 1));
}

}  // namespace

bool IsWinNT() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string WindowsCurrentVersionKey() { return WindowsCurrentVersionKeyFor(IsWinNT()); }

std::string CurrentUserName() {
  char buf[256];
  DWORD size = sizeof buf;
  if (!GetUserNameA(buf, &size)) return "";
  return Trimmed(std::string(buf, strnlen(buf, sizeof buf)));
}

std::string ComputerName() {
  char buf[256];
  DWORD size = sizeof buf;
  if (!GetComputerNameA(buf, &size)) return "";
  return Trimmed(std::string(buf, strnlen(buf, sizeof buf)));
}

std::string GetRegisteredOwner() {
  return Trimmed(
      ReadRegString(WindowsCurrentVersionKey(), "RegisteredOwner", CurrentUserName(), false));
}

std::string GetRegisteredOrganization() {
  return Trimmed(ReadRegString(WindowsCurrentVersionKey(), "RegisteredOrganization", "", false));
}

std::string AccountDomainName(const std::string& account) {
  DWORD sid_size = 0, domain_size = 0;
  SID_NAME_USE use;
  // The first call only learns the sizes the identifier and the domain name need.
  LookupAccountNameA(nullptr, account.c_str(), nullptr, &sid_size, nullptr, &domain_size, &use);
  if (sid_size == 0 || sid_size > 65536 || domain_size > 65536) return "";
  std::vector<BYTE> sid(sid_size);
  std::vector<char> domain(domain_size + 1, '\0');
  DWORD domain_len = static_cast<DWORD>(domain.size());
  if (!LookupAccountNameA(nullptr, account.c_str(), sid.data(), &sid_size, domain.data(),
                          &domain_len, &use))
    return "";
  return std::string(domain.data(), strnlen(domain.data(), domain.size()));
}

std::string CurrentDomainName() { return AccountDomainName(CurrentUserName()); }

double NowDateTime() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  DateTimeParts p;
  p.year = t.wYear;
  p.month = t.wMonth;
  p.day = t.wDay;
  p.hour = t.wHour;
  p.minute = t.wMinute;
  p.second = t.wSecond;
  p.millisecond = t.wMilliseconds;
  return EncodeDateTime(p);
}

std::string DateSeparator() { return LocaleText(LOCALE_SDATE, "/"); }
std::string TimeSeparator() { return LocaleText(LOCALE_STIME, ":"); }

std::string DateTimeText(double value) { return DateTimeText(value, TimeSeparator()); }
std::string StampText(double value) { return StampText(value, DateSeparator(), TimeSeparator()); }

std::int64_t CurrentSeconds() { return SecondsFromDateTime(NowDateTime()); }

std::string LastErrorText() {
  const DWORD code = GetLastError();
  static const char kFallback[] = "Error Reading \"SysUtils.SysErrorMessage(GetLastError)\"";
  if (static_cast<LONG>(code) < 0) return kFallback;
  char buf[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, LANG_USER_DEFAULT, buf, sizeof buf, nullptr);
  if (n >= sizeof buf) n = 0;
  return CleanSystemMessage(std::string(buf, n));
}

}  // namespace velkor
