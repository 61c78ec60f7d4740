// Setup runs that meet a fault: the destination fills up, a volume is locked, the engine crashes
// or is killed, the setup file is cut short. In every case nothing is written outside the setup
// folder, the engine never starts on incomplete files and the stub ends with a clear message.
#include "setup_e2e_fixture.h"
// after <windows.h>, which the fixture brings
#include <tlhelp32.h>

#include <string>

#include "package/trailer.h"

namespace velkor {
namespace {

using namespace e2e;  // NOLINT: the shared fixtures and helpers of these tests

// Sets an environment variable for the programs this test starts, and puts it back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    char buf[4096];
    const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    had_ = n > 0 && n < sizeof buf;
    if (had_) old_.assign(buf, n);
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~ScopedEnv() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

// Number of files and folders directly in `folder`.
int EntriesIn(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") ++count;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return count;
}

// Id of the first running process whose file name is `exe`, 0 when there is none.
DWORD FindProcess(const char* exe) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD id = 0;
  for (BOOL more = Process32First(snap, &entry); more && id == 0;
       more = Process32Next(snap, &entry)) {
    if (lstrcmpiA(entry.szExeFile, exe) == 0) id = entry.th32ProcessID;
  }
  CloseHandle(snap);
  return id;
}

class FaultE2E : public MultiVolumeE2E {
 protected:
  // The setup file with one more file of `size` incompressible bytes after the engine.
  std::string WriteWithNoise(const std::string& name, size_t size) {
    const std::string src = dir_.File("noise.src");
    EXPECT_TRUE(WriteWholeFile(src, Noise(size, 7)));
    pack::PackageSpec layout = Layout(name);
    layout.files.push_back({"noise.bin", src, std::nullopt});
    return Write(layout);
  }
  // Ends with the engine not started and no setup folder left behind.
  void ExpectNoEngineAndNoSetupFolder(const std::string& setup) {
    EXPECT_TRUE(Records().empty());
    EXPECT_FALSE(FolderExists(SetupFolderFor(setup)));
  }
};

// The small drive S: that the test fixture mounts (a 4 MiB tmpfs); "" when it is there, else
// why it is not.
std::string SmallDriveUnavailable() {
  ULARGE_INTEGER free_bytes{}, total{};
  if (GetDiskFreeSpaceExA("S:\\", &free_bytes, &total, nullptr) &&
      total.QuadPart < 64ull * 1024 * 1024)
    return "";
  const std::string reason = ReadWholeFile(VELKOR_BINARY_DIR "/small-drive.unavailable");
  return reason.empty() ? "no small drive S: in this Wine prefix" : reason;
}

TEST_F(FaultE2E, DestinationFillingUpShowsTheSaveErrorAndStartsNoEngine) {
  if (const std::string why = SmallDriveUnavailable(); !why.empty()) GTEST_SKIP() << why;
  // 6 MB that cannot be compressed, into a 4 MiB drive; the space table is emptied so that the
  // stub does not see it coming and goes on to the write that fails.
  const std::string setup = WriteWithNoise("full.exe", 6000000);
  std::string data = ReadWholeFile(setup);
  const size_t table = data.size() - kTrailerSize + kTrailerSpaceTablePos;
  data.replace(table, 4 * kTrailerSpaceTableEntries, std::string(4 * kTrailerSpaceTableEntries, '\0'));
  ASSERT_TRUE(WriteWholeFile(setup, data));

  ScopedEnv tmp("TMP", "S:\\");
  ScopedEnv temp("TEMP", "S:\\");
  EXPECT_EQ(RunWithDriver(setup, "--count=2", kRunTimeoutMs, "/hide"), 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].at("text").find("noise.bin"), std::string::npos) << boxes[0].at("text");
  EXPECT_NE(boxes[0].at("text").find("Unable to save Extracted File!"), std::string::npos)
      << boxes[0].at("text");
  EXPECT_NE(boxes[1].at("text").find("Bad CRC!"), std::string::npos) << boxes[1].at("text");
  // The engine was written before the file that did not fit, and still never ran.
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(EntriesIn("S:"), 0) << "the setup folder is removed from the full drive";
}

TEST_F(FaultE2E, LockedVolumeEndsTheRunWithTheChecksumMessage) {
  const std::string setup = WriteSet("locked.exe");
  ASSERT_GE(volumes_.size(), 2u);
  // Another program holds the second volume open without sharing it.
  HANDLE lock = CreateFileA(volumes_[1].string().c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const long code = RunWithDriver(setup, "--count=1", kRunTimeoutMs, "/hide");
  CloseHandle(lock);
  EXPECT_EQ(code, 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].at("text").find("Bad CRC!"), std::string::npos) << boxes[0].at("text");
  ExpectNoEngineAndNoSetupFolder(setup);
}

TEST_F(FaultE2E, EngineCrashIsPassedOnAsTheExitCode) {
  const std::string setup = Write(Layout("crash.exe"));
  SetEngineOptions("/crash");
  EXPECT_EQ(static_cast<DWORD>(RunSetupFile(setup, "/hide")), EXCEPTION_ACCESS_VIOLATION);
  EXPECT_EQ(Records().size(), 1u);
  EXPECT_FALSE(FolderExists(SetupFolderFor(setup)));
}

TEST_F(FaultE2E, EngineKilledWhileTheStubWaits) {
  const std::string setup = Write(Layout("killed.exe"));
  SetEngineOptions("/sleep=60000");
  Process run;
  ASSERT_TRUE(run.Start("\"" + setup + "\" /hide"));
  DWORD engine = 0;
  for (int i = 0; i < 300 && engine == 0; ++i, Sleep(100)) engine = FindProcess("Engine.exe");
  ASSERT_NE(engine, 0u) << "the engine never started";
  HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, engine);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(TerminateProcess(h, 77));
  CloseHandle(h);
  DWORD code = 0;
  ASSERT_TRUE(run.Wait(20000, &code)) << "the stub went on waiting for an engine that is gone";
  EXPECT_EQ(code, 77u);
  EXPECT_TRUE(Records().empty());
  EXPECT_FALSE(FolderExists(SetupFolderFor(setup)));
}

// A setup file cut short, wherever the cut falls, is refused as corrupted: the trailer is lost,
// so the checksum cannot pass.
TEST_F(FaultE2E, TruncatedSetupFileStartsNoEngine) {
  const std::string full_name = WriteWithNoise("whole.exe", 100000);
  const std::string full = ReadWholeFile(full_name);
  const size_t data_offset = pack::GetLE32(full, full.size() - kTrailerSize + kTrailerDataOffsetPos);
  struct Cut {
    const char* label;
    size_t keep;
  } cuts[] = {
      {"in the middle of the trailer", full.size() - kTrailerSize / 2},
      {"just before the trailer", full.size() - kTrailerSize},
      {"in the middle of the payload", (data_offset + full.size()) / 2},
      {"at the start of the descriptor strings", data_offset},
  };
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.label);
    const std::string setup = dir_.File("cut.exe");
    ASSERT_TRUE(WriteWholeFile(setup, full.substr(0, cut.keep)));
    EXPECT_EQ(RunWithDriver(setup, "--count=1"), 0);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].at("text").find("Bad CRC!"), std::string::npos) << boxes[0].at("text");
    ExpectNoEngineAndNoSetupFolder(setup);
  }
}

}  // namespace
}  // namespace velkor
