#include "support/sysinfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velkor {
namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  DateTimeParts p;
  p.year = y;
  p.month = mo;
  p.day = d;
  p.hour = h;
  p.minute = mi;
  p.second = s;
  p.millisecond = ms;
  return EncodeDateTime(p);
}

TEST(DateTimeValue, DayNumbers) {
  EXPECT_EQ(At(1899, 12, 30), 0.0);
  EXPECT_EQ(At(1900, 1, 1), 2.0);
  EXPECT_EQ(At(2000, 1, 1), 36526.0);
  EXPECT_EQ(At(2000, 1, 1, 12), 36526.5);
  EXPECT_EQ(At(1899, 12, 29, 6), -1.25);  // before day 0 the time still counts forward
}

TEST(DateTimeValue, DecodeRoundTripsAndCarriesAtMidnight) {
  DateTimeParts p = DecodeDateTime(At(2024, 2, 29, 23, 59, 58, 999));
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond}),
            (std::vector<int>{2024, 2, 29, 23, 59, 58, 999}));
  // A fraction that rounds to a whole day is midnight of the next day, not hour 24.
  p = DecodeDateTime(36526.0 + 0.99999999999);
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour}),
            (std::vector<int>{2000, 1, 2, 0}));
  // Values no clock gives must not produce impossible dates.
  for (double odd : {-1e300, 1e300, std::nan("")}) {
    p = DecodeDateTime(odd);
    EXPECT_GE(p.year, 1);
    EXPECT_LE(p.year, 9999);
    EXPECT_GE(p.month, 1);
    EXPECT_LE(p.month, 12);
  }
}

TEST(DateTimeTexts, Formats) {
  struct Case {
    double value;
    const char* date;
    const char* date_time;
    const char* stamp;  // with "." and ":" as separators
  } cases[] = {
      {At(2005, 2, 1, 9, 5, 3), "01-FEB-2005", "01-FEB-2005  09:05:03", "01.02.05 09:05:03"},
      {At(1999, 12, 31, 23, 59, 59), "31-DEC-1999", "31-DEC-1999  23:59:59", "31.12.99 23:59:59"},
      {At(2005, 3, 7, 14, 3, 9, 600), "07-MAR-2005", "07-MAR-2005  14:03:09", "07.03.05 14:03:09"},
      {At(2100, 1, 9), "09-JAN-2100", "09-JAN-2100  00:00:00", "09.01.00 00:00:00"},
      {At(950, 6, 15), "15-JUN-0950", "15-JUN-0950  00:00:00", "15.06.50 00:00:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateText(c.value), c.date);
    EXPECT_EQ(DateTimeText(c.value, ":"), c.date_time);
    EXPECT_EQ(StampText(c.value, ".", ":"), c.stamp);
  }
  EXPECT_EQ(StampText(At(2005, 3, 7, 14, 3, 9), "/", ":"), "07/03/05 14:03:09");
  EXPECT_EQ(DateTimeText(At(2005, 3, 7, 14, 3, 9), "."), "07-MAR-2005  14.03.09");
}

TEST(CurrentSecondsValue, RoundsHalfToEven) {
  struct Case {
    const char* name;
    double value;
    std::int64_t seconds;
  } cases[] = {
      {"2000-01-01 00:00", At(2000, 1, 1), 3155846400},
      {"2024-01-01 00:00", At(2024, 1, 1), 3913228800},
      {"with time of day", At(2024, 1, 1, 10, 20, 30), 3913228800 + 37230},
      {"below half rounds down", At(2024, 1, 1, 0, 0, 1, 400), 3913228801},
      {"above half rounds up", At(2024, 1, 1, 0, 0, 1, 600), 3913228802},
      // 1/256 day and 3/256 day are exactly 337.5 and 1012.5 seconds.
      {"half to even up", 1.0 / 256, 338},
      {"half to even down", 3.0 / 256, 1012},
      {"day zero", 0.0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(SecondsFromDateTime(c.value), c.seconds) << c.name;
}

TEST(SystemTexts, SmallFormats) {
  EXPECT_EQ(BoolToText(true), "TRUE");
  EXPECT_EQ(BoolToText(false), "FALSE");
  EXPECT_EQ(WindowsCurrentVersionKeyFor(true),
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  EXPECT_EQ(WindowsCurrentVersionKeyFor(false),
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
  EXPECT_EQ(CleanSystemMessage("File not found.\r\n"), "File not found");
  EXPECT_EQ(CleanSystemMessage("Wait... \t..\r\n"), "Wait");
  EXPECT_EQ(CleanSystemMessage(" .\r\n"), "");
  EXPECT_EQ(CleanSystemMessage("v1.0 ok"), "v1.0 ok");
}

}  // namespace
}  // namespace velkor
