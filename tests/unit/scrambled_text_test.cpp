#include "support/scrambled_text.h"

#include <gtest/gtest.h>

#include <string>

namespace velkor {
namespace {

TEST(ScrambledText, UnscramblesByAlternatingKeyMask) {
  // Key 'A' (65): byte 1 is XOR (1+65)=0x42, byte 2 XOR (2-65) mod 256=0xC1, byte 3 XOR 0x44.
  const std::string scrambled = std::string("Scrambled=01A") + char('h' ^ 0x42) +
                                char('i' ^ 0xC1) + char('!' ^ 0x44);
  EXPECT_EQ(UnscrambleText(scrambled), "hi!");
}

TEST(ScrambledText, PassesThroughUnmarkedText) {
  for (const std::string text : {"", "plain", "scrambled=01Axyz", "Scrambled=0", "xScrambled=01A"}) {
    EXPECT_EQ(UnscrambleText(text), text);
  }
}

TEST(ScrambledText, MarkerWithoutBody) {
  EXPECT_EQ(UnscrambleText("Scrambled=01"), "");
  EXPECT_EQ(UnscrambleText("Scrambled=01z"), "");
}

TEST(ScrambledText, RoundTripOverLongBodiesAndAllKeys) {
  // Longer than 256 bytes so the mask index wraps, with every byte value in the text.
  std::string plain;
  for (int i = 0; i < 600; ++i) plain += static_cast<char>(i * 7);
  for (int k = 33; k <= 122; ++k) {
    const std::string s = ScrambleText(plain, static_cast<char>(k));
    ASSERT_EQ(s.substr(0, 13), std::string("Scrambled=01") + static_cast<char>(k));
    EXPECT_NE(s.substr(13), plain);
    EXPECT_EQ(UnscrambleText(s), plain) << "key " << k;
  }
}

TEST(ScrambledText, KeyOutsideRangeIsFolded) {
  for (char k : {'\0', ' ', '{', '\xFF'}) {
    const std::string s = ScrambleText("token|text", k);
    const unsigned char used = static_cast<unsigned char>(s[12]);
    EXPECT_GE(used, 33);
    EXPECT_LE(used, 122);
    EXPECT_EQ(UnscrambleText(s), "token|text");
  }
}

}  // namespace
}  // namespace velkor
