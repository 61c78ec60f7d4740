#pragma once
// The HTTP download client: connection test, remote size query, resumable download into a file or
// into memory with progress, speed text and abort flag, and the test that recognises an HTML error
// page delivered in place of a file. All network access goes through WinINet, bound at run time.
// Error texts carry message-box markup; callers show them or add to them.
#include <windows.h>

#include <cstdint>
#include <string>

namespace velkor {

// Progress procedure. kind 0 announces the start: range 0..`range`, initial `position`, each later
// step advancing by `step`. kind 1 reports one received chunk (advance one step; the numbers are
// 0). `reserved` is always 0; `text` is the current progress text in both kinds.
using DownloadProgressProc = void (*)(int kind, int reserved, int range, const std::string& text,
                                      int step, int position);

// True when the system reports a connection. On false, `reason` is the system's text for the last
// error code.
bool IsInternetConnected(std::string& reason);
bool IsInternetConnected();

// Remote Content-Length of `url`, or -1 when the Internet handle or the request cannot be opened
// or the header is missing.
int32_t HTTP_GetFileSize(const std::string& url);

// Downloads `url`. With a non-empty `target` the data goes to that file through a partial file
// named target + "." + (size + date) that a later call resumes; the target is replaced only by a
// complete transfer, and removed as soon as a new transfer into it starts, so a failed call never
// leaves an old or partial file under the target name. With an empty `target` the data arrives in
// `content`. `error` is empty exactly when the whole remote file arrived (or, for a download into
// a file, when the target now holds it). `window`, when given, is shown once the transfer starts.
void HTTP_DownloadFile_Incremental(HWND window, const std::string& url, const std::string& target,
                                   std::string& error, DownloadProgressProc progress,
                                   std::string& content);

// The process-wide abort flag, tested after every chunk. Callers clear it before a download.
void SetDownloadAbort(bool flag);
bool DownloadAborted();

// Releases WinINet; called once when the main loop has ended.
void UnloadWinInet();

// `deflt`, unless the data (the first 10000 bytes of `file` when that exists, else `content`) is an
// HTML error page; then the "404" text naming `url`.
std::string DescribeHtmlErrorPage(const std::string& file, const std::string& content,
                                  const std::string& url, const std::string& deflt);

}  // namespace velkor
