#pragma once
// Date and time texts, the seconds counter and other small formats of system information.
//
// A date-time value is a floating-point day count: whole days since 30 December 1899, with the
// time of day as the fraction. The local clock and the user's regional separators are fetched on
// the Windows side (support/sysinfo_win.h); everything here is pure.
#include <cstdint>
#include <string>

namespace velkor {

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The date-time value of a calendar date and time of day (Gregorian calendar, year 1 to 9999).
double EncodeDateTime(const DateTimeParts& parts);

// Calendar date and time of a date-time value, rounded to the millisecond. Values outside the
// years 1 to 9999 (and NaN) are clamped into that range rather than trusted.
DateTimeParts DecodeDateTime(double value);

// '07-MAR-2005': two-digit day, English month abbreviation, four-digit year.
std::string DateText(double value);

// DateText, two blanks, then 'HH:NN:SS' with `time_sep` between the fields.
std::string DateTimeText(double value, const std::string& time_sep);

// 'dd/mm/yy HH:NN:SS' with `date_sep` and `time_sep` in place of "/" and ":".
std::string StampText(double value, const std::string& date_sep, const std::string& time_sep);

// The value in whole seconds (value x 24 x 60 x 60), rounded to the nearest whole number with
// halves going to the even neighbour. Seconds since 30 December 1899 00:00.
std::int64_t SecondsFromDateTime(double value);

// "TRUE" or "FALSE".
std::string BoolToText(bool value);

// The system's CurrentVersion key as registry path text; NT systems keep it under "Windows NT".
std::string WindowsCurrentVersionKeyFor(bool is_nt);

// A system message text without the trailing blanks, control characters and periods that
// message tables end their texts with.
std::string CleanSystemMessage(std::string text);

}  // namespace velkor
