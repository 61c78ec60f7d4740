// Unpacking well-formed packages: blocks, headers, volumes, the agent copy, write failures.
#include <gtest/gtest.h>

#include "setup/unpack.h"
#include "unpack_fixture.h"

namespace velkor::unpack_test {
namespace {

constexpr char kDest[] = "C:\\SETUP_1";

struct Runner {
  MemoryHost host;
  UnpackOptions options;
  UnpackProcessState state;
  UnpackResult Go(const std::string& source, const std::string& agent = "") {
    return UnpackPackage(host, source, kDest, agent, options, state);
  }
};

std::string Dest(const std::string& name) { return std::string(kDest) + "\\" + name; }

TEST(UnpackPackage, SkipsTheDescriptorStringsOnce) {
  for (int count : {2, 3}) {
    SCOPED_TRACE(count);
    PackageSpec spec;
    spec.descriptor_count = count;
    spec.blocks = {FileBlock(Header("Engine.exe*"), "MZengine"), FileBlock(Header("a.txt"), "A")};
    Runner run;
    run.host.files["C:\\in\\setup.dat"] = BuildPackage(spec);
    const UnpackResult r = run.Go("C:\\in\\setup.dat");
    EXPECT_TRUE(r.checksum_ok);
    EXPECT_EQ(r.failure, UnpackFailure::kNone);
    EXPECT_EQ(r.main_entry, "Engine.exe*");
    // Only the two file blocks became files: none of the descriptor strings did.
    std::map<std::string, std::string> expected = {{"C:\\in\\setup.dat", ""},
                                                   {Dest("Engine.exe"), "MZengine"},
                                                   {Dest("a.txt"), "A"}};
    ASSERT_EQ(run.host.files.size(), expected.size());
    EXPECT_EQ(run.host.files[Dest("Engine.exe")], "MZengine");
    EXPECT_EQ(run.host.files[Dest("a.txt")], "A");
    EXPECT_EQ(run.host.progress,
              (std::vector<std::string>{"0:0:0:1", "0:2:0:1", "1", "1"}));
    EXPECT_TRUE(run.host.errors.empty());
  }
}

TEST(UnpackPackage, AppendsBlocksOfTheSameNameWithOneProgressStep) {
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("big.bin"), "first,"), FileBlock(Header("other"), "x"),
                 FileBlock(Header("big.bin"), std::string("se\0cond", 7), true)};
  Runner run;
  run.host.files["setup.dat"] = BuildPackage(spec);
  run.Go("setup.dat");
  EXPECT_EQ(run.host.files[Dest("big.bin")], std::string("first,se\0cond", 13));
  EXPECT_EQ(run.host.Steps(), 2);
}

TEST(UnpackPackage, HeaderForms) {
  struct Case {
    const char* label;
    std::string header;
    std::string file;        // "" when nothing is written
    std::string main_entry;
    uint32_t date;           // 0: no date set
  } cases[] = {
      {"star with arguments", Header("Engine.exe* /S -x"), "Engine.exe", "Engine.exe* /S -x", 0},
      {"dated file", Header("a.txt", "1478912345"), "a.txt", "", 1478912345u},
      {"date above 2^31", Header("a.txt", "4000000000"), "a.txt", "", 4000000000u},
      {"date not a number", Header("a.txt", "12x"), "a.txt", "", 0},
      {"star in the date item", "|a.txt|1*|", "a.txt", "|a.txt|1*|", 0},
      {"empty header", "", "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PackageSpec spec;
    spec.blocks = {FileBlock(c.header, "content")};
    Runner run;
    run.host.files["s.dat"] = BuildPackage(spec);
    const UnpackResult r = run.Go("s.dat");
    EXPECT_EQ(r.main_entry, c.main_entry);
    EXPECT_EQ(run.host.files.size(), c.file.empty() ? 1u : 2u);
    if (!c.file.empty()) {
      EXPECT_EQ(run.host.files[Dest(c.file)], "content");
      if (c.date)
        EXPECT_EQ(run.host.dates[Dest(c.file)], c.date);
      else
        EXPECT_EQ(run.host.dates.count(Dest(c.file)), 0u);
    }
  }
}

TEST(UnpackPackage, BlockWithoutNulIsSkipped) {
  PackageSpec spec;
  spec.blocks = {RawBlock(-5, "|a|0|"), FileBlock(Header("b"), "")};
  Runner run;
  run.host.files["s.dat"] = BuildPackage(spec);
  EXPECT_EQ(run.Go("s.dat").failure, UnpackFailure::kNone);
  EXPECT_EQ(run.host.files.count(Dest("a")), 0u);
  // An empty content still creates its file.
  ASSERT_EQ(run.host.files.count(Dest("b")), 1u);
  EXPECT_EQ(run.host.files[Dest("b")], "");
}

TEST(UnpackPackage, StoredBlockWithDateZeroIsWrittenUnchanged) {
  std::string content;
  for (int i = 0; i < 200000; ++i) content += char(i * 7);
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("raw.bin"), content, true)};
  Runner run;
  run.host.files["s.dat"] = BuildPackage(spec);
  run.Go("s.dat");
  EXPECT_EQ(run.host.files[Dest("raw.bin")], content);
  EXPECT_EQ(run.host.dates.count(Dest("raw.bin")), 0u);
}

