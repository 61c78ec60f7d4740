#include "package/package_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "package/file_info.h"
#include "package_fixture.h"

namespace velkor::test {
namespace {

std::string Le32(std::int32_t v) {
  std::string s(4, '\0');
  WriteLE32(reinterpret_cast<unsigned char*>(s.data()), static_cast<std::uint32_t>(v));
  return s;
}

TEST(Trailer, SerializeAndParseKeepEveryField) {
  Trailer t = DefaultTrailer();
  t.DescriptorCount = 3;
  t.DataOffset = -5;
  t.FilesCount = 77;
  t.Checksum = 0xDEADBEEF;
  for (std::size_t i = 0; i < kTrailerSpaceTableEntries; ++i) t.SpaceTable[i] = 1000u * (i + 1);
  t.Flags = kFlagSpanCd | kFlagTraceLog;
  t.InternetPackage = 1;
  t.AskBeforeDownload = 2;
  t.HasAgent = 3;
  t.ThisIs_AutoUpdateProg = 4;
  const std::string bytes = SerializeTrailer(t);
  ASSERT_EQ(bytes.size(), 74u);
  // Spot-check positions against the documented layout, not against the parser.
  EXPECT_EQ(bytes.substr(12, 4), std::string("\x1D\x2C\x3B\x4A"));
  EXPECT_EQ(bytes[1], 3);
  EXPECT_EQ(bytes[65], kFlagSpanCd | kFlagTraceLog);
  EXPECT_EQ(bytes[69], 4);
  EXPECT_EQ(bytes.substr(70), Le32(74));
  EXPECT_EQ(bytes.substr(28 + 4 * 8, 4), Le32(9000));
  const Trailer back = ParseTrailer(bytes);
  EXPECT_EQ(SerializeTrailer(back), bytes);
  EXPECT_EQ(back.DataOffset, -5);
  EXPECT_EQ(back.SpaceTable[4], 5000u);
}

TEST(ReadTrailer, FindsDescriptorStringsOfAWellFormedPackage) {
  TempFolder dir;
  PackageLayout layout;
  layout.strings = {"|~GERMAN~s0=Hallo~|", "|http://u|sub/info.ini|agent.exe|tok|1|", "|http://s|setup.exe|1|tok2|12345|"};
  Trailer t = DefaultTrailer();
  t.DescriptorCount = 3;
  const std::string package = BuildPackage(layout, t);
  TGFileInfo info(dir.Write("p.exe", package));
  ASSERT_TRUE(info.HasPackage());
  EXPECT_EQ(info.LanguageTable, "|~GERMAN~s0=Hallo~|");
  EXPECT_EQ(info.PackageInfo, layout.strings[1]);
  EXPECT_EQ(info.InternetInfo, layout.strings[2]);
  EXPECT_EQ(info.trailer.TrailerSize, 74);
  // DataOffset now points at the first payload block.
  EXPECT_EQ(package.substr(static_cast<std::size_t>(info.trailer.DataOffset), 7), "payload");
}

TEST(ReadTrailer, DescriptorCountSelectsTheStringsRead) {
  struct Case {
    std::uint8_t stored;
    std::uint8_t read_as;
    bool internet_string;
  } cases[] = {{0, 2, false}, {2, 2, false}, {3, 3, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.stored));
    TempFolder dir;
    PackageLayout layout;
    layout.strings = {"*", "|a|b|c|d|e|", "|x|y|"};
    Trailer t = DefaultTrailer();
    t.DescriptorCount = c.stored;
    TGFileInfo info(dir.Write("p.exe", BuildPackage(layout, t)));
    EXPECT_EQ(info.trailer.DescriptorCount, c.read_as);
    EXPECT_EQ(info.PackageInfo, "|a|b|c|d|e|");
    EXPECT_EQ(info.InternetInfo, c.internet_string ? "|x|y|" : "");
  }
}

TEST(ReadTrailer, WrongMagicKeepsTheRecordButReadsNoStrings) {
  TempFolder dir;
  Trailer t = DefaultTrailer();
  t.Magic ^= 0x100;
  t.FilesCount = 9;
  t.HasAgent = 1;
  TGFileInfo info(dir.Write("p.exe", BuildPackage(PackageLayout{}, t)));
  EXPECT_FALSE(info.HasPackage());
  EXPECT_EQ(info.trailer.FilesCount, 9);
  EXPECT_TRUE(info.HasAgent());
  EXPECT_EQ(info.LanguageTable, "");
  EXPECT_EQ(info.PackageInfo, "");
}

TEST(ReadTrailer, ShortAndLongStoredTrailers) {
  // A 20-byte trailer fills fields up to the magic only; an 80-byte one is read from its start
  // and taken as 74 bytes.
  TempFolder dir;
  const std::string full = SerializeTrailer(DefaultTrailer());
  {
    const std::string image(100, 'i');
    std::string shortt = full.substr(0, 16);
    shortt[8] = 5;  // FilesCount
    Trailer r;
    ASSERT_TRUE(ReadTrailer(dir.Write("short", image + shortt + Le32(20)), &r));
    EXPECT_EQ(r.TrailerSize, 20);
    EXPECT_EQ(r.FilesCount, 5);
    EXPECT_TRUE(r.HasMagic());
    EXPECT_EQ(r.Checksum, 0u);
    EXPECT_EQ(r.DescriptorCount, 2);
  }
  {
    std::string longt = full.substr(0, 70) + std::string(6, '\x7F') + Le32(80);
    Trailer r;
    ASSERT_TRUE(ReadTrailer(dir.Write("long", std::string(50, 'i') + longt), &r));
    EXPECT_EQ(r.TrailerSize, 74);
    EXPECT_TRUE(r.HasMagic());
  }
}

TEST(ReadTrailer, CorruptLayoutsReadAsNoDescriptor) {
  const std::string good = BuildPackage(PackageLayout{});
  const std::size_t data = 600;  // image size: offset of the first string's length
  auto with = [&](std::size_t pos, const std::string& bytes) {
    std::string s = good;
    s.replace(pos, bytes.size(), bytes);
    return s;
  };
  const std::size_t tpos = good.size() - kTrailerSize;
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty file", ""},
      {"three bytes", "abc"},
      {"trailer size 3", with(good.size() - 4, Le32(3))},
      {"trailer size 0", with(good.size() - 4, Le32(0))},
      {"negative trailer size", with(good.size() - 4, Le32(-74))},
      {"trailer larger than the file", with(good.size() - 4, Le32(static_cast<std::int32_t>(good.size()) + 1))},
      {"data offset past the end", with(tpos + kTrailerDataOffsetPos, Le32(static_cast<std::int32_t>(good.size())))},
      {"negative data offset", with(tpos + kTrailerDataOffsetPos, Le32(-4))},
      {"negative string length", with(data, Le32(-1))},
      {"string past the end", with(data, Le32(static_cast<std::int32_t>(good.size())))},
      {"huge string length", with(data, Le32(0x7FFFFFFF))},
      {"second string past the end", with(data + 5, Le32(0x10000))},
  };
  TempFolder dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGFileInfo info(dir.Write("bad", c.bytes));
    EXPECT_FALSE(info.HasPackage());
    EXPECT_EQ(info.LanguageTable, "");
    EXPECT_EQ(info.PackageInfo, "");
    EXPECT_EQ(info.trailer.TrailerSize, 0);
    EXPECT_FALSE(info.HasAgent());
  }
}

