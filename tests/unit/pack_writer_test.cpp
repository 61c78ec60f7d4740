// What the writer writes reads back: descriptor strings, blocks, files, volumes, checksums.

#include <gtest/gtest.h>

#include "pack_fixture.h"
#include "scramble.h"

namespace velkor::pack::testing {
namespace {

class PackWriter : public PackTest {};

TEST_F(PackWriter, PlainPackageReadsBackFileForFile) {
  PackageSpec spec = Spec({{"notes.txt", TextBytes(10000)}, {"noise.bin", NoiseBytes(5000)}, {"empty.dat", ""}});
  spec.engine_args = "/quiet /x";
  spec.block_size = 4096;
  spec.info_url = "http://updates.test/p";
  spec.info_file_name = "p.ini";
  spec.agent_exe_name = "agent.exe";
  spec.has_agent = true;
  spec.package_token = "PROD-77";
  spec.run_hidden = true;
  spec.languages = {{"GERMAN", {{"s0", "Installation"}, {"s1", ""}}}};
  const PackResult r = WritePackage(spec);
  ASSERT_TRUE(r.ok()) << r.error;
  // notes.txt: 3 blocks, noise.bin: 2, empty.dat: 1, engine: 1.
  EXPECT_EQ(r.file_blocks, 7);
  ASSERT_EQ(r.written, std::vector<fs::path>{spec.output});

  PackageReport report;
  const auto files = Contents(spec.output, &report);
  ASSERT_TRUE(report.valid()) << FormatReport(report);
  EXPECT_TRUE(report.notes.empty()) << FormatReport(report);
  EXPECT_EQ(files, (std::map<std::string, std::string>{{"engine.exe", "ENGINE-IMAGE"},
                                                       {"notes.txt", TextBytes(10000)},
                                                       {"noise.bin", NoiseBytes(5000)},
                                                       {"empty.dat", ""}}));
  EXPECT_EQ(report.main_entry, "engine.exe* /quiet /x");

  const VolumeReport& v = report.volumes.at(0);
  const DescriptorRead& d = *v.descriptor;
  EXPECT_EQ(d.trailer.data_offset, 1536);
  EXPECT_EQ(d.trailer.files_count, 7);
  EXPECT_EQ(d.trailer.descriptor_count, 2);
  EXPECT_EQ(d.trailer.flags, 0);
  EXPECT_EQ(d.trailer.has_agent, 1);
  EXPECT_TRUE(d.has_end_offset);
  EXPECT_EQ(d.end, fs::file_size(spec.output));
  EXPECT_EQ(d.strings[0], "|~GERMAN~s0=Installation~s1=~|");
  EXPECT_EQ(BarItem(d.strings[1], 0), "http://updates.test/p");
  EXPECT_EQ(BarItem(d.strings[1], 1), "p.ini");
  EXPECT_EQ(BarItem(d.strings[1], 2), "agent.exe");
  EXPECT_EQ(UnscrambleTokenChecked(BarItem(d.strings[1], 3)), "PROD-77");
  EXPECT_EQ(BarItem(d.strings[1], 4), "1");
  EXPECT_EQ(d.strings_read, 2);
  // The engine comes first whatever the order of the files; the stored image stays untouched.
  ASSERT_EQ(v.blocks.size(), 7u);
  EXPECT_EQ(v.blocks[0].header, "|engine.exe* /quiet /x|1512795197|");
  EXPECT_EQ(v.blocks[0].date, 0x5A2B6C3Du);
  for (const BlockInfo& b : v.blocks) {
    if (b.name == "noise.bin") {
      EXPECT_LE(b.length, 0) << "noise does not shrink: stored";
    }
    if (b.name == "notes.txt") {
      EXPECT_GT(b.length, 0) << "text shrinks: deflated";
    }
    EXPECT_LE(b.content_size, 4096u);
  }
  EXPECT_EQ(ReadFile(spec.output).substr(0, 248), FakeStubImage().substr(0, 248));
}

TEST_F(PackWriter, DataAppendedAfterThePackageIsIgnored) {
  PackageSpec spec = Spec({{"a.txt", TextBytes(3000)}});
  ASSERT_TRUE(WritePackage(spec).ok());
  const std::string original = ReadFile(spec.output);
  WriteFile(spec.output, original + NoiseBytes(777) + EncodeTrailer({}));  // even a stray trailer
  PackageReport report;
  const auto files = Contents(spec.output, &report);
  ASSERT_TRUE(report.valid()) << FormatReport(report);
  EXPECT_EQ(files.at("a.txt"), TextBytes(3000));
  EXPECT_EQ(report.volumes[0].descriptor->end, original.size());
}

TEST_F(PackWriter, WithoutAnImageHeaderNoEndOffsetIsWritten) {
  Put("stub.exe", std::string(700, 'S'));
  PackageSpec spec = Spec({{"a.txt", "abc"}});
  ASSERT_TRUE(WritePackage(spec).ok());
  PackageReport report;
  Contents(spec.output, &report);
  ASSERT_TRUE(report.valid()) << FormatReport(report);
  EXPECT_FALSE(report.volumes[0].descriptor->has_end_offset);
  EXPECT_EQ(ReadFile(spec.output).substr(0, 700), std::string(700, 'S'));
}

TEST_F(PackWriter, CorruptionIsCaughtByTheChecksum) {
  PackageSpec spec = Spec({{"a.txt", TextBytes(3000)}});
  ASSERT_TRUE(WritePackage(spec).ok());
  std::string bytes = ReadFile(spec.output);
  bytes[1700] ^= 0x40;
  WriteFile(spec.output, bytes);
  PackageReport report;
  Contents(spec.output, &report);
  EXPECT_FALSE(report.valid());
  EXPECT_FALSE(report.volumes[0].checksum_pass);
}

TEST(PackSpaceTable, RoundsEveryFileUpToEachClusterSize) {
  // Entry i is for clusters of 256 << i; entry 0 (cluster unknown) assumes 64 KiB.
  const auto t = ComputeSpaceTable({1, 4097, 0});
  const std::array<uint32_t, 9> expected = {65536 + 65536, 512 + 4608, 1024 + 5120, 2048 + 6144, 4096 + 8192,
                                            8192 + 8192,   16384 + 16384, 32768 + 32768, 65536 + 65536};
  EXPECT_EQ(t, expected);
  const auto big = ComputeSpaceTable({3000000000u, 3000000000u});
  for (uint32_t entry : big) EXPECT_EQ(entry, 0xFFFFFFFFu) << "saturates instead of wrapping";
}

TEST_F(PackWriter, SpaceTableCountsTheAgentCopy) {
  PackageSpec spec = Spec({{"a.txt", std::string(5000, 'a')}});
  ASSERT_TRUE(WritePackage(spec).ok());
  const auto without = ReadDescriptor(spec.output, nullptr)->trailer.space_table;
  EXPECT_EQ(without[4], 4096u + 8192u);  // engine.exe and a.txt on 4 KiB clusters
  spec.has_agent = true;
  spec.agent_exe_name = "agent.exe";
  ASSERT_TRUE(WritePackage(spec).ok());
  EXPECT_EQ(ReadDescriptor(spec.output, nullptr)->trailer.space_table[4], 4096u + 8192u + 4096u);
}

TEST_F(PackWriter, OutputDependsOnlyOnTheInput) {
  PackageSpec spec = Spec({{"a.txt", TextBytes(50000)}, {"b.bin", NoiseBytes(20000)}});
  spec.block_size = 3000;
  spec.package_token = "T";
  spec.threads = 1;
  ASSERT_TRUE(WritePackage(spec).ok());
  const std::string one_thread = ReadFile(spec.output);
  spec.threads = 4;
  ASSERT_TRUE(WritePackage(spec).ok());
  EXPECT_EQ(ReadFile(spec.output), one_thread) << "blocks must be written in order";

  spec.level = 0;
  ASSERT_TRUE(WritePackage(spec).ok());
  PackageReport report;
  EXPECT_EQ(Contents(spec.output, &report).at("a.txt"), TextBytes(50000));
  for (const BlockInfo& b : report.volumes[0].blocks) EXPECT_LE(b.length, 0);
}

TEST_F(PackWriter, MultiVolumeSetFollowsTheVolumeNamingRule) {
  PackageSpec spec = Spec({{"a.txt", TextBytes(30000)}, {"b.bin", NoiseBytes(9000)}});
  spec.volume_size = 5000;
  spec.level = 9;
  const PackResult r = WritePackage(spec);
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_GE(r.written.size(), 3u);
  EXPECT_EQ(r.written[0], spec.output);
  EXPECT_EQ(r.written[1], dir_ / "out" / "setup.exe.002");
  EXPECT_EQ(r.written[2], dir_ / "out" / "setup.exe.003");
  for (const auto& p : r.written) EXPECT_LE(fs::file_size(p), 5000u) << p;

  PackageReport report;
  const auto files = Contents(spec.output, &report);
  ASSERT_TRUE(report.valid()) << FormatReport(report);
  ASSERT_EQ(report.volumes.size(), r.written.size());
  EXPECT_EQ(files.at("a.txt"), TextBytes(30000));
  EXPECT_EQ(files.at("b.bin"), NoiseBytes(9000));
  for (size_t i = 0; i < report.volumes.size(); ++i) {
    const TrailerFields& t = report.volumes[i].descriptor->trailer;
    EXPECT_EQ((t.flags & kFlagMultiVolume) != 0, i + 1 < report.volumes.size()) << i;
    EXPECT_EQ(t.files_count, r.file_blocks);
    if (i > 0) {
      EXPECT_EQ(t.data_offset, 0) << "further volumes hold file blocks only";
      EXPECT_FALSE(report.volumes[i].blocks.empty());
    }
  }
  // Unpacking may also be started from a name ending in ".001".
  fs::copy_file(spec.output, dir_ / "out" / "setup.exe.001");
  PackageReport from001;
  EXPECT_EQ(Contents(dir_ / "out" / "setup.exe.001", &from001).at("b.bin"), NoiseBytes(9000));
  EXPECT_TRUE(from001.valid()) << FormatReport(from001);
}

TEST_F(PackWriter, MissingVolumeMakesTheSetInvalid) {
  PackageSpec spec = Spec({{"b.bin", NoiseBytes(9000)}});
  spec.volume_size = 4000;
  const PackResult r = WritePackage(spec);
  ASSERT_TRUE(r.ok()) << r.error;
  fs::remove(r.written.at(1));
  PackageReport report = InspectPackage(spec.output);
  EXPECT_FALSE(report.valid());
}

TEST_F(PackWriter, SpanSetHasALauncherAndVolumesFrom001) {
  PackageSpec spec = Spec({{"a.txt", TextBytes(20000)}, {"b.bin", NoiseBytes(6000)}});
  spec.span = true;
  spec.volume_size = 6000;
  spec.has_agent = true;
  spec.agent_exe_name = "agent.exe";
  spec.show_activity_bar = true;
  const PackResult r = WritePackage(spec);
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_GE(r.written.size(), 3u);
  EXPECT_EQ(r.written[0], spec.output);
  EXPECT_EQ(r.written[1], dir_ / "out" / "setup.exe.001");
  EXPECT_EQ(r.written[2], dir_ / "out" / "setup.exe.002");

  PackageReport report;
  const auto files = Contents(spec.output, &report);
  ASSERT_TRUE(report.valid()) << FormatReport(report);
  EXPECT_EQ(files.at("a.txt"), TextBytes(20000));
  EXPECT_EQ(files.at("b.bin"), NoiseBytes(6000));
  const VolumeReport& launcher = report.volumes[0];
  EXPECT_TRUE(launcher.is_launcher);
  EXPECT_EQ(launcher.descriptor->trailer.flags, kFlagSpanCd | kFlagShowActivityBar);
  EXPECT_EQ(launcher.descriptor->trailer.has_agent, 1);
  // The first volume is a whole setup file too: the agent copy is cut from it.
  const VolumeReport& first = report.volumes[1];
  EXPECT_EQ(first.descriptor->trailer.flags, kFlagMultiVolume | kFlagShowActivityBar);
  EXPECT_EQ(first.descriptor->strings, launcher.descriptor->strings);
  EXPECT_TRUE(first.descriptor->has_end_offset);
  EXPECT_EQ(ReadFile(r.written[1]).substr(0, 248), FakeStubImage().substr(0, 248));
}

TEST_F(PackWriter, InternetPackageCarriesTheRealFilesToken) {
  PackageSpec real = Spec({{"a.txt", TextBytes(4000)}});
  real.output = dir_ / "real.exe";
  real.internet_info = InternetInfoSpec{"", "", false, "SETUP-9", ""};
  real.languages = {{"ENGLISH", {{"s0", "Product"}}}};
  real.has_agent = true;
  real.agent_exe_name = "agent.exe";
  real.trace_log = true;
  ASSERT_TRUE(WritePackage(real).ok());

  InternetPackageSpec spec;
  spec.stub = dir_ / "stub.exe";
  spec.output = dir_ / "out" / "web.exe";
  spec.real_setup = real.output;
  spec.setup_url = "http://downloads.test/product//";
  spec.ask_before_download = true;
  const PackResult r = WriteInternetPackage(spec);
  ASSERT_TRUE(r.ok()) << r.error;

  PackageReport report = InspectPackage(spec.output);
  ASSERT_TRUE(report.valid()) << FormatReport(report);
  EXPECT_EQ(report.file_blocks, 0);
  const DescriptorRead& d = *report.volumes[0].descriptor;
  const auto real_descriptor = ReadDescriptor(real.output, nullptr);
  ASSERT_TRUE(real_descriptor);
  const DescriptorRead& rd = *real_descriptor;
  EXPECT_EQ(d.trailer.descriptor_count, 3);
  EXPECT_EQ(d.trailer.internet_package, 1);
  EXPECT_EQ(d.trailer.ask_before_download, 1);
  EXPECT_EQ(d.trailer.has_agent, 1);
  EXPECT_EQ(d.trailer.flags, kFlagTraceLog);
  EXPECT_EQ(d.strings[0], rd.strings[0]);
  EXPECT_EQ(d.strings[1], rd.strings[1]);
  EXPECT_EQ(BarItem(d.strings[2], 0), "http://downloads.test/product");
  EXPECT_EQ(BarItem(d.strings[2], 1), "real.exe");
  EXPECT_EQ(BarItem(d.strings[2], 2), "0");
  EXPECT_EQ(UnscrambleTokenChecked(BarItem(d.strings[2], 3)), "SETUP-9");
  EXPECT_EQ(UnscrambleTokenChecked(BarItem(rd.strings[2], 3)), "SETUP-9");
  EXPECT_EQ(BarItem(d.strings[2], 4), std::to_string(fs::file_size(real.output)));
}

TEST_F(PackWriter, InternetPackageRefusesUnsuitableRealFiles) {
  PackageSpec no_token = Spec({{"a.txt", "x"}});
  no_token.output = dir_ / "plain.exe";
  ASSERT_TRUE(WritePackage(no_token).ok());
  PackageSpec multi = Spec({{"b.bin", NoiseBytes(6000)}});
  multi.output = dir_ / "multi.exe";
  multi.volume_size = 4000;
  multi.internet_info = InternetInfoSpec{"", "", false, "T", ""};
  ASSERT_TRUE(WritePackage(multi).ok());
  PackageSpec good = Spec({{"a.txt", "x"}});
  good.output = dir_ / "good.exe";
  good.internet_info = InternetInfoSpec{"", "", false, "T", ""};
  ASSERT_TRUE(WritePackage(good).ok());
  const fs::path real_ok = good.output;
  struct Case {
    fs::path real;
    std::string url;
    const char* error;
  } cases[] = {
      {dir_ / "plain.exe", "http://h", "real setup file carries no SetupToken"},
      {dir_ / "multi.exe", "http://h", "real setup file is a multi-volume"},
      {dir_ / "stub.exe", "http://h", "real setup file: stub.exe: no package trailer"},
      {dir_ / "absent.exe", "http://h", "real setup file: absent.exe: no such file"},
      {real_ok, "/", "no setup address given"},
  };
  for (const Case& c : cases) {
    InternetPackageSpec spec;
    spec.stub = dir_ / "stub.exe";
    spec.output = dir_ / "out" / "web.exe";
    spec.real_setup = c.real;
    spec.setup_url = c.url;
    const PackResult r = WriteInternetPackage(spec);
    EXPECT_EQ(r.error.rfind(c.error, 0), 0u) << r.error;
  }
  EXPECT_TRUE(OutFiles().empty());
}

TEST_F(PackWriter, ErrorsLeaveNothingBehind) {
  struct Case {
    const char* what;
    std::function<void(PackageSpec&)> change;
    const char* error;
  } cases[] = {
      {"missing file", [&](PackageSpec& s) { s.files.push_back({"gone.txt", dir_ / "gone.txt", 0}); },
       "file not found: "},
      {"folder in name", [&](PackageSpec& s) { s.files[1].name = "sub/a.txt"; }, "'sub/a.txt' has a folder part"},
      {"same name twice", [&](PackageSpec& s) { s.files.push_back({"A.TXT", s.files[1].source, 0}); },
       "file named twice: A.TXT"},
      {"engine not packed", [](PackageSpec& s) { s.engine = "other.exe"; }, "engine other.exe is not one"},
      {"bar in a field", [](PackageSpec& s) { s.info_url = "http://a|b"; }, "InfoUrl must not contain '|'"},
      {"agent without name", [](PackageSpec& s) { s.has_agent = true; }, "HasAgent needs AgentExeName"},
      {"volume too small", [](PackageSpec& s) { s.volume_size = 1000; }, "volume size 1000 is too small"},
      {"stub missing", [&](PackageSpec& s) { s.stub = dir_ / "none.exe"; }, "stub image not found"},
      {"stub is a package", [&](PackageSpec& s) { s.stub = dir_ / "built.exe"; }, "stub image already carries"},
      {"no output folder", [&](PackageSpec& s) { s.output = dir_ / "nowhere" / "x.exe"; },
       "output folder does not exist"},
      {"level", [](PackageSpec& s) { s.level = 13; }, "compression level must be 0 to 12"},
  };
  PackageSpec built = Spec({});
  built.output = dir_ / "built.exe";
  ASSERT_TRUE(WritePackage(built).ok());
  for (const Case& c : cases) {
    PackageSpec spec = Spec({{"a.txt", TextBytes(2000)}});
    spec.volume_size = 0;
    c.change(spec);
    const PackResult r = WritePackage(spec);
    EXPECT_EQ(r.error.rfind(c.error, 0), 0u) << c.what << ": " << r.error;
    EXPECT_TRUE(r.written.empty());
    EXPECT_TRUE(OutFiles().empty()) << c.what;
  }
}

TEST(PackLanguageTable, SeparatorsAvoidTheTexts) {
  struct Case {
    std::vector<LanguageEntry> languages;
    const char* table;
  } cases[] = {
      {{}, "*"},
      {{{"ENGLISH", {{"s0", "Setup"}}}, {"GERMAN", {{"s0", "Installation"}}}},
       "|~ENGLISH~s0=Setup~|~GERMAN~s0=Installation~|"},
      // Button captions hold "|": the table moves to the next free separator.
      {{{"GERMAN", {{"BtnText", "|&OK|&Abbrechen|"}}}}, "^~GERMAN~BtnText=|&OK|&Abbrechen|~^"},
      {{{"FRENCH", {{"s1", "a~b"}, {"s2", "c^d"}}}}, "|!FRENCH!s1=a~b!s2=c^d!|"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(BuildLanguageTable(c.languages, &error), c.table);
    EXPECT_EQ(error, "");
  }
  std::string error;
  EXPECT_EQ(BuildLanguageTable({{"GERMAN", {{"s0", "|~^!@#$&`%"}}}}, &error), "");
  EXPECT_NE(error, "");
}

}  // namespace
}  // namespace velkor::pack::testing
