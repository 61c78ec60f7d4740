// Internet packages end to end: the real stub written as an internet package, the real setup file
// served by the nginx of the ctest fixture, the helper engine and the message-box driver.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/dialog_record.h"
#include "common/test_env_win.h"
#include "package_format.h"
#include "package_writer.h"
#include "setup_e2e_fixture.h"

namespace velkor {
namespace {

using test::BinPath;
using test::FileExists;
using test::Process;
using test::ReadWholeFile;
using test::ScratchDir;
using test::WriteWholeFile;

using e2e::FileDosDate;
using e2e::kRunTimeoutMs;
using e2e::TempFolder;

const char kToken[] = "inet-token-A";
const char kOtherToken[] = "inet-token-B";

std::string FixtureDir() {
  std::string dir = std::string("Z:") + VELKOR_BINARY_DIR + "/nginx-fixture";
  for (char& c : dir)
    if (c == '/') c = '\\';
  return dir;
}

std::string FixtureValue(const char* name) {
  std::string v = ReadWholeFile(FixtureDir() + "\\" + name);
  while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
  return v;
}

std::string ServerBase() { return "http://127.0.0.1:" + FixtureValue("port"); }

// Files in `folder` named `name` + "." + anything (the client's partial files).
std::vector<std::string> PartialFiles(const std::string& folder, const std::string& name) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + name + ".*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return found;
  do {
    if (std::string(fd.cFileName) != name) found.push_back(folder + fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return found;
}

std::string Megabytes(double bytes) {
  const double mb = bytes / 1048576.0;
  char buf[64];
  std::snprintf(buf, sizeof buf, mb > 10 ? "%.1f" : (mb < 1 ? "%.3f" : "%.2f"), mb);
  return buf;
}

std::string RandomBytes(size_t n, uint32_t seed) {
  std::string out(n, '\0');
  uint32_t x = seed * 2654435761u + 7;
  for (char& c : out) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return out;
}

class InternetSetupE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(FixtureValue("port").empty()) << "nginx fixture not running";
    name_ = std::string("inet_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".exe";
    record_ = dir_.File("record.txt");
    boxes_ = dir_.File("boxes.txt");
    SetEnvironmentVariableA("VELKOR_ENGINE_RECORD", record_.c_str());
    SetEnvironmentVariableA("VELKOR_ENGINE_OPTIONS", nullptr);
    CleanTemp();
    DeleteFileA(WwwPath().c_str());
    log_start_ = ReadWholeFile(AccessLog()).size();
  }
  void TearDown() override {
    if (driver_.handle()) driver_.Kill();
    CleanTemp();
    DeleteFileA(WwwPath().c_str());
    SetEnvironmentVariableA("VELKOR_ENGINE_RECORD", nullptr);
    SetEnvironmentVariableA("VELKOR_ENGINE_OPTIONS", nullptr);
  }

  std::string WwwPath() const { return FixtureDir() + "\\www\\" + name_; }
  static std::string AccessLog() { return FixtureDir() + "\\logs\\access.log"; }
  std::string TempTarget() const { return TempFolder() + name_; }
  void CleanTemp() {
    DeleteFileA(TempTarget().c_str());
    for (const std::string& p : PartialFiles(TempFolder(), name_)) DeleteFileA(p.c_str());
  }

  // A real setup file carrying `token`, with `extra` bytes of incompressible payload.
  std::string RealPackage(const std::string& file, const std::string& token, size_t extra = 0,
                          uint32_t seed = 1) {
    const std::string readme = dir_.File("readme.src");
    EXPECT_TRUE(WriteWholeFile(readme, "read me\r\n"));
    pack::PackageSpec spec;
    spec.stub = BinPath("velkor-stub.exe");
    spec.output = dir_.File(file);
    spec.files.push_back({"Engine.exe", BinPath("test_engine.exe"), std::nullopt});
    spec.files.push_back({"readme.txt", readme, std::nullopt});
    if (extra > 0) {
      const std::string big = dir_.File(file + ".big");
      EXPECT_TRUE(WriteWholeFile(big, RandomBytes(extra, seed)));
      spec.files.push_back({"big.bin", big, std::nullopt});
      spec.level = 0;
    }
    spec.engine = "Engine.exe";
    spec.internet_info = pack::InternetInfoSpec{"http://unused", name_, false, token, "0"};
    const pack::PackResult result = pack::WritePackage(spec);
    EXPECT_TRUE(result.ok()) << result.error;
    return spec.output.string();
  }

  void Serve(const std::string& file) {
    ASSERT_TRUE(WriteWholeFile(WwwPath(), ReadWholeFile(file)));
  }

  // The internet stub for `real` that downloads from `base` (a folder address).
  std::string InternetStub(const std::string& real, const std::string& base, bool ask,
                           bool always_download = false) {
    pack::InternetPackageSpec spec;
    spec.stub = BinPath("velkor-stub.exe");
    spec.output = dir_.File("stub_" + name_);
    spec.real_setup = real;
    spec.setup_url = base;
    spec.setup_file_name = name_;
    spec.always_download = always_download;
    spec.ask_before_download = ask;
    const pack::PackResult result = pack::WriteInternetPackage(spec);
    EXPECT_TRUE(result.ok()) << result.error;
    return spec.output.string();
  }

  long Run(const std::string& stub, const std::string& args = "") {
    return test::RunAndWait("\"" + stub + "\"" + (args.empty() ? "" : " " + args), kRunTimeoutMs);
  }

  void StartDriver(const std::string& args) {
    driver_ = Process();
    ASSERT_TRUE(driver_.Start("\"" + BinPath("dialog_driver.exe") + "\" --out=" + boxes_ +
                              " --timeout=30000 " + args));
  }
  std::vector<test::DialogRecord> Boxes() {
    driver_.Wait(40000);
    return test::ReadDialogRecords(boxes_);
  }

  // Engine records: key=value maps, one per engine start.
  std::vector<std::map<std::string, std::string>> Records() {
    std::vector<std::map<std::string, std::string>> records(1);
    const std::string text = ReadWholeFile(record_);
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(pos, end - pos);
      pos = end + 1;
      if (line == "end") records.emplace_back();
      const size_t eq = line.find('=');
      if (eq != std::string::npos) records.back()[line.substr(0, eq)] = line.substr(eq + 1);
    }
    records.pop_back();
    return records;
  }

