// Packages that are damaged or hostile: none of them may write outside the destination, read
// outside the file, or let the engine start.
#include <gtest/gtest.h>

#include "setup/unpack.h"
#include "unpack_fixture.h"

namespace velkor::unpack_test {
namespace {

constexpr char kDest[] = "C:\\SETUP_1";

std::string Dest(const std::string& name) { return std::string(kDest) + "\\" + name; }

UnpackResult Unpack(MemoryHost& host, const std::string& package) {
  host.files["s.dat"] = package;
  UnpackProcessState state;
  return UnpackPackage(host, "s.dat", kDest, "", UnpackOptions(), state);
}

void ExpectRefused(const UnpackResult& r, UnpackFailure failure) {
  EXPECT_FALSE(r.checksum_ok);
  EXPECT_EQ(r.failure, failure);
  EXPECT_EQ(r.main_entry, "");
}

TEST(UnpackDamaged, NamesThatLeaveTheDestinationAreRefused) {
  const char* unsafe[] = {"..\\evil.dll",  "sub\\..\\..\\evil.dll", "\\Windows\\evil.dll",
                          "/etc/evil",     "C:\\Windows\\evil.dll", "c:evil.dll",
                          "file.txt:ads",  "..",                    "a..b",
                          "NUL",           "com1.txt",              "sub\\LPT9 .log",
                          "sub/con",       "CONOUT$"};
  for (const char* name : unsafe) {
    SCOPED_TRACE(name);
    PackageSpec spec;
    spec.blocks = {FileBlock(Header("Engine.exe*"), "E"), FileBlock(Header(name), "bad"),
                   FileBlock(Header("later.txt"), "L")};
    MemoryHost host;
    ExpectRefused(Unpack(host, BuildPackage(spec)), UnpackFailure::kUnsafeName);
    // The engine came first and was written; nothing of the bad block or after it was.
    EXPECT_EQ(host.files.size(), 2u);
    EXPECT_EQ(host.files.count(Dest("Engine.exe")), 1u);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].rfind(name, 0), 0u);
  }
}

TEST(UnpackDamaged, NamesInsideTheDestinationAreAccepted) {
  for (const char* name : {"sub\\file.txt", "a.b.c", "dots.", ".hidden", "console.txt",
                           "COM10", "nul-device.txt", "sub/file.txt"}) {
    SCOPED_TRACE(name);
    PackageSpec spec;
    spec.blocks = {FileBlock(Header(name), "ok")};
    MemoryHost host;
    EXPECT_EQ(Unpack(host, BuildPackage(spec)).failure, UnpackFailure::kNone);
    EXPECT_EQ(host.files[Dest(name)], "ok");
  }
}

TEST(UnpackDamaged, BlocksThatDoNotInflate) {
  const std::string plain = Header("Engine.exe*") + std::string(1, '\0') + std::string(5000, 'q');
  std::string z = Deflate(plain);
  std::string corrupt = z;
  corrupt[z.size() / 2] ^= 0x55;
  corrupt[z.size() / 2 + 1] ^= 0x55;
  std::string bad_check = z;
  bad_check.back() ^= 1;  // Adler-32 check value
  struct Case {
    const char* label;
    std::string data;
    const char* message;
  } cases[] = {
      {"corrupt deflate data", corrupt, "data error"},
      {"wrong check value", bad_check, "data error"},
      {"stream cut short", z.substr(0, z.size() / 2), "buffer error"},
      {"not zlib at all", "plain text, not compressed", "data error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PackageSpec spec;
    spec.blocks = {RawBlock(int32_t(c.data.size()), c.data), FileBlock(Header("after"), "x")};
    MemoryHost host;
    ExpectRefused(Unpack(host, BuildPackage(spec)), UnpackFailure::kInflate);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find(c.message), std::string::npos) << host.errors[0];
    EXPECT_EQ(host.files.count(Dest("after")), 0u);
  }
}

