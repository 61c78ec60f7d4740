#include "net/http_win.h"

#include <algorithm>
#include <vector>

#include "net/download_progress.h"
#include "net/net_standins_win.h"
#include "net/wininet_api_win.h"

namespace velkor {
namespace {

using wininet::InternetHandle;

// Process-wide state of the client.
struct HttpState {
  bool abort = false;
  DownloadSpeedWindow speed;
};

HttpState& State() {
  static HttpState state;
  return state;
}

// Asks the server to check its copy against any cached one rather than trusting the cache.
constexpr DWORD kResynchronize = INTERNET_FLAG_RESYNCHRONIZE;

// Longest time between two looks at the message queue during a transfer, in milliseconds.
constexpr DWORD kPumpInterval = 5;

class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Close() {
    if (valid()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

bool FileExists(const std::string& path) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

HINTERNET OpenInternet(const char* agent) {
  return wininet::InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, "", nullptr, 0);
}

HINTERNET OpenUrl(const InternetHandle& internet, const std::string& url,
                  const std::string& headers, DWORD flags) {
  return wininet::InternetOpenUrlA(internet.get(), url.c_str(),
                                   headers.empty() ? nullptr : headers.c_str(),
                                   static_cast<DWORD>(headers.size()), flags, 0);
}

int32_t QueryNumber(const InternetHandle& request, DWORD level, int32_t fallback) {
  DWORD value = 0;
  DWORD length = sizeof value;
  DWORD index = 0;
  if (!wininet::HttpQueryInfoA(request.get(), level | HTTP_QUERY_FLAG_NUMBER, &value, &length,
                               &index)) {
    return fallback;
  }
  return static_cast<int32_t>(value);
}

std::string QueryText(const InternetHandle& request, DWORD level) {
  char buffer[256];
  DWORD length = sizeof buffer;
  DWORD index = 0;
  if (!wininet::HttpQueryInfoA(request.get(), level, buffer, &length, &index)) return "";
  return std::string(buffer, std::min<DWORD>(length, sizeof buffer));
}

int32_t QueryRemoteSize(const InternetHandle& request) {
  return QueryNumber(request, HTTP_QUERY_CONTENT_LENGTH, -1);
}

int32_t QueryRemoteDate(const InternetHandle& request) {
  SYSTEMTIME st = {};
  DWORD length = sizeof st;
  DWORD index = 0;
  if (!wininet::HttpQueryInfoA(request.get(), HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME,
                               &st, &length, &index)) {
    return 0;
  }
  return PackFileDate(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

// A throw-away request before the real one: it lets a dial-up connection or the proxy set-up come
// up before the request whose answer counts. Failures are ignored; the real request reports its own.
// It asks for the first byte only: closing a request while a large body is still on its way slows
// every later transfer of the process to a crawl (seen with WinINet under Wine: 2 MB/s instead of
// 25), and the warm-up has no use for the body anyway.
void WarmUp(const std::string& url) {
  InternetHandle internet(OpenInternet("HTTP_Connect_2"));
  if (!internet) return;
  InternetHandle request(OpenUrl(internet, url, "Range: bytes=0-0\r\n", 0));
}

std::string WriteErrorText(const std::string& file) { return "Unable to write file <P>File: " + file; }

// The transfer itself; returns the error text ("" when the whole file arrived).
std::string Download(HWND window, const std::string& url, const std::string& target,
                     DownloadProgressProc progress, std::string& content) {
  HttpState& state = State();
  InternetHandle internet(OpenInternet("HTTP_Connect_3"));
  if (!internet) return "Unable to initialize \"WinINet.dll\"";
  const DWORD flags = target.empty() ? 0 : kResynchronize;
  InternetHandle request(OpenUrl(internet, url, "", flags));
  if (!request) return "Unable to open Internet Connection <P>URL: " + url;

  const int32_t size = QueryRemoteSize(request);
  const int32_t date = QueryRemoteDate(request);
  net_standin::ViewerWriteLine("HTTP_DownloadFile_Incremental FileSize=" + std::to_string(size) +
                               "  " + url);
  if (size <= 0) return url + "<P><P>File Not Found !";
  if (window != nullptr) ShowWindow(window, SW_SHOW);

  int32_t received = 0;
  FileHandle partial;
  std::string partial_name;
  if (!target.empty()) {
    partial_name = PartialFileName(target, size, date);
    // Whatever lies under the target name is older than the file on the server now. It goes
    // before the transfer starts, so that a failed transfer can never leave it to be run.
    DeleteFileA(target.c_str());
    if (FileExists(partial_name)) {
      const int64_t have = net_standin::FileSizeOf(partial_name);
      if (have > 0 && have < size) {
        // Ask for the rest only. The answer continues the partial file only when the server
        // confirms exactly that range of the same file; a server that ignores ranges sends the
        // whole file with 200, which then restarts the partial file from its first byte.
        const auto offset = static_cast<int32_t>(have);
        InternetHandle ranged(OpenUrl(internet, url, RangeRequestHeader(offset), flags));
        if (ranged) {
          const int32_t status = QueryNumber(ranged, HTTP_QUERY_STATUS_CODE, 0);
          const std::string range = QueryText(ranged, HTTP_QUERY_CONTENT_RANGE);
          const bool same_date = QueryRemoteDate(ranged) == date;
          if (same_date && ResumeAnswerMatches(status, range, offset, size)) {
            request = std::move(ranged);
            received = offset;
          } else if (same_date && status == 200 && QueryRemoteSize(ranged) == size) {
            request = std::move(ranged);
          }
        }
      }
      if (received > 0) {
        partial.Reset(CreateFileA(partial_name.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER to;
        to.QuadPart = received;
        if (partial.valid() && !SetFilePointerEx(partial.get(), to, nullptr, FILE_BEGIN)) {
          partial.Close();
        }
      }
    } else {
      // Partial files kept for other sizes or dates of the remote file are of no use any more.
      net_standin::DeleteFilesByMask(target + ".*");
    }
    if (!partial.valid()) {
      received = 0;
      partial.Reset(CreateFileA(partial_name.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!partial.valid()) return WriteErrorText(partial_name);
    }
  }

  const int32_t chunk = DownloadChunkSize(size);
  state.speed.Reset(GetTickCount());
  std::string text = state.speed.Update(received, size, 0, GetTickCount());
  if (progress != nullptr) {
    progress(0, 0, DownloadProgressRange(size, chunk), text, 1,
             DownloadProgressPosition(received, chunk));
  }

  std::vector<char> buffer(kMaxDownloadChunk);
  std::string error;
  DWORD last_pump = GetTickCount() - kPumpInterval;
  for (;;) {
    // Keep the windows alive without slowing the transfer down: no sleeping, and the queue is
    // looked at once every few milliseconds rather than after every 10 KB (each look is a round
    // trip to the window system).
    if (GetTickCount() - last_pump >= kPumpInterval) {
      net_standin::PumpAndSleep(0);
      last_pump = GetTickCount();
    }
    // Never ask for more than the remote size: a server sending more must not grow the file.
    const int32_t want = std::min(chunk, size - received);
    DWORD n = 0;
    BOOL ok = TRUE;
    if (want > 0) {
      ok = wininet::InternetReadFile(request.get(), buffer.data(), static_cast<DWORD>(want), &n);
      if (!ok || n > static_cast<DWORD>(want)) {
        ok = FALSE;
        n = 0;
      }
    }
    if (ok && n > 0) {
      if (!target.empty()) {
        // Written straight through, so an interrupted transfer keeps every byte it received.
        DWORD written = 0;
        if (!WriteFile(partial.get(), buffer.data(), n, &written, nullptr) || written != n) {
          error = WriteErrorText(partial_name);
          break;
        }
      } else {
        content.append(buffer.data(), n);
      }
      received += static_cast<int32_t>(n);
    }
    text = state.speed.Update(received, size, static_cast<int32_t>(n), GetTickCount());
    if (ok && n > 0 && progress != nullptr) progress(1, 0, 0, text, 0, 0);
    if (n == 0 || state.abort) break;
  }

  if (error.empty() && state.abort) error = "Download Aborted";
  if (!target.empty()) {
    partial.Close();
    if (received == size) {
      DeleteFileA(target.c_str());
      if (!MoveFileA(partial_name.c_str(), target.c_str()) && error.empty()) {
        error = WriteErrorText(target);
      }
    }
  }
  if (error.empty() && received != size) {
    // The connection ended early or a read failed. The partial file stays for a later resume;
    // the caller must not take the target for the file.
    error = "Download Incomplete (" + std::to_string(received) + "/" + std::to_string(size) +
            " Bytes) <P>URL: " + url;
  }
  return error;
}

}  // namespace

bool IsInternetConnected(std::string& reason) {
  DWORD flags = 0;
  if (wininet::InternetGetConnectedState(&flags, 0)) {
    reason.clear();
    return true;
  }
  reason = net_standin::LastErrorText();
  return false;
}

bool IsInternetConnected() {
  std::string reason;
  return IsInternetConnected(reason);
}

int32_t HTTP_GetFileSize(const std::string& url) {
  WarmUp(url);
  InternetHandle internet(OpenInternet("HTTP_Connect_2"));
  if (!internet) return -1;
  InternetHandle request(OpenUrl(internet, url, "", 0));
  if (!request) return -1;
  const int32_t size = QueryRemoteSize(request);
  net_standin::ViewerWriteLine("HTTP_GetFileSize=" + std::to_string(size) + "  " + url);
  return size;
}

void HTTP_DownloadFile_Incremental(HWND window, const std::string& url, const std::string& target,
                                   std::string& error, DownloadProgressProc progress,
                                   std::string& content) {
  net_standin::WaitPumping(100, 10);
  error.clear();
  content.clear();
  WarmUp(url);
  error = Download(window, url, target, progress, content);
  if (!error.empty()) {
    content.clear();
    net_standin::ViewerWriteLine(std::to_string(GetCurrentProcessId()) +
                                 " HTTP_DownloadFile_Incremental: " + error);
  }
}

void SetDownloadAbort(bool flag) { State().abort = flag; }

bool DownloadAborted() { return State().abort; }

void UnloadWinInet() { wininet::Unload(); }

std::string DescribeHtmlErrorPage(const std::string& file, const std::string& content,
                                  const std::string& url, const std::string& deflt) {
  const std::string data =
      !file.empty() && FileExists(file) ? net_standin::ReadFileToString(file, 10000) : content;
  return IsHtmlErrorPage(data) ? HtmlErrorPageText(url) : deflt;
}

}  // namespace velkor