TEST(UnpackPackage, Checksum) {
  struct Case {
    const char* label;
    bool compute;
    uint32_t stored;
    bool pe;
    bool ok;
  } cases[] = {
      {"right sum", true, 0, false, true},
      {"right sum, image with end offset and bytes after the package", true, 0, true, true},
      {"wrong sum", false, 99, false, false},
      {"stored 1234 skips the test", false, kSkipChecksum, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PackageSpec spec;
    spec.pe_image = c.pe;
    spec.appended = c.pe ? std::string(100, 'z') : "";
    spec.compute_checksum = c.compute;
    spec.checksum = c.stored;
    // Large enough to be read in several pieces.
    std::string content(150000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 131 >> 3);
    spec.blocks = {FileBlock(Header("Engine.exe*"), content, true)};
    Runner run;
    run.host.files["s.dat"] = BuildPackage(spec);
    const UnpackResult r = run.Go("s.dat");
    EXPECT_EQ(r.checksum_ok, c.ok);
    EXPECT_EQ(r.failure, c.ok ? UnpackFailure::kNone : UnpackFailure::kChecksum);
    // A package that fails its checksum is not unpacked at all.
    EXPECT_EQ(run.host.files.count(Dest("Engine.exe")), c.ok ? 1u : 0u);
  }
}

TEST(UnpackPackage, MissingSourceFailsAsChecksum) {
  Runner run;
  const UnpackResult r = run.Go("nowhere.exe");
  EXPECT_FALSE(r.checksum_ok);
  EXPECT_EQ(r.failure, UnpackFailure::kChecksum);
  EXPECT_EQ(r.main_entry, "");
}

TEST(UnpackPackage, ViewerLines) {
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("a"), "1"), FileBlock(Header("b"), "2")};
  spec.files_count = 7;
  Runner run;
  const std::string pkg = BuildPackage(spec);
  run.host.files["s.dat"] = pkg;
  run.Go("s.dat");
  EXPECT_EQ(run.host.viewer, (std::vector<std::string>{
                                 "FileInfo.FilesCount=7", "FileLen=" + std::to_string(pkg.size()),
                                 "UnCompressTime: 7 MS", ""}));
}

// Three volumes; a file continues from volume 1 into volume 2.
struct Volumes {
  std::string v1, v2, v3;
  Volumes() {
    PackageSpec a;
    a.flags = kMultiVolume;
    a.blocks = {FileBlock(Header("Engine.exe*"), "E"), FileBlock(Header("data"), "part1-")};
    a.files_count = 4;
    v1 = BuildPackage(a);
    PackageSpec b;
    b.descriptor_count = 0;
    b.flags = kMultiVolume;
    b.blocks = {FileBlock(Header("data"), "part2"), FileBlock(Header("v2.txt"), "two")};
    v2 = BuildPackage(b);
    PackageSpec c;
    c.descriptor_count = 0;
    c.blocks = {FileBlock(Header("v3.txt"), "three")};
    v3 = BuildPackage(c);
  }
};

TEST(UnpackVolumes, FollowsNumberedVolumes) {
  Volumes vols;
  Runner run;
  run.host.files["D:\\pkg.exe.001"] = vols.v1;
  run.host.files["D:\\pkg.exe.002"] = vols.v2;
  run.host.files["D:\\pkg.exe.003"] = vols.v3;
  const UnpackResult r = run.Go("D:\\pkg.exe.001");
  EXPECT_TRUE(r.checksum_ok);
  EXPECT_EQ(r.main_entry, "Engine.exe*");
  EXPECT_EQ(run.host.files[Dest("data")], "part1-part2");
  EXPECT_EQ(run.host.files[Dest("v2.txt")], "two");
  EXPECT_EQ(run.host.files[Dest("v3.txt")], "three");
  EXPECT_TRUE(run.host.prompts.empty());
  EXPECT_TRUE(run.host.ejected.empty());
  EXPECT_EQ(run.host.autoplay_registrations, 2);
  // Four new files and one step for each of the two volume switches.
  EXPECT_EQ(run.host.Steps(), 6);
}