  // Access log lines of this test that ask for its file.
  std::vector<std::string> Requests() {
    const std::string log = ReadWholeFile(AccessLog()).substr(log_start_);
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < log.size()) {
      size_t end = log.find('\n', pos);
      if (end == std::string::npos) end = log.size();
      const std::string line = log.substr(pos, end - pos);
      pos = end + 1;
      if (line.find("/" + name_ + " ") != std::string::npos) lines.push_back(line);
    }
    return lines;
  }
  // Requests that transferred the body (not the one-byte warm-up).
  std::vector<std::string> BodyRequests() {
    std::vector<std::string> out;
    for (const std::string& line : Requests())
      if (line.find("\"bytes=0-0\"") == std::string::npos) out.push_back(line);
    return out;
  }

  std::string SetupFolderFor(const std::string& stub) const {
    return TempFolder() + "SETUP_" + std::to_string(FileDosDate(stub) & 0xFFFF);
  }

  ScratchDir dir_{"inet_e2e"};
  std::string name_;
  std::string record_;
  std::string boxes_;
  size_t log_start_ = 0;
  Process driver_;
};

TEST_F(InternetSetupE2E, AnsweredYesDownloadsChecksTheTokenRunsTheSetupAndDeletesTheDownload) {
  const std::string real = RealPackage("real.exe", kToken);
  Serve(real);
  const std::string stub = InternetStub(real, ServerBase(), true);
  SetEnvironmentVariableA("VELKOR_ENGINE_OPTIONS", "/exit=7");
  StartDriver("--count=1 --box=click:Yes");
  ASSERT_EQ(Run(stub, "/lang=x"), 7);

  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  const std::string text = boxes[0].Get("text");
  EXPECT_NE(text.find("INTERNET DOWNLOAD"), std::string::npos) << text;
  const std::string size_line =
      "Size: " + Megabytes(static_cast<double>(ReadWholeFile(real).size())) + " MB";
  EXPECT_NE(text.find(size_line), std::string::npos) << text << "\nwanted: " << size_line;
  EXPECT_EQ(boxes[0].Get("title"), "Confirm");

  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  const std::string token = records[0].at("token");
  EXPECT_EQ(records[0].at("cmdline"), SetupFolderFor(stub) + "\\Engine.exe /lang=x /TH_ID=" +
                                          token + " /OriginExe=\"" + stub + "\"");
  EXPECT_EQ(records[0].at("show"), "5");
  const auto body = BodyRequests();
  ASSERT_EQ(body.size(), 1u);
  EXPECT_NE(body[0].find(" 200 " + std::to_string(ReadWholeFile(real).size())), std::string::npos)
      << body[0];
  EXPECT_FALSE(FileExists(TempTarget())) << "the download is deleted after the run";
  EXPECT_TRUE(PartialFiles(TempFolder(), name_).empty());
}