TEST(ReadTrailer, MissingFileGivesAnEmptyDescriptor) {
  TempFolder dir;
  TGFileInfo info(dir.Path("nothing-here.exe"));
  EXPECT_FALSE(info.HasPackage());
  EXPECT_EQ(info.trailer.DescriptorCount, 0);
  EXPECT_EQ(info.AgentExeName(), "");
  Trailer r;
  EXPECT_FALSE(ReadTrailer(dir.Path("nothing-here.exe"), &r));
}

TEST(ReadTrailer, EndOffsetOfAStubImage) {
  TempFolder dir;
  PackageLayout layout;
  layout.pe_image = true;
  layout.write_end_offset = true;
  layout.appended = std::string(100, 'z');
  const std::string bytes = BuildPackage(layout);
  const std::string path = dir.Write("p.exe", bytes);
  ReadOnlyFile file(path);
  EXPECT_TRUE(IsPEImage(file));
  EXPECT_EQ(ReadEndOffset(file), bytes.size() - 100);
  EXPECT_EQ(ReadEndOffsetInImage(bytes), bytes.size() - 100);
  TGFileInfo info(path);
  ASSERT_TRUE(info.HasPackage());
  EXPECT_EQ(info.PackageInfo, layout.strings[1]);

  // The same slot in a file that is no stub image is ignored, so the appended bytes hide the
  // trailer; and a slot pointing past the file means no descriptor.
  std::string not_pe = bytes;
  not_pe[0] = 'X';
  EXPECT_FALSE(TGFileInfo(dir.Write("np.exe", not_pe)).HasPackage());
  std::string past = bytes;
  WriteLE32(reinterpret_cast<unsigned char*>(past.data()) + kEndOffsetLowPos,
            static_cast<std::uint32_t>(bytes.size() + 1));
  EXPECT_FALSE(TGFileInfo(dir.Write("past.exe", past)).HasPackage());
  std::string high = bytes;
  high[kEndOffsetHighPos] = 1;
  EXPECT_FALSE(TGFileInfo(dir.Write("high.exe", high)).HasPackage());
}

