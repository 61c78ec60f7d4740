#pragma once
// Shared by the end-to-end tests of whole setup runs: real packages written with the package
// writer, the real stub started as its own process, the helper engine recording what it saw and
// the message-box driver answering the stub's boxes.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/test_env_win.h"
#include "package_format.h"
#include "package_writer.h"

namespace velkor::e2e {
using test::BinPath;
using test::FileExists;
using test::Process;
using test::ReadWholeFile;
using test::ScratchDir;
using test::WriteWholeFile;

inline constexpr DWORD kRunTimeoutMs = 60000;
inline const uint32_t kReadmeDate = pack::DosDateTime(2024, 3, 5, 10, 20, 30);

// One engine record: the key=value lines up to "end" ("file" keys collected apart).
struct EngineRecord {
  std::map<std::string, std::string> values;
  std::vector<std::string> files;
};

// Random, incompressible bytes, the same for the same seed.
inline std::string Noise(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  return bytes;
}

inline std::vector<EngineRecord> ParseRecords(const std::string& text) {
  std::vector<EngineRecord> records;
  EngineRecord current;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line == "end") {
      records.push_back(current);
      current = EngineRecord{};
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (line.substr(0, eq) == "file")
      current.files.push_back(line.substr(eq + 1));
    else
      current.values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return records;
}

inline std::string TempFolder() {
  char buf[MAX_PATH * 2];
  DWORD n = GetTempPathA(sizeof buf, buf);
  return std::string(buf, n);
}

inline uint32_t FileDosDate(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  FILETIME local;
  WORD date = 0, time = 0;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToDosDateTime(&local, &date, &time);
  return (static_cast<uint32_t>(date) << 16) | time;
}

inline bool FolderExists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

class SetupRunE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    record_ = dir_.File("record.txt");
    SetEnvironmentVariableA("VELKOR_ENGINE_RECORD", record_.c_str());
    SetEnvironmentVariableA("VELKOR_ENGINE_OPTIONS", nullptr);
    readme_ = dir_.File("readme.src");
    ASSERT_TRUE(WriteWholeFile(readme_, "read me\r\n"));
  }
  void TearDown() override {
    SetEnvironmentVariableA("VELKOR_ENGINE_RECORD", nullptr);
    SetEnvironmentVariableA("VELKOR_ENGINE_OPTIONS", nullptr);
  }

  pack::PackageSpec Layout(const std::string& name) {
    pack::PackageSpec layout;
    layout.stub = BinPath("velkor-stub.exe");
    layout.output = dir_.File(name);
    layout.files.push_back({"Engine.exe", BinPath("test_engine.exe"), std::nullopt});
    layout.files.push_back({"readme.txt", readme_, kReadmeDate});
    layout.engine = "Engine.exe";
    return layout;
  }

  std::string Write(const pack::PackageSpec& layout) {
    pack::PackResult result = pack::WritePackage(layout);
    EXPECT_TRUE(result.ok()) << result.error;
    return layout.output.string();
  }

  // Runs the setup file with `args`; returns its exit code (-2 when it had to be killed).
  long RunSetupFile(const std::string& path, const std::string& args = "") {
    return test::RunAndWait("\"" + path + "\"" + (args.empty() ? "" : " " + args), kRunTimeoutMs);
  }

  std::vector<EngineRecord> Records() { return ParseRecords(ReadWholeFile(record_)); }

  // The setup folder the stub uses for `setup_file`.
  static std::string SetupFolderFor(const std::string& setup_file) {
    return TempFolder() + "SETUP_" + std::to_string(FileDosDate(setup_file) & 0xFFFF);
  }

  void SetEngineOptions(const std::string& options) {
    SetEnvironmentVariableA("VELKOR_ENGINE_OPTIONS", options.c_str());
  }

  ScratchDir dir_{"setup_e2e"};
  std::string record_;
  std::string readme_;
};