TEST(UnpackDamaged, LengthsOutsideTheVolume) {
  struct Case {
    const char* label;
    std::string block;
  } cases[] = {
      {"most negative length", RawBlock(INT32_MIN, "")},
      {"length past the trailer", RawBlock(1000, "abc")},
      {"stored length past the trailer", RawBlock(-1000, "abc")},
      {"largest length", RawBlock(INT32_MAX, "")},
      {"stored length into the trailer", RawBlock(-10, "|x|0|\0ab")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PackageSpec spec;
    spec.blocks = {FileBlock(Header("Engine.exe*"), "E"), c.block};
    MemoryHost host;
    ExpectRefused(Unpack(host, BuildPackage(spec)), UnpackFailure::kCorrupt);
    EXPECT_EQ(host.files.count(Dest("x")), 0u);
  }
}

TEST(UnpackDamaged, DataOffsetOutsideTheVolume) {
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("Engine.exe*"), "E")};
  std::string pkg = BuildPackage(spec);
  for (int32_t offset : {-4, int32_t(pkg.size()), INT32_MAX}) {
    SCOPED_TRACE(offset);
    PutLe32(pkg, pkg.size() - 74 + 4, uint32_t(offset));
    MemoryHost host;
    ExpectRefused(Unpack(host, pkg), UnpackFailure::kCorrupt);
  }
}

// A payload cut short with the trailer put back: at a block boundary the files before the cut
// are all that can be found; inside a block the package is damaged.
TEST(UnpackDamaged, PayloadCutShortWithTrailerKept) {
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("Engine.exe*"), "E"), FileBlock(Header("a"), "AAAA", true),
                 FileBlock(Header("b"), std::string(3000, 'b'))};
  const std::string full = BuildPackage(spec);
  const std::string trailer = full.substr(full.size() - 74);
  const size_t payload_start = 8 + spec.descriptors[0].size() + spec.descriptors[1].size();
  const size_t second = payload_start + spec.blocks[0].size();
  const size_t third = second + spec.blocks[1].size();
  struct Case {
    const char* label;
    size_t cut;  // payload bytes kept
    UnpackFailure failure;
    size_t files;
  } cases[] = {
      {"after the second block", third, UnpackFailure::kNone, 3},
      {"after the first block", second, UnpackFailure::kNone, 2},
      {"inside a stored block", second + 10, UnpackFailure::kCorrupt, 2},
      {"inside a length field", third + 2, UnpackFailure::kCorrupt, 3},
      {"inside a compressed block", third + 20, UnpackFailure::kCorrupt, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    MemoryHost host;
    const UnpackResult r = Unpack(host, full.substr(0, c.cut) + trailer);
    EXPECT_EQ(r.failure, c.failure);
    EXPECT_EQ(r.main_entry, c.failure == UnpackFailure::kNone ? "Engine.exe*" : "");
    EXPECT_EQ(host.files.size(), c.files);  // the package itself and what was written
  }
}

// A file cut anywhere (its trailer lost) never starts the engine and never crashes.
TEST(UnpackDamaged, FileCutAnywhere) {
  PackageSpec spec;
  spec.pe_image = true;
  spec.compute_checksum = true;
  spec.blocks = {FileBlock(Header("Engine.exe*"), std::string(700, 'E')),
                 FileBlock(Header("a"), "AAAA", true)};
  const std::string full = BuildPackage(spec);
  for (size_t cut = 0; cut < full.size(); ++cut) {
    MemoryHost host;
    const UnpackResult r = Unpack(host, full.substr(0, cut));
    EXPECT_TRUE(r.main_entry.empty() || !r.checksum_ok) << cut;
  }
}

TEST(UnpackDamaged, OverlongHeaderIsCorrupt) {
  PackageSpec spec;
  spec.blocks = {FileBlock(std::string(70000, 'n'), "x")};
  MemoryHost host;
  ExpectRefused(Unpack(host, BuildPackage(spec)), UnpackFailure::kCorrupt);
  EXPECT_EQ(host.files.size(), 1u);
}

// A block that inflates to far more than its own size goes to the target in bounded pieces.
TEST(UnpackDamaged, HighlyCompressibleBlockIsStreamed) {
  const std::string content(8 << 20, '\0');
  PackageSpec spec;
  spec.blocks = {FileBlock(Header("zeros"), content)};
  const std::string pkg = BuildPackage(spec);
  ASSERT_LT(pkg.size(), 100000u);
  MemoryHost host;
  EXPECT_EQ(Unpack(host, pkg).failure, UnpackFailure::kNone);
  EXPECT_EQ(host.files[Dest("zeros")] == content, true);
  EXPECT_LE(host.largest_write, 1u << 20);
}

}  // namespace
}  // namespace velkor::unpack_test