TEST(PackageChecksum, SumsWordsThatEndMoreThan78BytesBeforeTheEnd) {
  // 100 bytes, no image: words 0..4 end at most 80 bytes before the end and are summed; the
  // single block is short, so no block bonus.
  TempFolder dir;
  std::string bytes(100, '\0');
  for (int i = 0; i < 6; ++i) WriteLE32(reinterpret_cast<unsigned char*>(bytes.data()) + 4 * i, 1u << i);
  EXPECT_EQ(PackageChecksum(dir.Write("a", bytes), 74), 1u + 2 + 4 + 8 + 16);

  // 4096 + 200 bytes of 0x01: the first block adds its 1024 words and the 1234 bonus, the second
  // block only its first 30 words.
  const std::string ones(4096 + 200, '\x01');
  EXPECT_EQ(PackageChecksum(dir.Write("b", ones), 74), 1054u * 0x01010101u + 1234u);
  EXPECT_EQ(PackageChecksumOfImage(ones, 74), 1054u * 0x01010101u + 1234u);
}

TEST(PackageChecksum, StubImageWithEndOffsetStartsAt512AndIgnoresAppendedBytes) {
  TempFolder dir;
  PackageLayout layout;
  layout.pe_image = true;
  layout.write_end_offset = true;
  layout.payload = std::string(5000, 'p');
  const std::string plain = BuildPackage(layout);
  const Trailer stored = ParseTrailer(std::string_view(plain).substr(plain.size() - kTrailerSize));
  EXPECT_EQ(PackageChecksum(dir.Write("plain.exe", plain), 74), stored.Checksum);

  layout.appended = std::string(100, 'z');
  EXPECT_EQ(PackageChecksum(dir.Write("appended.exe", BuildPackage(layout)), 74), stored.Checksum);

  std::string header_changed = plain;
  header_changed[300] ^= 0x55;  // below 512: not summed
  EXPECT_EQ(PackageChecksum(dir.Write("h.exe", header_changed), 74), stored.Checksum);
  std::string body_changed = plain;
  body_changed[700] ^= 0x55;
  EXPECT_NE(PackageChecksum(dir.Write("b.exe", body_changed), 74), stored.Checksum);
}

TEST(PackageChecksum, FilesAbove50MiBAreNotSummed) {
  TempFolder dir;
  const std::string path = dir.Write("big", "");
  std::filesystem::resize_file(path, 52428800);
  // All zero: only the block bonus counts, for every block but the last full one.
  EXPECT_EQ(PackageChecksum(path, 74), 12799u * 1234u);
  std::filesystem::resize_file(path, 52428801);
  EXPECT_EQ(PackageChecksum(path, 74), 1234u);
  EXPECT_EQ(PackageChecksum(dir.Path("missing"), 74), 1234u);
}