// What the message-box driver recorded: one map per box, values unescaped where it matters.
inline std::vector<std::map<std::string, std::string>> ParseBoxes(const std::string& text) {
  std::vector<std::map<std::string, std::string>> boxes;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    if (key == "box") boxes.emplace_back();
    if (!boxes.empty()) boxes.back()[key] = line.substr(eq + 1);
  }
  return boxes;
}

// Runs the message-box driver beside a setup run.
class DialogRunE2E : public SetupRunE2E {
 protected:
  // Answers the boxes of process `pid` only, so runs in parallel do not take each other's.
  void StartDriver(const std::string& args, DWORD pid) {
    boxes_file_ = dir_.File("boxes.txt");
    ASSERT_TRUE(driver_.Start("\"" + BinPath("dialog_driver.exe") + "\" --out=" + boxes_file_ +
                              " --timeout=20000 --pid=" + std::to_string(pid) + " " + args));
  }
  // Runs the setup file with the driver answering its boxes; the exit code, or -2 when the run
  // had to be ended (a box nobody answered).
  long RunWithDriver(const std::string& setup, const std::string& driver_args,
                     DWORD timeout_ms = kRunTimeoutMs, const std::string& setup_args = "") {
    Process run;
    if (!run.Start("\"" + setup + "\"" + (setup_args.empty() ? "" : " " + setup_args)))
      return -1;
    StartDriver(driver_args, run.id());
    DWORD code = 0;
    if (!run.Wait(timeout_ms, &code)) {
      run.Kill();
      return -2;
    }
    return static_cast<long>(code);
  }
  // The stub's message box, once it shows.
  static bool WaitForBoxOf(DWORD pid) {
    for (int i = 0; i < 300; ++i) {
      for (HWND w = FindWindowA("VMsgBox", nullptr); w; w = FindWindowExA(nullptr, w, "VMsgBox", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid) return true;
      }
      Sleep(100);
    }
    return false;
  }
  std::vector<std::map<std::string, std::string>> Boxes() {
    DWORD code = 0;
    driver_.Wait(30000, &code);
    return ParseBoxes(ReadWholeFile(boxes_file_));
  }
  // The package with one byte range overwritten; the checksum is made to match again when
  // `fix_checksum` is set.
  static void Damage(const std::string& path, size_t offset, const std::string& bytes,
                     bool fix_checksum) {
    std::string data = ReadWholeFile(path);
    ASSERT_LE(offset + bytes.size(), data.size() - 74);
    data.replace(offset, bytes.size(), bytes);
    ASSERT_TRUE(WriteWholeFile(path, data));
    if (fix_checksum) {
      const auto sum = pack::ComputePackageChecksum(path, 74);
      ASSERT_TRUE(sum.has_value());
      pack::PutLE32(data, data.size() - 74 + pack::kChecksumOffsetInTrailer, *sum);
      ASSERT_TRUE(WriteWholeFile(path, data));
    }
  }
  static size_t PayloadMiddle(const std::string& path) {
    const std::string data = ReadWholeFile(path);
    const pack::TrailerFields t = pack::DecodeTrailer(data.substr(data.size() - 74));
    return (static_cast<size_t>(t.data_offset) + data.size() - 74) / 2;
  }

  Process driver_;
  std::string boxes_file_;
};

class MultiVolumeE2E : public DialogRunE2E {
 protected:
  // A set of at least two volumes; returns the first.
  std::string WriteSet(const std::string& name) {
    const std::string src = dir_.File("big.src");
    EXPECT_TRUE(WriteWholeFile(src, Noise(200000, 99)));
    pack::PackageSpec layout = Layout(name);
    layout.files.push_back({"big.bin", src, std::nullopt});
    layout.volume_size = ReadWholeFile(BinPath("velkor-stub.exe")).size() + 120000;
    layout.block_size = 50000;
    pack::PackResult result = pack::WritePackage(layout);
    EXPECT_TRUE(result.ok()) << result.error;
    EXPECT_GE(result.written.size(), 2u);
    volumes_ = result.written;
    return layout.output.string();
  }
  std::vector<std::filesystem::path> volumes_;  // of the last set written
};

}  // namespace velkor::e2e
