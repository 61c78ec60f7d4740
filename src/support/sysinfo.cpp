#include "support/sysinfo.h"

#include <cmath>

namespace velkor {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Day 0 of the date-time value is 30 December 1899, 25569 days before 1 January 1970.
constexpr std::int64_t kDaysTo1970 = 25569;
// 1 January 0001 and 31 December 9999 as day numbers of the date-time value.
constexpr std::int64_t kFirstDay = -693593;
constexpr std::int64_t kLastDay = 2958465;

// Days since 1 January 1970 of a Gregorian date (Howard Hinnant's civil calendar algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

std::string Two(int n) {
  std::string s = std::to_string(n);
  return s.size() < 2 ? "0" + s : s;
}

std::string Four(int n) {
  std::string s = std::to_string(n);
  return s.size() < 4 ? std::string(4 - s.size(), '0') + s : s;
}

std::string TimeText(const DateTimeParts& p, const std::string& sep) {
  return Two(p.hour) + sep + Two(p.minute) + sep + Two(p.second);
}

}  // namespace

double EncodeDateTime(const DateTimeParts& p) {
  std::int64_t days = DaysFromCivil(p.year, static_cast<unsigned>(p.month),
                                    static_cast<unsigned>(p.day)) + kDaysTo1970;
  double time = (p.hour * 3600000.0 + p.minute * 60000.0 + p.second * 1000.0 + p.millisecond) /
                static_cast<double>(kMsPerDay);
  // Before day 0 the fraction still counts forward from midnight of the date.
  return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

DateTimeParts DecodeDateTime(double value) {
  if (std::isnan(value)) value = 0;
  if (value < static_cast<double>(kFirstDay)) value = static_cast<double>(kFirstDay);
  if (value > static_cast<double>(kLastDay) + 0.999999) value = static_cast<double>(kLastDay);
  double whole = std::trunc(value);
  std::int64_t days = static_cast<std::int64_t>(whole);
  std::int64_t ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {  // 23:59:59.9995 and later round up into the next day
    ms -= kMsPerDay;
    if (days < kLastDay) ++days;
    else ms = kMsPerDay - 1;
  }
  DateTimeParts p;
  CivilFromDays(days - kDaysTo1970, &p.year, &p.month, &p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

std::string DateText(double value) {
  static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  DateTimeParts p = DecodeDateTime(value);
  return Two(p.day) + "-" + kMonths[p.month - 1] + "-" + Four(p.year);
}

std::string DateTimeText(double value, const std::string& time_sep) {
  return DateText(value) + "  " + TimeText(DecodeDateTime(value), time_sep);
}

std::string StampText(double value, const std::string& date_sep, const std::string& time_sep) {
  DateTimeParts p = DecodeDateTime(value);
  return Two(p.day) + date_sep + Two(p.month) + date_sep + Two(p.year % 100) + " " +
         TimeText(p, time_sep);
}

std::int64_t SecondsFromDateTime(double value) {
  double seconds = value * 24 * 60 * 60;
  if (!std::isfinite(seconds) || std::fabs(seconds) > 9.0e18) return 0;
  double lower = std::floor(seconds);
  double fraction = seconds - lower;
  std::int64_t result = static_cast<std::int64_t>(lower);
  if (fraction > 0.5 || (fraction == 0.5 && result % 2 != 0)) ++result;
  return result;
}

std::string BoolToText(bool value) { return value ? "TRUE" : "FALSE"; }

std::string WindowsCurrentVersionKeyFor(bool is_nt) {
  return is_nt ? "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
               : "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
}

std::string CleanSystemMessage(std::string text) {
  while (!text.empty() &&
         (static_cast<unsigned char>(text.back()) <= 32 || text.back() == '.'))
    text.pop_back();
  return text;
}

}  // namespace velkor
