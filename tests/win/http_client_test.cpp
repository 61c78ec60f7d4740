// The download client against the nginx that the ctest fixture starts on 127.0.0.1 (see
// scripts/nginx-fixture.sh). Each test serves its own files from the fixture's www folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/test_env_win.h"
#include "net/http_win.h"
#include "net/wininet_api_win.h"

namespace velkor {
namespace {

using test::FileExists;
using test::ReadWholeFile;
using test::ScratchDir;
using test::WriteWholeFile;

std::string FixtureDir() {
  std::string dir = std::string("Z:") + VELKOR_BINARY_DIR + "/nginx-fixture";
  for (char& c : dir) {
    if (c == '/') c = '\\';
  }
  return dir;
}

std::string FixtureValue(const char* name) {
  std::string v = ReadWholeFile(FixtureDir() + "\\" + name);
  while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
  return v;
}

std::string Url(const std::string& path) {
  return "http://127.0.0.1:" + FixtureValue("port") + "/" + path;
}

std::string WwwPath(const std::string& name) { return FixtureDir() + "\\www\\" + name; }

// Reproducible bytes that differ per seed.
std::string Bytes(size_t n, uint32_t seed) {
  std::string out(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : out) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return out;
}

uint64_t Hash(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

// Files in `dir` whose names start with `prefix` (the pattern "a.bin.*" also matches "a.bin").
std::vector<std::string> FilesLike(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\" + prefix + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && name.rfind(prefix, 0) == 0) {
      names.push_back(name);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

// nginx logs a request only after its last byte went out, which can be a moment after the client
// has read it: poll for the line.
bool AccessLogHas(const std::string& line) {
  for (int i = 0; i < 100; ++i) {
    if (ReadWholeFile(FixtureDir() + "\\logs\\access.log").find(line) != std::string::npos) {
      return true;
    }
    Sleep(20);
  }
  return false;
}

// What the progress procedure saw, and a hook run on every chunk.
struct ProgressLog {
  int starts = 0, steps = 0;
  int range = -1, step = -1, position = -1;
  std::string last_text;
  std::function<void(int)> on_chunk;  // gets the number of chunks so far
};
ProgressLog g_log;

void RecordProgress(int kind, int reserved, int range, const std::string& text, int step,
                     int position) {
  EXPECT_EQ(reserved, 0);
  g_log.last_text = text;
  if (kind == 0) {
    ++g_log.starts;
    g_log.range = range;
    g_log.step = step;
    g_log.position = position;
  } else if (kind == 1) {
    ++g_log.steps;
    if (g_log.on_chunk) g_log.on_chunk(g_log.steps);
  }
}

void AbortAfterChunks(int n) {
  g_log.on_chunk = [n](int chunks) {
    if (chunks == n) SetDownloadAbort(true);
  };
}

class HttpClient : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(FixtureValue("port").empty()) << "nginx fixture not running";
    SetDownloadAbort(false);
    g_log = ProgressLog();
  }
  void TearDown() override { SetDownloadAbort(false); }

  // Downloads into `target` ("" for memory); returns the error text.
  std::string Download(const std::string& url, const std::string& target,
                       std::string* content = nullptr) {
    std::string error, data;
    HTTP_DownloadFile_Incremental(nullptr, url, target, error, RecordProgress, data);
    if (content != nullptr) *content = data;
    return error;
  }

  ScratchDir dir_{"http"};
};

TEST_F(HttpClient, SizeQuery) {
  ASSERT_TRUE(WriteWholeFile(WwwPath("size.bin"), Bytes(12345, 1)));
  ASSERT_TRUE(WriteWholeFile(WwwPath("size.txt"), "chunked text"));
  const std::string closed = "http://127.0.0.1:" + FixtureValue("closed_port") + "/size.bin";
  struct Case {
    std::string url;
    int32_t size;
  } const kCases[] = {
      {Url("size.bin"), 12345},
      {Url("chunked/size.txt"), -1},  // no Content-Length
      {closed, -1},                   // connection refused
      {"http://127.0.0.1:0/x", -1},
  };
  for (const Case& c : kCases) EXPECT_EQ(HTTP_GetFileSize(c.url), c.size) << c.url;
  std::string reason = "x";
  EXPECT_TRUE(IsInternetConnected(reason));
  EXPECT_EQ(reason, "");
}

TEST_F(HttpClient, FullDownloadIsByteIdenticalAndLeavesNoPartialFile) {
  const std::string body = Bytes(300000, 2);
  ASSERT_TRUE(WriteWholeFile(WwwPath("full.bin"), body));
  const std::string target = dir_.File("full.bin");
  EXPECT_EQ(Download(Url("full.bin"), target), "");
  EXPECT_EQ(Hash(ReadWholeFile(target)), Hash(body));
  EXPECT_EQ(FilesLike(dir_.path(), "full.bin"), std::vector<std::string>{"full.bin"});
  // 300000 / 10240 = 29.3 chunks: range 30, starting at 0, one step per chunk.
  EXPECT_EQ(g_log.starts, 1);
  EXPECT_EQ(g_log.range, 30);
  EXPECT_EQ(g_log.step, 1);
  EXPECT_EQ(g_log.position, 0);
  EXPECT_EQ(g_log.steps, 30);
  EXPECT_EQ(g_log.last_text.rfind("300000/300000 Bytes   ", 0), 0u) << g_log.last_text;

  // The same into memory: nothing is written anywhere.
  g_log = ProgressLog();
  std::string content;
  EXPECT_EQ(Download(Url("full.bin"), "", &content), "");
  EXPECT_EQ(Hash(content), Hash(body));
  EXPECT_EQ(content.size(), body.size());
  EXPECT_EQ(FilesLike(dir_.path(), ""), std::vector<std::string>{"full.bin"});
}

TEST_F(HttpClient, TinyFilesDownloadWithOneByteChunks) {
  for (const std::string& body : {std::string("1234567"), std::string("x")}) {
    ASSERT_TRUE(WriteWholeFile(WwwPath("tiny.bin"), body));
    g_log = ProgressLog();
    const std::string target = dir_.File("tiny" + std::to_string(body.size()) + ".bin");
    EXPECT_EQ(Download(Url("tiny.bin"), target), "");
    EXPECT_EQ(ReadWholeFile(target), body);
    EXPECT_EQ(g_log.range, static_cast<int>(body.size()) + 1);
    EXPECT_EQ(g_log.steps, static_cast<int>(body.size()));
  }
}

TEST_F(HttpClient, AbortedDownloadResumesWithRangeToIdenticalFile) {
  const std::string body = Bytes(200000, 3);
  ASSERT_TRUE(WriteWholeFile(WwwPath("resume.bin"), body));
  const std::string target = dir_.File("resume.bin");
  ASSERT_TRUE(WriteWholeFile(target, "an older download"));

  AbortAfterChunks(5);
  EXPECT_EQ(Download(Url("resume.bin"), target), "Download Aborted");
  EXPECT_TRUE(DownloadAborted());
  // The old file is gone and the partial file holds exactly the five chunks received.
  const auto partials = FilesLike(dir_.path(), "resume.bin.");
  ASSERT_EQ(partials.size(), 1u);
  EXPECT_FALSE(FileExists(target));
  EXPECT_EQ(ReadWholeFile(dir_.File(partials[0])), body.substr(0, 5 * 10240));

  SetDownloadAbort(false);
  g_log = ProgressLog();
  EXPECT_EQ(Download(Url("resume.bin"), target), "");
  EXPECT_EQ(Hash(ReadWholeFile(target)), Hash(body));
  EXPECT_EQ(g_log.position, 5);
  EXPECT_EQ(g_log.steps, 15);  // the remaining 148800 bytes
  EXPECT_TRUE(FilesLike(dir_.path(), "resume.bin.").empty());
  EXPECT_TRUE(AccessLogHas("GET /resume.bin HTTP/1.1 \"bytes=51200-\" 206 148800"));
}

TEST_F(HttpClient, ServerIgnoringRangeRestartsFromTheFirstByte) {
  const std::string body = Bytes(150000, 4);
  ASSERT_TRUE(WriteWholeFile(WwwPath("norange.bin"), body));
  const std::string target = dir_.File("norange.bin");
  AbortAfterChunks(3);
  EXPECT_EQ(Download(Url("norange/norange.bin"), target), "Download Aborted");
  const auto partials = FilesLike(dir_.path(), "norange.bin.");
  ASSERT_EQ(partials.size(), 1u);
  // Spoil the kept bytes: appending the rest of a 200 answer to them would keep the damage.
  const std::string partial = dir_.File(partials[0]);
  ASSERT_TRUE(WriteWholeFile(partial, std::string(ReadWholeFile(partial).size(), 'X')));

  SetDownloadAbort(false);
  g_log = ProgressLog();
  EXPECT_EQ(Download(Url("norange/norange.bin"), target), "");
  EXPECT_EQ(Hash(ReadWholeFile(target)), Hash(body));
  EXPECT_EQ(g_log.position, 0);
  EXPECT_EQ(g_log.steps, 15);
}

TEST_F(HttpClient, ReplacedRemoteFileDropsTheOldPartialFile) {
  ASSERT_TRUE(WriteWholeFile(WwwPath("replaced.bin"), Bytes(100000, 5)));
  const std::string target = dir_.File("replaced.bin");
  AbortAfterChunks(2);
  EXPECT_EQ(Download(Url("replaced.bin"), target), "Download Aborted");
  const auto old_partials = FilesLike(dir_.path(), "replaced.bin.");
  ASSERT_EQ(old_partials.size(), 1u);

  const std::string body = Bytes(120000, 6);
  ASSERT_TRUE(WriteWholeFile(WwwPath("replaced.bin"), body));
  SetDownloadAbort(false);
  g_log = ProgressLog();
  EXPECT_EQ(Download(Url("replaced.bin"), target), "");
  EXPECT_EQ(Hash(ReadWholeFile(target)), Hash(body));
  EXPECT_EQ(g_log.position, 0);
  EXPECT_EQ(FilesLike(dir_.path(), "replaced.bin"), std::vector<std::string>{"replaced.bin"});
}

TEST_F(HttpClient, DroppedConnectionIsAnIncompleteDownloadThatResumes) {
  const std::string body = Bytes(400000, 7);
  const std::string served = WwwPath("dropped.bin");
  ASSERT_TRUE(WriteWholeFile(served, body));
  FILETIME stamp = {};
  {
    HANDLE h = CreateFileA(served.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    GetFileTime(h, nullptr, nullptr, &stamp);
    CloseHandle(h);
  }
  // Truncating the file while nginx sends it makes nginx close the connection early.
  g_log.on_chunk = [&](int chunks) {
    if (chunks == 2) WriteWholeFile(served, "");
  };
  const std::string target = dir_.File("dropped.bin");
  const std::string url = Url("slow/dropped.bin");
  const std::string error = Download(url, target);
  EXPECT_EQ(error.rfind("Download Incomplete (", 0), 0u) << error;
  EXPECT_NE(error.find("/400000 Bytes) <P>URL: " + url), std::string::npos) << error;
  EXPECT_FALSE(FileExists(target));
  const auto partials = FilesLike(dir_.path(), "dropped.bin.");
  ASSERT_EQ(partials.size(), 1u);
  const std::string kept = ReadWholeFile(dir_.File(partials[0]));
  EXPECT_GE(kept.size(), 2u * 10240);
  EXPECT_LT(kept.size(), body.size());
  EXPECT_EQ(kept, body.substr(0, kept.size()));

  // The same file is back (same date): the next call continues where the transfer broke off.
  ASSERT_TRUE(WriteWholeFile(served, body));
  {
    HANDLE h = CreateFileA(served.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &stamp);
    CloseHandle(h);
  }
  g_log = ProgressLog();
  EXPECT_EQ(Download(Url("dropped.bin"), target), "");
  EXPECT_EQ(Hash(ReadWholeFile(target)), Hash(body));
  EXPECT_GT(g_log.position, 0);
}

TEST_F(HttpClient, NotFoundPageIsRecognisedAfterTheDownload) {
  const std::string url = Url("no-such-file.exe");
  const std::string target = dir_.File("setup.exe");
  // The server's error page arrives like any file; callers then recognise it.
  EXPECT_EQ(Download(url, target), "");
  ASSERT_TRUE(FileExists(target));
  EXPECT_EQ(DescribeHtmlErrorPage(target, "", url, "Bad Secret Token!"),
            "<B>404 File Not Found...</B><P><P>URL:  " + url +
                ".<P><P>Please make sure the file is available and access is allowed to this "
                "file.");
  std::string content;
  EXPECT_EQ(Download(url, "", &content), "");
  EXPECT_NE(DescribeHtmlErrorPage("", content, url, "dflt"), "dflt");

  // A real file is not a page; a missing file falls back to the content.
  ASSERT_TRUE(WriteWholeFile(dir_.File("ok.exe"), "MZ not a page"));
  EXPECT_EQ(DescribeHtmlErrorPage(dir_.File("ok.exe"), content, url, "dflt"), "dflt");
  EXPECT_NE(DescribeHtmlErrorPage(dir_.File("missing.exe"), content, url, "dflt"), "dflt");
}

TEST_F(HttpClient, ChunkedAnswerWithoutLengthIsFileNotFound) {
  ASSERT_TRUE(WriteWholeFile(WwwPath("chunked.txt"), "some text served chunked"));
  const std::string url = Url("chunked/chunked.txt");
  const std::string target = dir_.File("chunked.txt");
  ASSERT_TRUE(WriteWholeFile(target, "kept"));
  EXPECT_EQ(Download(url, target), url + "<P><P>File Not Found !");
  EXPECT_EQ(ReadWholeFile(target), "kept");
  EXPECT_EQ(FilesLike(dir_.path(), ""), std::vector<std::string>{"chunked.txt"});
  EXPECT_EQ(g_log.starts, 0);
}

TEST_F(HttpClient, ConnectionRefusedLeavesFilesAlone) {
  const std::string url = "http://127.0.0.1:" + FixtureValue("closed_port") + "/setup.exe";
  const std::string target = dir_.File("setup.exe");
  ASSERT_TRUE(WriteWholeFile(target, "kept"));
  std::string content = "stale";
  std::string error;
  HTTP_DownloadFile_Incremental(nullptr, url, target, error, RecordProgress, content);
  EXPECT_EQ(error, "Unable to open Internet Connection <P>URL: " + url);
  EXPECT_EQ(content, "");
  EXPECT_EQ(ReadWholeFile(target), "kept");
}

TEST_F(HttpClient, MissingLibraryCannotInitialise) {
  wininet::UseLibraryForTesting("velkor-missing-inet.dll");
  std::string error, content, reason;
  HTTP_DownloadFile_Incremental(nullptr, Url("x"), dir_.File("x"), error, nullptr, content);
  const int32_t size = HTTP_GetFileSize(Url("x"));
  const bool connected = IsInternetConnected(reason);
  wininet::UseLibraryForTesting("WinINet.dll");
  EXPECT_EQ(error, "Unable to initialize \"WinINet.dll\"");
  EXPECT_EQ(size, -1);
  EXPECT_FALSE(connected);
  EXPECT_FALSE(FileExists(dir_.File("x")));
  // Bound again by name on the next use.
  EXPECT_TRUE(IsInternetConnected());
}

// A window whose timer sets the abort flag, as the main window's close handling does: the flag
// must be seen while a slow transfer runs, which needs the messages dispatched during it.
LRESULT CALLBACK AbortingWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    KillTimer(hwnd, wp);
    SetDownloadAbort(true);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(HttpClient, AbortFlagSetByAWindowStopsASlowTransfer) {
  const std::string body = Bytes(2000000, 8);  // about 30 s at the slow location's rate
  ASSERT_TRUE(WriteWholeFile(WwwPath("slow.bin"), body));
  WNDCLASSA wc = {};
  wc.lpfnWndProc = AbortingWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VelkorHttpAbortTest";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowA(wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            wc.hInstance, nullptr);
  ASSERT_NE(hwnd, nullptr);
  SetTimer(hwnd, 1, 700, nullptr);

  const std::string target = dir_.File("slow.bin");
  const DWORD start = GetTickCount();
  std::string error, content;
  HTTP_DownloadFile_Incremental(hwnd, Url("slow/slow.bin"), target, error, RecordProgress, content);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_TRUE(IsWindowVisible(hwnd));  // the owner window is shown while it runs
  DestroyWindow(hwnd);

  EXPECT_EQ(error, "Download Aborted");
  EXPECT_LT(elapsed, 15000u);
  EXPECT_FALSE(FileExists(target));
  const auto partials = FilesLike(dir_.path(), "slow.bin.");
  ASSERT_EQ(partials.size(), 1u);
  const std::string kept = ReadWholeFile(dir_.File(partials[0]));
  EXPECT_GT(kept.size(), 0u);
  EXPECT_EQ(kept, body.substr(0, kept.size()));
}

}  // namespace
}  // namespace velkor