TEST_F(InternetSetupE2E, DeclinedDownloadsNothingAndShowsNoMessage) {
  const std::string real = RealPackage("real.exe", kToken);
  Serve(real);
  const std::string stub = InternetStub(real, ServerBase(), true);
  StartDriver("--count=1 --box=click:No");
  // A further message would stay unanswered and keep the stub from ending.
  ASSERT_EQ(Run(stub), 0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(Records().empty());
  EXPECT_TRUE(Requests().empty());
  EXPECT_FALSE(FileExists(TempTarget()));
}

TEST_F(InternetSetupE2E, HiddenRunAsksNothingAndStartsTheEngineHidden) {
  const std::string real = RealPackage("real.exe", kToken);
  Serve(real);
  const std::string stub = InternetStub(real, ServerBase(), true);
  ASSERT_EQ(Run(stub, "/hide"), 0);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].at("cmdline").find("\\Engine.exe /hide /TH_ID=_"), std::string::npos)
      << records[0].at("cmdline");
  EXPECT_EQ(records[0].at("show"), "0");
  EXPECT_EQ(BodyRequests().size(), 1u);
  EXPECT_FALSE(FileExists(TempTarget()));
}

TEST_F(InternetSetupE2E, LocalCopyBesideTheStubIsUsedWithoutDownloadAndKept) {
  const std::string real = RealPackage("real.exe", kToken);
  // Nothing is served: a download would fail with a message and keep the stub from ending.
  const std::string stub = InternetStub(real, ServerBase(), true, false);
  const std::string local = dir_.File(name_);
  ASSERT_TRUE(CopyFileA(real.c_str(), local.c_str(), FALSE));
  ASSERT_EQ(Run(stub, "/hide"), 0);
  EXPECT_EQ(Records().size(), 1u);
  EXPECT_TRUE(Requests().empty());
  EXPECT_EQ(ReadWholeFile(local), ReadWholeFile(real)) << "the local copy is not deleted";
}

TEST_F(InternetSetupE2E, LocalCopyOfAnotherPackageIsRefusedAndKept) {
  const std::string real = RealPackage("real.exe", kToken);
  const std::string foreign = RealPackage("foreign.exe", kOtherToken);
  const std::string stub = InternetStub(real, ServerBase(), false, false);
  const std::string local = dir_.File(name_);
  ASSERT_TRUE(CopyFileA(foreign.c_str(), local.c_str(), FALSE));
  StartDriver("--count=1 --box=click:OK");
  ASSERT_EQ(Run(stub), 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].Get("text").find("Bad Secret Token!"), std::string::npos);
  EXPECT_TRUE(Records().empty());
  EXPECT_TRUE(Requests().empty());
  EXPECT_TRUE(FileExists(local));
}