TEST(UnpackVolumes, MissingVolumeCancelled) {
  Volumes vols;
  Runner run;
  run.host.files["D:\\pkg.exe"] = vols.v1;
  run.options.disk_prompt = "Insert <b>disk #<disk_num></b>, then <DISK_NUM>";
  const UnpackResult r = run.Go("D:\\pkg.exe");
  EXPECT_EQ(run.host.ejected, std::vector<std::string>{"D:\\pkg.exe.002"});
  EXPECT_EQ(run.host.prompts, std::vector<std::string>{"Insert <b>disk #2</b>, then 2"});
  EXPECT_EQ(r.main_entry, "");
  EXPECT_TRUE(r.checksum_ok);
  EXPECT_EQ(r.failure, UnpackFailure::kCancelled);
}

TEST(UnpackVolumes, PromptRepeatsUntilTheVolumeAppears) {
  Volumes vols;
  Runner run;
  run.host.files["D:\\pkg.exe"] = vols.v1;
  int asked = 0;
  run.host.on_prompt = [&](const std::string&) {
    // OK without the disk first, then the disk arrives.
    if (++asked == 2) run.host.files["D:\\pkg.exe.002"] = vols.v2;
    if (asked == 3) run.host.files["D:\\pkg.exe.003"] = vols.v3;
    return true;
  };
  const UnpackResult r = run.Go("D:\\pkg.exe");
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(r.main_entry, "Engine.exe*");
  EXPECT_EQ(r.failure, UnpackFailure::kNone);
  EXPECT_EQ(run.host.files[Dest("v3.txt")], "three");
}

TEST(UnpackVolumes, ForcePromptAsksEvenWhenPresent) {
  Volumes vols;
  Runner run;
  run.host.files["pkg.exe"] = vols.v1;
  run.host.files["pkg.exe.002"] = vols.v2;
  run.host.files["pkg.exe.003"] = vols.v3;
  run.options.force_prompt = true;
  run.options.disk_prompt = "disk <DISK_NUM>";
  run.host.on_prompt = [](const std::string&) { return true; };
  const UnpackResult r = run.Go("pkg.exe");
  EXPECT_EQ(run.host.prompts, (std::vector<std::string>{"disk 2", "disk 3"}));
  EXPECT_EQ(run.host.ejected.size(), 2u);
  EXPECT_EQ(r.main_entry, "Engine.exe*");
}

TEST(UnpackVolumes, WrongMagicVolumeIsSkippedButItsFlagsCount) {
  Volumes vols;
  PackageSpec bad;
  bad.descriptor_count = 0;
  bad.flags = kMultiVolume;
  bad.magic = 0x4A3B2C1E;
  bad.blocks = {FileBlock(Header("never"), "x")};
  Runner run;
  run.host.files["pkg.exe"] = vols.v1;
  run.host.files["pkg.exe.002"] = BuildPackage(bad);
  run.host.files["pkg.exe.003"] = vols.v3;
  const UnpackResult r = run.Go("pkg.exe");
  EXPECT_EQ(r.main_entry, "Engine.exe*");
  EXPECT_EQ(run.host.files.count(Dest("never")), 0u);
  EXPECT_EQ(run.host.files[Dest("v3.txt")], "three");
}

TEST(UnpackVolumes, ChecksumFailureInALaterVolumeStops) {
  Volumes vols;
  PackageSpec b;
  b.descriptor_count = 0;
  b.flags = kMultiVolume;
  b.checksum = 5;
  b.blocks = {FileBlock(Header("v2.txt"), "two")};
  Runner run;
  run.host.files["pkg.exe"] = vols.v1;
  run.host.files["pkg.exe.002"] = BuildPackage(b);
  run.host.files["pkg.exe.003"] = vols.v3;
  const UnpackResult r = run.Go("pkg.exe");
  EXPECT_FALSE(r.checksum_ok);
  EXPECT_EQ(r.failure, UnpackFailure::kChecksum);
  EXPECT_EQ(run.host.files.count(Dest("v2.txt")), 0u);
  EXPECT_EQ(run.host.files.count(Dest("v3.txt")), 0u);
}

