// velkor-pack extract: the stub's unpacker on the build machine, run as the real program.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "extractor.h"
#include "pack_fixture.h"
#include "setup/unpack_file_host.h"
#include "unpack_fixture.h"

namespace velkor::pack::testing {
namespace {

constexpr uint32_t kDate = 0x5A2B6C3Du;

struct ToolRun {
  int code = -1;
  std::string out, err;
};

class PackExtract : public PackTest {
 protected:
  ToolRun Extract(const fs::path& package, const fs::path& folder) {
    const std::string err_file = (dir_ / "stderr.txt").string();
    const std::string command = std::string(VELKOR_BINARY_DIR "/bin/velkor-pack extract '") +
                                package.string() + "' '" + folder.string() + "' 2>" + err_file;
    ToolRun r;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadFile(err_file);
    fs::remove(err_file);
    return r;
  }

  // Every file of a folder with its content.
  static std::map<std::string, std::string> Folder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
      files[e.path().filename().string()] = ReadFile(e.path());
    return files;
  }

  // Text and noise large enough to need several blocks and, with small volumes, several volumes.
  const std::map<std::string, std::string> files_ = {
      {"big.bin", NoiseBytes(300000)}, {"notes.txt", TextBytes(200000)}, {"empty.dat", ""}};

  std::map<std::string, std::string> Expected() const {
    auto expected = files_;
    expected["engine.exe"] = "ENGINE-IMAGE";
    return expected;
  }
};

TEST_F(PackExtract, PlainMultiVolumeAndSpanSetsGiveBackEveryFile) {
  struct Case {
    const char* name;
    uint64_t volume_size;
    bool span;
    const char* open;  // which file of the set is named on the command line
  } cases[] = {
      {"plain", 0, false, "setup.exe"},
      {"volumes", 70000, false, "setup.exe"},
      {"span launcher", 70000, true, "setup.exe"},
      {"span first volume", 70000, true, "setup.exe.001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_ / "out");
    fs::create_directories(dir_ / "out");
    PackageSpec spec = Spec(files_);
    spec.block_size = 64 * 1024;
    spec.volume_size = c.volume_size;
    spec.span = c.span;
    const PackResult w = WritePackage(spec);
    ASSERT_TRUE(w.ok()) << w.error;
    if (c.volume_size) {
      ASSERT_GE(w.written.size(), 4u);
    }

    const fs::path to = dir_ / "x" / c.name;
    const ToolRun r = Extract(dir_ / "out" / c.open, to);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("extracted 4 files, 500012 bytes in ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(" MB/s)\n"), std::string::npos) << r.out;
    EXPECT_EQ(Folder(to), Expected());

    int64_t want = 0;
    ASSERT_TRUE(DosDateTimeToUnix(kDate, want));
    const auto mtime = fs::last_write_time(to / "big.bin");
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                  std::chrono::file_clock::to_sys(mtime).time_since_epoch())
                  .count(),
              want);
  }
}

// The unpacker appends to the files it writes, because a file may go on in the next volume. A
// second run into the same folder, or a stale file there, must be replaced, and a link planted
// under a file's name must not lead the write out of the folder.
TEST_F(PackExtract, ReplacesWhatTheFolderHeldBefore) {
  ASSERT_TRUE(WritePackage(Spec(files_)).ok());
  const fs::path to = dir_ / "x";
  ASSERT_EQ(Extract(dir_ / "out/setup.exe", to).code, 0);
  WriteFile(to / "notes.txt", "stale content that is longer than nothing");
  const fs::path outside = Put("outside.txt", "keep me");
  fs::remove(to / "big.bin");
  fs::create_symlink(outside, to / "big.bin");

  const ToolRun r = Extract(dir_ / "out/setup.exe", to);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Folder(to), Expected());
  EXPECT_FALSE(fs::is_symlink(to / "big.bin"));
  EXPECT_EQ(ReadFile(outside), "keep me");
}

TEST_F(PackExtract, EveryFailureIsOneLineAndNonZero) {
  namespace ut = velkor::unpack_test;
  auto build = [&](const std::string& name, std::vector<std::string> blocks, bool checksum = true) {
    ut::PackageSpec spec;
    spec.pe_image = true;
    spec.blocks = std::move(blocks);
    spec.compute_checksum = checksum;
    return Put(name, ut::BuildPackage(spec));
  };
  const std::string good = ut::FileBlock(ut::Header("a.txt"), "alpha");

  // A deflated block whose stream is cut short: the length field still fits the volume.
  std::string cut = ut::FileBlock(ut::Header("b.txt"), TextBytes(5000));
  cut = ut::RawBlock(int32_t(cut.size() - 4 - 20), cut.substr(4, cut.size() - 4 - 20));
  // A block whose length reaches past the trailer.
  const std::string overlong = ut::RawBlock(1 << 20, "short");
  // A package with a real checksum and one byte changed after the sum was taken.
  std::string flipped = ut::BuildPackage([&] {
    ut::PackageSpec s;
    s.blocks = {ut::FileBlock(ut::Header("n.bin"), NoiseBytes(5000), true)};
    s.compute_checksum = true;
    return s;
  }());
  flipped[2500] ^= 0x20;

  // Volume 2 of a set is missing.
  ASSERT_TRUE([&] {
    PackageSpec spec = Spec(files_);
    spec.volume_size = 70000;
    spec.output = dir_ / "set.exe";
    return WritePackage(spec).ok();
  }());
  fs::remove(dir_ / "set.exe.002");

  // A folder in the way of a file.
  fs::create_directories(dir_ / "blocked" / "a.txt");

  struct Case {
    const char* name;
    fs::path package;
    fs::path folder;
    std::string error;
  } cases[] = {
      {"missing package", dir_ / "none.exe", dir_ / "x1", "cannot read "},
      {"not a package", Put("plain.txt", TextBytes(3000)), dir_ / "x2", "plain.txt: not a setup package"},
      {"checksum", Put("flipped.exe", flipped), dir_ / "x3", "flipped.exe: checksum does not match"},
      {"block past the trailer", build("long.exe", {good, overlong}), dir_ / "x4",
       "long.exe: damaged package"},
      {"inflate", build("cut.exe", {good, cut}), dir_ / "x5", "cut.exe: a compressed block does not inflate: "},
      {"unsafe name", build("evil.exe", {ut::FileBlock(ut::Header("..\\evil.txt"), "x")}), dir_ / "x6",
       "evil.exe: unsafe file name in the package, not extracted: ..\\evil.txt"},
      {"save error", build("a.exe", {good}), dir_ / "blocked", "cannot save " + (dir_ / "blocked/a.txt").string() + ": Is a directory Data Size: 5 Bytes"},
      {"missing volume", dir_ / "set.exe", dir_ / "x8", "volume 2 is missing: " + (dir_ / "set.exe.002").string()},
      {"folder cannot be made", build("b.exe", {good}), dir_ / "plain.txt" / "sub", "cannot create folder "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun r = Extract(c.package, c.folder);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("velkor-pack: " + c.error, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir_ / "evil.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "x6" / "evil.txt"));
}

TEST(FlattenMarkup, BoxTextsBecomeOneLine) {
  EXPECT_EQ(FlattenMarkup("C:\\s\\a.txt<P><P>Unable to save Extracted File!<P><P>No space<P>  Data "
                          "Size: <T>12 Bytes\r\n"),
            "C:\\s\\a.txt Unable to save Extracted File! No space Data Size: 12 Bytes");
  EXPECT_EQ(FlattenMarkup(""), "");
}

}  // namespace
}  // namespace velkor::pack::testing

#endif
