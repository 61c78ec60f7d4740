#include "net/download_progress.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

TEST(DownloadChunk, SizeRangeAndPosition) {
  struct Case {
    int32_t size, received;
    int32_t chunk, range, position;
  } const kCases[] = {
      {1, 0, 1, 2, 0},                 // tiny files still read at least one byte at a time
      {9, 4, 1, 10, 4},
      {10, 0, 1, 11, 0},
      {25, 5, 2, 13, 2},               // 25/2 = 12.5 -> 12 (even); 5/2 = 2.5 -> 2
      {35, 7, 3, 13, 2},               // 35/3 = 11.67 -> 12; 7/3 = 2.33 -> 2
      {30, 9, 3, 11, 3},
      {102400, 51200, 10240, 11, 5},   // exactly ten full chunks
      {102401, 15360, 10240, 11, 2},   // 15360/10240 = 1.5 -> 2 (even)
      {1000000, 25600, 10240, 99, 2},  // 97.66 -> 98; 2.5 -> 2
      {0x7FFFFFFF, 0, 10240, 209716, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.size);
    const int32_t chunk = DownloadChunkSize(c.size);
    EXPECT_EQ(chunk, c.chunk);
    EXPECT_EQ(DownloadProgressRange(c.size, chunk), c.range);
    EXPECT_EQ(DownloadProgressPosition(c.received, chunk), c.position);
  }
}

TEST(DownloadChunk, RoundHalfEvenIncludingNegatives) {
  struct Case {
    int64_t num, den;
    int32_t expected;
  } const kCases[] = {{1, 2, 0}, {3, 2, 2}, {5, 2, 2}, {7, 2, 4}, {-1, 2, 0}, {-3, 2, -2},
                      {-5, 4, -1}, {2, 3, 1}, {0, 7, 0}};
  for (const Case& c : kCases) {
    EXPECT_EQ(RoundHalfEven(c.num, c.den), c.expected) << c.num << "/" << c.den;
  }
}