TEST(PackageChecksum, SkipValueOnEitherSidePasses) {
  EXPECT_TRUE(ChecksumPasses(5, 5));
  EXPECT_TRUE(ChecksumPasses(1234, 5));
  EXPECT_TRUE(ChecksumPasses(5, 1234));
  EXPECT_FALSE(ChecksumPasses(5, 6));
}

TEST(TGFileInfo, AccessorsReadTheirItemsAndFlags) {
  TempFolder dir;
  PackageLayout layout;
  layout.strings = {"*", "|http://u/x|dir\\sub/upd.info.txt|agent.exe|TOK|1|",
                    "|http://s|setup.exe|1|STOK|12345|"};
  Trailer t = DefaultTrailer();
  t.DescriptorCount = 3;
  t.InternetPackage = 1;
  t.ThisIs_AutoUpdateProg = 2;
  TGFileInfo info(dir.Write("p.exe", BuildPackage(layout, t)));
  EXPECT_EQ(info.InfoUrl(), "http://u/x");
  EXPECT_EQ(info.InfoFileName(), "upd.info.txt");
  EXPECT_EQ(info.OriginalFileName(), "upd.original");
  EXPECT_EQ(info.AgentExeName(), "agent.exe");
  EXPECT_EQ(info.PackageToken(false), "TOK");
  EXPECT_TRUE(info.RunHidden());
  EXPECT_EQ(info.SetupUrl(), "http://s");
  EXPECT_EQ(info.SetupFileName(), "setup.exe");
  EXPECT_TRUE(info.AlwaysDownload());
  EXPECT_EQ(info.SetupToken(false), "STOK");
  EXPECT_EQ(info.SetupSize(), "12345");
  EXPECT_TRUE(info.InternetPackage());
  EXPECT_TRUE(info.ThisIs_AutoUpdateProg());
  EXPECT_FALSE(info.HasAgent());
  EXPECT_FALSE(info.AskBeforeDownload());

  struct FlagCase {
    std::uint8_t bit;
    bool (TGFileInfo::*accessor)() const;
  } flags[] = {{kFlagConfirmTempDrive, &TGFileInfo::ConfirmTempDrive},
               {kFlagMultiVolume, &TGFileInfo::MultiVolume},
               {kFlagSpanCd, &TGFileInfo::SpanCd},
               {kFlagShowActivityBar, &TGFileInfo::ShowActivityBar},
               {kFlagTraceLog, &TGFileInfo::TraceLog}};
  for (const FlagCase& f : flags) {
    SCOPED_TRACE(static_cast<int>(f.bit));
    TGFileInfo only;
    only.trailer.Flags = f.bit;
    TGFileInfo others;
    others.trailer.Flags = static_cast<std::uint8_t>(~f.bit);
    EXPECT_TRUE((only.*f.accessor)());
    EXPECT_FALSE((others.*f.accessor)());
  }
}

TEST(TGFileInfo, RunHiddenAndAlwaysDownloadNeedExactlyOne) {
  TGFileInfo info;
  info.PackageInfo = "|a|b|c|d|yes|";
  info.InternetInfo = "|a|b| 1|";
  EXPECT_FALSE(info.RunHidden());
  EXPECT_FALSE(info.AlwaysDownload());
}

TEST(TGFileInfo, RequiredSpaceByClusterSize) {
  TGFileInfo info;
  for (std::uint32_t i = 0; i < kTrailerSpaceTableEntries; ++i) info.trailer.SpaceTable[i] = 100 + i;
  info.trailer.SpaceTable[8] = 0xFFFFFFFFu;  // read unsigned
  struct Case {
    std::uint64_t cluster;
    double expected;
  } cases[] = {{0, 100}, {511, 100}, {512, 101}, {1023, 101}, {4096, 104}, {5000, 104},
               {32768, 107}, {65536, 4294967295.0}, {1 << 20, 4294967295.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cluster);
    EXPECT_EQ(info.RequiredSpaceForClusterSize(c.cluster), c.expected);
  }
}

}  // namespace
}  // namespace velkor::test
