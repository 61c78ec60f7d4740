#include "net/download_progress.h"

#include <algorithm>
#include <cstdio>

namespace velkor {

int32_t DownloadChunkSize(int32_t size) {
  return std::max<int32_t>(1, std::min<int32_t>(size / 10, kMaxDownloadChunk));
}

int32_t RoundHalfEven(int64_t num, int64_t den) {
  int64_t q = num / den;
  int64_t r = num % den;
  if (r < 0) {  // floor division, so the remainder is in [0, den)
    r += den;
    --q;
  }
  if (2 * r > den || (2 * r == den && (q & 1) != 0)) ++q;
  return static_cast<int32_t>(q);
}

int32_t DownloadProgressRange(int32_t size, int32_t chunk) { return RoundHalfEven(size, chunk) + 1; }

int32_t DownloadProgressPosition(int32_t received, int32_t chunk) {
  return RoundHalfEven(received, chunk);
}

std::string PartialFileName(const std::string& target, int32_t size, int32_t date) {
  // The sum wraps like the 32-bit integers it was first computed with.
  const auto sum = static_cast<int32_t>(static_cast<uint32_t>(size) + static_cast<uint32_t>(date));
  return target + "." + std::to_string(sum);
}

int32_t PackFileDate(int year, int month, int day, int hour, int minute, int second) {
  // The packed form holds the years 1980 to 2107 only; other dates count as unknown.
  if (year < 1980 || year > 2107) return 0;
  const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) |
                        (static_cast<uint32_t>(month) << 5) | static_cast<uint32_t>(day);
  const uint32_t time = (static_cast<uint32_t>(hour) << 11) |
                        (static_cast<uint32_t>(minute) << 5) | static_cast<uint32_t>(second / 2);
  return static_cast<int32_t>(((date & 0xFFFF) << 16) | (time & 0xFFFF));
}

void DownloadSpeedWindow::Reset(uint32_t now_ms) {
  for (auto& t : ticks_) t = now_ms;
  for (auto& b : bytes_) b = 0;
}

std::string DownloadSpeedWindow::Update(int32_t received, int32_t size, int32_t chunk,
                                        uint32_t now_ms) {
  for (int i = 0; i < 4; ++i) {
    ticks_[i] = ticks_[i + 1];
    bytes_[i] = bytes_[i + 1];
  }
  ticks_[4] = now_ms;
  bytes_[4] = chunk;

  std::string text = std::to_string(received) + "/" + std::to_string(size) + " Bytes   ";
  // Unsigned difference: the system tick count wraps after 49.7 days.
  const uint32_t elapsed = now_ms - ticks_[0];
  if (elapsed > 0) {
    double bytes = 0;
    for (int32_t b : bytes_) bytes += b;
    const double speed = bytes / (elapsed / 1000.0) / 1024.0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", speed);
    text += buf;
    text += " KB/Sec";
  }
  return text;
}

namespace {

// Reads a decimal number of at most 10 digits at `pos`; false when there is none.
bool ReadNumber(const std::string& s, size_t& pos, int64_t& value) {
  const size_t start = pos;
  value = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - start < 10) {
    value = value * 10 + (s[pos] - '0');
    ++pos;
  }
  return pos > start && (pos >= s.size() || s[pos] < '0' || s[pos] > '9');
}

std::string UpperAscii(const std::string& s) {
  std::string out = s;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// 1-based position of the first occurrence, 0 when absent.
size_t Pos(const std::string& needle, const std::string& hay) {
  const size_t p = hay.find(needle);
  return p == std::string::npos ? 0 : p + 1;
}

}  // namespace

bool ResumeAnswerMatches(int32_t status, const std::string& content_range, int32_t offset,
                         int32_t size) {
  if (status != 206 || offset <= 0 || offset >= size) return false;
  static const std::string kUnit = "bytes ";
  if (content_range.compare(0, kUnit.size(), kUnit) != 0) return false;
  size_t pos = kUnit.size();
  int64_t first = 0, last = 0, total = 0;
  if (!ReadNumber(content_range, pos, first) || pos >= content_range.size() ||
      content_range[pos++] != '-')
    return false;
  if (!ReadNumber(content_range, pos, last) || pos >= content_range.size() ||
      content_range[pos++] != '/')
    return false;
  if (!ReadNumber(content_range, pos, total) || pos != content_range.size()) return false;
  return first == offset && last == static_cast<int64_t>(size) - 1 && total == size;
}

std::string RangeRequestHeader(int32_t offset) {
  return "Range: bytes=" + std::to_string(offset) + "-\r\n";
}

bool IsHtmlErrorPage(const std::string& data) {
  const std::string up = UpperAscii(data);
  const size_t title = Pos("<TITLE", up);
  const size_t code = Pos("404", up);
  const size_t end_title = Pos("</TITLE>", up);
  if (title > 0 && title < code && code < end_title) return true;
  const size_t html = Pos("<HTML>", up);
  const size_t head = Pos("<HEAD>", up);
  const size_t title_tag = Pos("<TITLE>", up);
  return html > 0 && html < head && head < title_tag && title_tag < end_title;
}

std::string HtmlErrorPageText(const std::string& url) {
  return "<B>404 File Not Found...</B><P><P>URL:  " + url + "." +
         "<P><P>Please make sure the file is available and access is allowed to this file.";
}

}  // namespace velkor
