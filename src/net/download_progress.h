#pragma once
// The pure arithmetic and texts of the HTTP download client: chunk size, progress range and
// position, the progress text with its speed window, the name of the partial file, the packed file
// date of a Last-Modified header, the check of a resumed (ranged) answer and the test for an HTML
// error page delivered in place of a file. No Windows here: the client in http_win.cpp asks
// WinINet and calls these.
#include <cstdint>
#include <string>

namespace velkor {

// Largest single read of a download, in bytes.
inline constexpr int32_t kMaxDownloadChunk = 10240;

// Bytes per read for a remote file of `size` bytes: a tenth of the file, at most 10240, and at
// least 1 so that tiny files (below 10 bytes) still make progress.
int32_t DownloadChunkSize(int32_t size);

// num / den rounded to the nearest integer, halves to the even neighbour; den must be > 0.
int32_t RoundHalfEven(int64_t num, int64_t den);

// Progress range announced at the start: round(size / chunk) + 1.
int32_t DownloadProgressRange(int32_t size, int32_t chunk);
// Progress position announced at the start, for `received` bytes already on disk.
int32_t DownloadProgressPosition(int32_t received, int32_t chunk);

// Partial file of a download into `target`: target + "." + (size + date) as a signed 32-bit sum
// (wrapping; a negative sum keeps its minus sign).
std::string PartialFileName(const std::string& target, int32_t size, int32_t date);

// Date and time packed in the file-system format: the date in the high word (year - 1980, month,
// day), the time in the low word (hour, minute, seconds / 2). Returned as a signed 32-bit value;
// 0 for a year outside 1980..2107, which the format cannot hold.
int32_t PackFileDate(int year, int month, int day, int hour, int minute, int second);

// Progress text and the five-entry speed window: the tick counts of the last five updates and the
// byte counts of the last five chunks.
class DownloadSpeedWindow {
 public:
  // Every tick entry becomes `now_ms`, every byte entry 0.
  void Reset(uint32_t now_ms);
  // Shifts both rings by one, takes `now_ms` and `chunk`, and returns
  // received + "/" + size + " Bytes   " followed, when time has passed over the window, by the
  // speed in KB/s with two decimals and " KB/Sec".
  std::string Update(int32_t received, int32_t size, int32_t chunk, uint32_t now_ms);

 private:
  uint32_t ticks_[5] = {};
  int32_t bytes_[5] = {};
};

// Whether the answer to a request with "Range: bytes=<offset>-" continues the partial file: status
// 206 and a Content-Range of exactly "bytes <offset>-<size-1>/<size>". Anything else (a server
// that ignores ranges and answers 200, another range, another total) must restart the file.
bool ResumeAnswerMatches(int32_t status, const std::string& content_range, int32_t offset,
                         int32_t size);

// The request header that asks for the rest of a file from `offset` on.
std::string RangeRequestHeader(int32_t offset);

// Whether `data` looks like an HTML error page: a TITLE holding "404", or HTML, HEAD, TITLE and
// closing TITLE tags in this order (tags compared without regard to case).
bool IsHtmlErrorPage(const std::string& data);

// The user-facing text for an HTML error page received from `url`.
std::string HtmlErrorPageText(const std::string& url);

}  // namespace velkor