TEST(PartialFile, NameIsTargetPlusWrappedSum) {
  struct Case {
    int32_t size, date;
    const char* expected;
  } const kCases[] = {
      {1000, 0, "C:\\t\\setup.exe.1000"},
      {1000, 1482381312, "C:\\t\\setup.exe.1482382312"},
      {0x7FFFFFFF, 1, "C:\\t\\setup.exe.-2147483648"},   // the sum wraps
      {-1, 0, "C:\\t\\setup.exe.-1"},
      {2000000000, 2000000000, "C:\\t\\setup.exe.-294967296"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(PartialFileName("C:\\t\\setup.exe", c.size, c.date), c.expected);
  }
}

TEST(PartialFile, PackedFileDate) {
  // 2024-03-15 13:45:58: date word (44<<9)|(3<<5)|15, time word (13<<11)|(45<<5)|29.
  EXPECT_EQ(PackFileDate(2024, 3, 15, 13, 45, 58),
            static_cast<int32_t>((((44u << 9) | (3u << 5) | 15u) << 16) |
                                 ((13u << 11) | (45u << 5) | 29u)));
  EXPECT_EQ(PackFileDate(2024, 3, 15, 13, 45, 59), PackFileDate(2024, 3, 15, 13, 45, 58));
  EXPECT_EQ(PackFileDate(1980, 1, 1, 0, 0, 0), (((0 << 9) | (1 << 5) | 1) << 16));
  EXPECT_LT(PackFileDate(2050, 1, 1, 0, 0, 0), 0);  // years from 2044 set the sign bit
  EXPECT_EQ(PackFileDate(1979, 12, 31, 23, 59, 59), 0);
  EXPECT_EQ(PackFileDate(2108, 1, 1, 0, 0, 0), 0);
}

TEST(DownloadSpeed, TextAndFiveEntryWindow) {
  DownloadSpeedWindow w;
  w.Reset(5000);
  // Right after the reset no time has passed over the window: no speed yet.
  EXPECT_EQ(w.Update(0, 102400, 0, 5000), "0/102400 Bytes   ");
  EXPECT_EQ(w.Update(10240, 102400, 10240, 5500), "10240/102400 Bytes   20.00 KB/Sec");
  EXPECT_EQ(w.Update(20480, 102400, 10240, 6000), "20480/102400 Bytes   20.00 KB/Sec");
  EXPECT_EQ(w.Update(30720, 102400, 10240, 6500), "30720/102400 Bytes   20.00 KB/Sec");
  EXPECT_EQ(w.Update(40960, 102400, 10240, 7000), "40960/102400 Bytes   20.00 KB/Sec");
  // From here the oldest entries drop out: 4 * 10240 + 2048 bytes over 5500..9000,
  EXPECT_EQ(w.Update(43008, 102400, 2048, 9000), "43008/102400 Bytes   12.00 KB/Sec");
  // then 3 * 10240 + 2048 + 0 bytes over 6000..9500.
  EXPECT_EQ(w.Update(43008, 102400, 0, 9500), "43008/102400 Bytes   9.14 KB/Sec");
}

TEST(DownloadSpeed, TickCountWrapAndReset) {
  DownloadSpeedWindow w;
  w.Reset(0xFFFFFF00u);
  // 0x100 + 0x300 ms later across the wrap of the tick counter: 2048 bytes in 1.024 s.
  EXPECT_EQ(w.Update(2048, 4096, 2048, 0x300u), "2048/4096 Bytes   1.95 KB/Sec");
  w.Reset(100);
  EXPECT_EQ(w.Update(0, 4096, 0, 100), "0/4096 Bytes   ");
}

TEST(ResumeAnswer, OnlyTheExactRangeContinuesThePartialFile) {
  struct Case {
    int32_t status;
    const char* range;
    int32_t offset, size;
    bool accepted;
  } const kCases[] = {
      {206, "bytes 100-999/1000", 100, 1000, true},
      {200, "", 100, 1000, false},                    // server ignored the range
      {200, "bytes 100-999/1000", 100, 1000, false},
      {206, "bytes 0-999/1000", 100, 1000, false},    // another start
      {206, "bytes 100-998/1000", 100, 1000, false},  // not up to the end
      {206, "bytes 100-1999/2000", 100, 1000, false}, // file grew
      {206, "bytes 100-999/*", 100, 1000, false},
      {206, "bytes 100-999/1000 ", 100, 1000, false},
      {206, "bytes 100-999/10000", 100, 1000, false},
      {206, "bytes 100-99999999999/1000", 100, 1000, false},
      {206, "items 100-999/1000", 100, 1000, false},
      {206, "bytes -999/1000", 100, 1000, false},
      {206, "", 100, 1000, false},
      {206, "bytes 0-999/1000", 0, 1000, false},      // nothing to resume from
      {206, "bytes 1000-999/1000", 1000, 1000, false},
      {416, "bytes */1000", 1000, 1000, false},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(ResumeAnswerMatches(c.status, c.range, c.offset, c.size), c.accepted)
        << c.status << " [" << c.range << "] at " << c.offset;
  }
  EXPECT_EQ(RangeRequestHeader(4096), "Range: bytes=4096-\r\n");
}

TEST(HtmlErrorPage, Recognition) {
  struct Case {
    const char* data;
    bool page;
  } const kCases[] = {
      {"<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>...", true},
      {"<TITLE>Error 404</TITLE>", true},
      {"<title id=x>Not here: 404</title>", true},
      {"<Html><HEAD><Title>Moved</tITle></head>", true},  // tag order alone is enough
      {"<html><title>Moved</title><head></head>", false},
      {"<html><head><title>Moved</head>", false},
      {"404 <title>x</title>", false},                  // 404 outside the title
      {"<title>x</title> 404", false},
      {"", false},
      {"MZ\x90 binary <TITL", false},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(IsHtmlErrorPage(c.data), c.page) << c.data;
  }
  EXPECT_EQ(HtmlErrorPageText("http://h/a.exe"),
            "<B>404 File Not Found...</B><P><P>URL:  http://h/a.exe.<P><P>Please make sure the file "
            "is available and access is allowed to this file.");
}

}  // namespace
}  // namespace velkor
