// The plain-file host: a package on disk unpacked into a real folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "setup/unpack_file_host.h"
#include "unpack_fixture.h"

namespace velkor::unpack_test {
namespace {

namespace fs = std::filesystem;

class UnpackFileHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("velkor_unpack_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  // The unpacker's own path form: "\" between folder and name.
  std::string Native(const std::string& name) const { return (root_ / name).string(); }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Write(const fs::path& p, const std::string& data) {
    std::ofstream(p, std::ios::binary) << data;
  }

  fs::path root_;
};

TEST_F(UnpackFileHostTest, UnpacksIntoANewFolder) {
  std::string big;
  for (int i = 0; i < 300000; ++i) big += char(i % 251);
  PackageSpec spec;
  spec.compute_checksum = true;
  // 0x5A8E6B2D: 2025-04-14 13:25:26 local time.
  spec.blocks = {FileBlock(Header("Engine.exe* /x"), "MZ"),
                 FileBlock(Header("big.bin", std::to_string(0x5A8E6B2Du)), big),
                 FileBlock(Header("big.bin"), "tail", true)};
  Write(root_ / "setup.dat", BuildPackage(spec));
  Write(root_ / "old.txt", "kept");

  FileUnpackHost host;
  std::vector<std::string> errors;
  host.on_error = [&](const std::string& t) { errors.push_back(t); };
  UnpackProcessState state;
  const std::string dest = Native("out\\deeper");
  const UnpackResult r =
      UnpackPackage(host, Native("setup.dat"), dest, "", UnpackOptions(), state);
  EXPECT_TRUE(r.checksum_ok);
  EXPECT_EQ(r.failure, UnpackFailure::kNone);
  EXPECT_EQ(r.main_entry, "Engine.exe* /x");
  EXPECT_TRUE(errors.empty());
  const fs::path out = root_ / "out" / "deeper";
  EXPECT_EQ(Read(out / "Engine.exe"), "MZ");
  EXPECT_EQ(Read(out / "big.bin"), big + "tail");
}

TEST_F(UnpackFileHostTest, SetsThePackedDate) {
  int64_t expected = 0;
  ASSERT_TRUE(DosDateTimeToUnix(0x5A8E6B2Du, expected));
  std::tm tm{};
  const std::time_t t = std::time_t(expected);
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  EXPECT_EQ(tm.tm_year + 1900, 2025);
  EXPECT_EQ(tm.tm_mon + 1, 4);
  EXPECT_EQ(tm.tm_mday, 14);
  EXPECT_EQ(tm.tm_hour, 13);
  EXPECT_EQ(tm.tm_min, 25);
  EXPECT_EQ(tm.tm_sec, 26);

  PackageSpec spec;
  spec.blocks = {FileBlock(Header("dated", std::to_string(0x5A8E6B2Du)), "d"),
                 FileBlock(Header("undated"), "u")};
  Write(root_ / "setup.dat", BuildPackage(spec));
  FileUnpackHost host;
  UnpackProcessState state;
  UnpackPackage(host, Native("setup.dat"), Native("out"), "", UnpackOptions(), state);
  const auto written = std::chrono::file_clock::to_sys(fs::last_write_time(root_ / "out" / "dated"));
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count(),
            expected);
  const auto now = std::chrono::file_clock::to_sys(fs::last_write_time(root_ / "out" / "undated"));
  EXPECT_GT(now.time_since_epoch(), std::chrono::seconds(expected + 86400));
}

TEST_F(UnpackFileHostTest, InvalidPackedDates) {
  int64_t s = 0;
  for (uint32_t bad : {0u, 0x5A8E0000u | (24u << 11), 0x5A8EFFFFu, (0x5A8Eu & ~(15u << 5)) << 16})
    EXPECT_FALSE(DosDateTimeToUnix(bad, s)) << std::hex << bad;
}

TEST_F(UnpackFileHostTest, TargetThatIsAFolderIsASaveError) {
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("Engine.exe*"), "E"), FileBlock(Header("taken"), "x")};
  Write(root_ / "setup.dat", BuildPackage(spec));
  fs::create_directories(root_ / "out" / "taken");
  FileUnpackHost host;
  std::vector<std::string> errors;
  host.on_error = [&](const std::string& t) { errors.push_back(t); };
  UnpackProcessState state;
  const UnpackResult r =
      UnpackPackage(host, Native("setup.dat"), Native("out"), "", UnpackOptions(), state);
  EXPECT_EQ(r.failure, UnpackFailure::kSaveError);
  EXPECT_EQ(r.main_entry, "");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Unable to save Extracted File!"), std::string::npos);
}

TEST_F(UnpackFileHostTest, AgentCopyGetsTheSourceDate) {
  PackageSpec spec;
  spec.pe_image = true;
  spec.blocks = {FileBlock(Header("Engine.exe*"), "E")};
  Write(root_ / "setup.exe", BuildPackage(spec));
  const auto when = fs::file_time_type::clock::now() - std::chrono::hours(48);
  fs::last_write_time(root_ / "setup.exe", when);
  FileUnpackHost host;
  UnpackProcessState state;
  UnpackPackage(host, Native("setup.exe"), Native("out"), "agent.exe", UnpackOptions(), state);
  ASSERT_TRUE(fs::exists(root_ / "out" / "agent.exe"));
  EXPECT_EQ(fs::last_write_time(root_ / "out" / "agent.exe"),
            fs::last_write_time(root_ / "setup.exe"));
}

}  // namespace
}  // namespace velkor::unpack_test
