// Trailer bytes, the package checksum, packed dates and the two scrambled forms.

#include <gtest/gtest.h>

#include "pack_fixture.h"
#include "package_format.h"
#include "scramble.h"

namespace velkor::pack::testing {
namespace {

TEST(PackTrailer, FieldsLandAtTheirOffsets) {
  TrailerFields f;
  f.descriptor_count = 3;
  f.data_offset = 0x01020304;
  f.files_count = 7;
  f.checksum = 0xA1B2C3D4;
  f.space_table[0] = 11;
  f.space_table[8] = 99;
  f.flags = kFlagMultiVolume | kFlagTraceLog;
  f.ask_before_download = 1;
  f.this_is_agent = 1;
  const std::string t = EncodeTrailer(f);
  ASSERT_EQ(t.size(), 74u);
  EXPECT_EQ(t[0], 1);
  EXPECT_EQ(t[1], 3);
  EXPECT_EQ(t.substr(4, 4), std::string("\x04\x03\x02\x01", 4));
  EXPECT_EQ(t.substr(12, 4), std::string("\x1D\x2C\x3B\x4A", 4));
  EXPECT_EQ(GetLE32(t, 16), 0xA1B2C3D4u);
  EXPECT_EQ(GetLE32(t, 28), 11u);
  EXPECT_EQ(GetLE32(t, 60), 99u);
  EXPECT_EQ(t[65], 18);
  EXPECT_EQ(t[67], 1);
  EXPECT_EQ(t[69], 1);
  EXPECT_EQ(GetLE32(t, 70), 74u);
  const TrailerFields back = DecodeTrailer(t);
  EXPECT_EQ(back.data_offset, f.data_offset);
  EXPECT_EQ(back.space_table, f.space_table);
  EXPECT_EQ(back.flags, f.flags);
}

class PackChecksum : public PackTest {};

std::string Words(int count) {
  std::string s;
  for (int i = 1; i <= count; ++i) AppendLE32(s, static_cast<uint32_t>(i));
  return s;
}

TEST_F(PackChecksum, SumsOnlyWordsEndingMoreThan78BytesBeforeTheEnd) {
  // 25 words, 100 bytes, no image: R = 26 and a word counts while R - 4k > 4, so words 1..5.
  EXPECT_EQ(ComputePackageChecksum(Put("a", Words(25)), 74), 1u + 2 + 3 + 4 + 5);
}

TEST_F(PackChecksum, AddsTheBlockConstantAfterEveryFull4096ByteBlock) {
  // Two full blocks and a short one of zeros: only the per-block 1234 counts.
  EXPECT_EQ(ComputePackageChecksum(Put("a", std::string(2 * 4096 + 200, '\0')), 74), 2u * 1234);
}

TEST_F(PackChecksum, WithAnEndOffsetStartsAt512AndIgnoresAppendedBytes) {
  std::string image = FakeStubImage(512) + Words(25);
  PutLE32(image, kEndOffsetLow, static_cast<uint32_t>(image.size()));
  const uint32_t sum = *ComputePackageChecksum(Put("a", image), 74);
  EXPECT_EQ(sum, 15u);
  EXPECT_EQ(ComputePackageChecksum(Put("b", image + NoiseBytes(5000)), 74), sum);
  // Without the end offset the image's own words count too.
  PutLE32(image, kEndOffsetLow, 0);
  EXPECT_NE(ComputePackageChecksum(Put("c", image), 74), 15u);
}

TEST_F(PackChecksum, FilesAbove50MiBAreNotSummed) {
  const fs::path big = Put("big", "");
  fs::resize_file(big, kChecksumSizeLimit + 1);
  EXPECT_EQ(ComputePackageChecksum(big, 74), kSkipChecksum);
  fs::resize_file(big, kChecksumSizeLimit);
  EXPECT_NE(ComputePackageChecksum(big, 74), kSkipChecksum);
  EXPECT_EQ(ComputePackageChecksum(dir_ / "missing", 74), std::nullopt);
}

TEST(PackDates, PackedDateTime) {
  struct Case {
    int y, mo, d, h, mi, s;
    uint32_t packed;
    const char* text;
  } cases[] = {
      {1980, 1, 1, 0, 0, 0, 0x00210000u, "1980-01-01 00:00:00"},
      {2024, 2, 29, 13, 45, 31, (44u << 25) | (2u << 21) | (29u << 16) | (13u << 11) | (45u << 5) | 15u,
       "2024-02-29 13:45:30"},  // odd seconds round down
      {2107, 12, 31, 23, 59, 58, 0xFF9FBF7Du, "2107-12-31 23:59:58"},
      {1979, 12, 31, 23, 59, 59, 0, "-"},
      {2108, 1, 1, 0, 0, 0, 0, "-"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DosDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s), c.packed) << c.text;
    EXPECT_EQ(FormatDosDateTime(c.packed), c.text);
  }
}

TEST(PackScramble, TokenKnownVectorAndRoundTrip) {
  // B = 10 00 01 41 62 10: key 0, no filler before, the token "A", check byte 0x62.
  EXPECT_EQ(UnscrambleTokenChecked("cbbbbcfchdcb"), "A");
  std::mt19937 rng(3);
  const std::string binary("\x00\xFF|*\x7F", 5);
  for (const std::string& plain : {std::string(), std::string("A"), std::string("PROD-1234"), binary,
                                   std::string(200, 'x')}) {
    for (int i = 0; i < 20; ++i) {
      const std::string s = ScrambleToken(plain, rng);
      for (char c : s) ASSERT_TRUE(c >= 'b' && c <= 'x') << s;  // shifted hex digits only
      ASSERT_EQ(UnscrambleTokenChecked(s), plain) << s;
    }
  }
}

TEST(PackScramble, TokenCheckRejectsDamage) {
  std::mt19937 rng(5);
  const std::string s = ScrambleToken("PROD-1234", rng);
  std::string damaged = s;
  damaged[6] = damaged[6] == 'b' ? 'c' : 'b';
  EXPECT_EQ(UnscrambleTokenChecked(damaged), std::nullopt);
  EXPECT_EQ(UnscrambleTokenChecked(s.substr(0, 8)), std::nullopt);  // four bytes are too few
  EXPECT_EQ(UnscrambleTokenChecked(""), std::nullopt);
}

TEST(PackScramble, TextKnownVectorAndSelfInverse) {
  // Key '!' (33): byte 1 XOR (1 + 33), byte 2 XOR (2 - 33) mod 256.
  EXPECT_EQ(ScrambleText("AB", '!'), std::string("Scrambled=01!c\xA3"));
  EXPECT_EQ(ScrambleText("", 'z'), "Scrambled=01z");
  const std::string plain = "|T1|x|y|" + std::string(600, 'q');
  const std::string s = ScrambleText(plain, 'K');
  EXPECT_EQ(ScrambleText(s.substr(13), 'K').substr(13), plain);
  std::mt19937 rng(1);
  for (int i = 0; i < 50; ++i) {
    const char k = ScrambleText("x", rng)[12];
    ASSERT_TRUE(k >= '!' && k <= 'z');
  }
}

}  // namespace
}  // namespace velkor::pack::testing