TEST(UnpackAgentCopy, WrittenOnlyFromExecutables) {
  struct Case {
    std::string source;
    bool written;
  } cases[] = {{"C:\\dl\\setup.exe", true}, {"C:\\dl\\SETUP.EXE.001", true},
               {"C:\\dl\\setup.dat", false}, {"C:\\dl\\setup.exe.002", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    PackageSpec spec;
    spec.pe_image = true;
    spec.flags = 0x08;
    spec.blocks = {FileBlock(Header("Engine.exe*"), "E")};
    const std::string pkg = BuildPackage(spec);
    Runner run;
    run.host.files[c.source] = pkg;
    run.Go(c.source, "C:\\Program Files\\Prod\\Agent.exe");
    const std::string agent = Dest("Agent.exe");
    ASSERT_EQ(run.host.files.count(agent), c.written ? 1u : 0u);
    if (!c.written) continue;
    // The image and the descriptor strings, then the trailer marked as an agent's.
    const size_t prefix = 512 + 4 + spec.descriptors[0].size() + 4 + spec.descriptors[1].size();
    std::string expected = pkg.substr(0, prefix);
    PutLe32(expected, 252, 0);
    std::string trailer = pkg.substr(pkg.size() - 74);
    trailer[69] = 1;
    expected += trailer;
    EXPECT_EQ(run.host.files[agent], expected);
    EXPECT_EQ(run.host.copied_dates,
              (std::vector<std::pair<std::string, std::string>>{{c.source, agent}}));
    EXPECT_EQ(run.host.viewer[run.host.viewer.size() - 3], "42 New AU-Agent: " + agent);
  }
}

TEST(UnpackAgentCopy, ShortStoredTrailerIsWrittenAsAFullOne) {
  // A trailer stored with size 70 reads 66 bytes; the copy still gets 74 with its size field set.
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("Engine.exe*"), "E")};
  std::string pkg = BuildPackage(spec);
  pkg.erase(pkg.size() - 8, 4);  // drop bytes 66..69 of the trailer
  PutLe32(pkg, pkg.size() - 4, 70);
  Runner run;
  run.host.files["s.exe"] = pkg;
  run.Go("s.exe", "agent.exe");
  const std::string copy = run.host.files[Dest("agent.exe")];
  ASSERT_EQ(copy.size(), 4 + spec.descriptors[0].size() + 4 + spec.descriptors[1].size() + 74);
  EXPECT_EQ(copy.substr(copy.size() - 74, 66), pkg.substr(pkg.size() - 70, 66));
  EXPECT_EQ(copy.substr(copy.size() - 8), std::string("\0\0\0\1\x4a\0\0\0", 8));
}

TEST(UnpackSaveError, OneBoxPerProcessAndNoEngine) {
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("Engine.exe*"), "E"), FileBlock(Header("big"), "0123456789"),
                 FileBlock(Header("after"), "x")};
  const std::string pkg = BuildPackage(spec);
  UnpackProcessState state;
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    Runner run;
    run.host.files["s.dat"] = pkg;
    run.host.disk_space = 5;  // the engine fits, "big" does not
    const UnpackResult r = UnpackPackage(run.host, "s.dat", kDest, "", run.options, state);
    EXPECT_FALSE(r.checksum_ok);
    EXPECT_EQ(r.failure, UnpackFailure::kSaveError);
    EXPECT_EQ(r.main_entry, "");
    EXPECT_EQ(run.host.files.count(Dest("after")), 0u);
    if (attempt == 0) {
      ASSERT_EQ(run.host.errors.size(), 1u);
      EXPECT_EQ(run.host.errors[0],
                Dest("big") +
                    "<P><P>Unable to save Extracted File!<P><P>There is not enough space on the "
                    "disk.<P>  Data Size: <T>10 Bytes<P>  File Size:  <T>4 Bytes<P>  Bytes "
                    "Free: <T>0 Bytes");
    } else {
      EXPECT_TRUE(run.host.errors.empty());
    }
  }
  EXPECT_EQ(state.save_error_count, 2);
}

TEST(UnpackSaveError, UnopenableTargetCountsAsSaveError) {
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("Engine.exe*"), "E"), FileBlock(Header("locked.dll"), "L")};
  Runner run;
  run.host.files["s.dat"] = BuildPackage(spec);
  run.host.unwritable.insert(Dest("locked.dll"));
  const UnpackResult r = run.Go("s.dat");
  EXPECT_EQ(r.failure, UnpackFailure::kSaveError);
  EXPECT_EQ(r.main_entry, "");
  ASSERT_EQ(run.host.errors.size(), 1u);
  EXPECT_NE(run.host.errors[0].find("Data Size: <T>1 Bytes"), std::string::npos);
}

TEST(UnpackPackage, FolderErrorIsShownAndUnpackingGoesOn) {
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("a"), "1")};
  MemoryHost host;
  host.files["s.dat"] = BuildPackage(spec);
  UnpackProcessState state;
  const UnpackResult r = UnpackPackage(host, "s.dat", "", "", UnpackOptions(), state);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0], "<P><P>Unable to create Directory!<P><P>The path is empty.");
  EXPECT_EQ(host.files["\\a"], "1");
  EXPECT_EQ(r.failure, UnpackFailure::kNone);
}

}  // namespace
}  // namespace velkor::unpack_test