TEST_F(InternetSetupE2E, AlwaysDownloadIgnoresTheLocalCopy) {
  const std::string real = RealPackage("real.exe", kToken);
  const std::string foreign = RealPackage("foreign.exe", kOtherToken);
  Serve(real);
  const std::string stub = InternetStub(real, ServerBase(), false, true);
  // Were the local copy taken, its token would not match and a message would stop the run.
  const std::string local = dir_.File(name_);
  ASSERT_TRUE(CopyFileA(foreign.c_str(), local.c_str(), FALSE));
  ASSERT_EQ(Run(stub, "/hide"), 0);
  EXPECT_EQ(Records().size(), 1u);
  EXPECT_EQ(BodyRequests().size(), 1u);
  EXPECT_EQ(ReadWholeFile(local), ReadWholeFile(foreign));
  EXPECT_FALSE(FileExists(TempTarget()));
}

TEST_F(InternetSetupE2E, ServedFileFailingTheChecksIsReportedAndDeleted) {
  struct Case {
    const char* name;
    bool serve_foreign;     // else nothing is served: nginx answers with its 404 page
    const char* must_show;
    const char* must_not_show;
  } cases[] = {
      {"another package", true, "Bad Secret Token!", "404"},
      {"missing file", false, "404 File Not Found...", "Bad Secret Token!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string real = RealPackage("real.exe", kToken);
    DeleteFileA(WwwPath().c_str());
    if (c.serve_foreign) Serve(RealPackage("foreign.exe", kOtherToken));
    const std::string stub = InternetStub(real, ServerBase(), false);
    StartDriver("--count=1 --box=click:OK");
    ASSERT_EQ(Run(stub), 0);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    const std::string text = boxes[0].Get("text");
    EXPECT_NE(text.find(c.must_show), std::string::npos) << text;
    EXPECT_EQ(text.find(c.must_not_show), std::string::npos) << text;
    if (!c.serve_foreign) {
      EXPECT_NE(text.find("URL:  " + ServerBase() + "/" + name_ + "."), std::string::npos) << text;
    }
    EXPECT_EQ(boxes[0].Get("title"), "Error");
    EXPECT_TRUE(Records().empty());
    EXPECT_FALSE(FileExists(TempTarget())) << "a file that was downloaded whole is deleted";
  }
}

TEST_F(InternetSetupE2E, ResponseWithoutContentLengthIsNotFound) {
  const std::string real = RealPackage("real.exe", kToken);
  Serve(real);
  const std::string stub = InternetStub(real, ServerBase() + "/chunked", false);
  StartDriver("--count=1 --box=click:OK");
  ASSERT_EQ(Run(stub), 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  const std::string text = boxes[0].Get("text");
  EXPECT_NE(text.find(ServerBase() + "/chunked/" + name_), std::string::npos) << text;
  EXPECT_NE(text.find("File Not Found !"), std::string::npos) << text;
  EXPECT_TRUE(Records().empty());
  EXPECT_FALSE(FileExists(TempTarget()));
}

// Downloads through the slowed location, so a test can interrupt the transfer.
class InterruptedDownloadE2E : public InternetSetupE2E {
 protected:
  static constexpr size_t kExtra = 400000;

  // Starts the stub, waits until part of the file has arrived and the progress bar has moved,
  // then closes the main window once; the stub reports the abort and ends. Returns the partial
  // file left behind.
  std::string RunAndInterrupt(const std::string& stub) {
    StartDriver("--count=1 --box=click:OK");
    Process run;
    EXPECT_TRUE(run.Start("\"" + stub + "\""));
    std::string partial;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000) {
      const auto found = PartialFiles(TempFolder(), name_);
      if (found.size() == 1 && ReadWholeFile(found[0]).size() >= 60000) {
        partial = found[0];
        break;
      }
      Sleep(50);
    }
    EXPECT_FALSE(partial.empty()) << "the download did not start";
    HWND window = FindWindowA(stub.c_str(), nullptr);
    EXPECT_NE(window, nullptr);
    ExpectProgressMoved(window);
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(run.Wait(kRunTimeoutMs, &code));
    EXPECT_EQ(code, 0u);
    const auto boxes = Boxes();
    EXPECT_EQ(boxes.size(), 1u);
    if (!boxes.empty()) {
      EXPECT_NE(boxes[0].Get("text").find("Download Aborted"), std::string::npos);
    }
    return partial;
  }

  static void ExpectProgressMoved(HWND window) {
    int moved = 0;
    for (HWND bar = FindWindowExA(window, nullptr, PROGRESS_CLASSA, nullptr); bar;
         bar = FindWindowExA(window, bar, PROGRESS_CLASSA, nullptr)) {
      const LRESULT pos = SendMessageA(bar, PBM_GETPOS, 0, 0);
      const LRESULT high = SendMessageA(bar, PBM_GETRANGE, FALSE, 0);
      if (pos > 0 && pos <= high) ++moved;
    }
    EXPECT_GE(moved, 1) << "no progress bar follows the download";
  }

  // Runs the stub to the end; returns the downloaded file as it was while the engine ran.
  std::string RunToEnd(const std::string& stub) {
    SetEnvironmentVariableA("VELKOR_ENGINE_OPTIONS", "/sleep=3000");
    Process run;
    EXPECT_TRUE(run.Start("\"" + stub + "\""));
    EXPECT_TRUE(test::WaitForFile(TempTarget(), kRunTimeoutMs));
    const std::string downloaded = ReadWholeFile(TempTarget());
    DWORD code = 1;
    EXPECT_TRUE(run.Wait(kRunTimeoutMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_FALSE(FileExists(TempTarget()));
    EXPECT_TRUE(PartialFiles(TempFolder(), name_).empty());
    return downloaded;
  }
};

TEST_F(InterruptedDownloadE2E, CloseAbortsKeepsThePartialFileAndTheNextRunResumes) {
  const std::string real = RealPackage("real.exe", kToken, kExtra);
  Serve(real);
  const std::string stub = InternetStub(real, ServerBase() + "/slow", false);
  const std::string partial = RunAndInterrupt(stub);
  ASSERT_FALSE(partial.empty());
  const size_t kept = ReadWholeFile(partial).size();
  const std::string whole = ReadWholeFile(real);
  EXPECT_LT(kept, whole.size());
  EXPECT_EQ(ReadWholeFile(partial), whole.substr(0, kept));
  EXPECT_TRUE(Records().empty()) << "an aborted download never runs";
  EXPECT_FALSE(FileExists(TempTarget()));

  EXPECT_EQ(RunToEnd(stub), whole);
  bool resumed = false;
  for (const std::string& line : BodyRequests())
    if (line.find("\"bytes=" + std::to_string(kept) + "-\" 206") != std::string::npos)
      resumed = true;
  EXPECT_TRUE(resumed) << "the second run asks for the missing part only";
}

TEST_F(InterruptedDownloadE2E, ReplacedRemoteFileStartsAFreshDownload) {
  const std::string real = RealPackage("real.exe", kToken, kExtra);
  Serve(real);
  const std::string stub = InternetStub(real, ServerBase() + "/slow", false);
  const std::string partial = RunAndInterrupt(stub);
  ASSERT_FALSE(partial.empty());

  // A rebuilt package of the same product, of another size.
  const std::string rebuilt = RealPackage("rebuilt.exe", kToken, kExtra - 1000, 2);
  Serve(rebuilt);
  const size_t requests_before = BodyRequests().size();
  EXPECT_EQ(RunToEnd(stub), ReadWholeFile(rebuilt));
  EXPECT_FALSE(FileExists(partial)) << "the partial file of the old remote file is removed";
  const auto body = BodyRequests();
  ASSERT_EQ(body.size(), requests_before + 1);
  EXPECT_NE(body.back().find("\"-\" 200"), std::string::npos) << body.back();
}

}  // namespace
}  // namespace velkor
