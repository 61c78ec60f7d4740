#include "package/token.h"

#include <gtest/gtest.h>

#include "package/file_info.h"

namespace velkor {
namespace {

bool IsRandomDecimal(const std::string& s) {
  if (s.empty() || s.size() > 5) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return std::stoi(s) <= 99998;
}

TEST(Token, DecodesAHandMadeToken) {
  // Bytes 10 00 01 41 42 A4 10: key bytes equal (no xor), 0 leading fillers, q = 1, text "AB",
  // check byte A4 = sum of the others. Each hex digit is stored shifted up by 50.
  EXPECT_EQ(UnscrambleToken("cbbbbcfcfdsfcb"), "AB");
  // Same token with a nonzero key: first byte 11 instead of 10 makes k = 1, so the stored p, q and
  // text bytes are xor-ed with 1 (11 01 00 40 43 A5 10, A5 being the new check byte).
  EXPECT_EQ(UnscrambleToken("ccbcbbfbfesgcb"), "AB");
}

TEST(Token, RoundTripsThroughScrambling) {
  const std::string texts[] = {"", "a", "SECRET-1234", std::string("x|y\0z\xFF\x80", 7),
                               std::string(300, 'q')};
  for (const std::string& text : texts) {
    for (std::uint32_t seed : {0u, 1u, 77u, 0xFFFFFFFFu}) {
      SCOPED_TRACE(text + " / " + std::to_string(seed));
      const std::string scrambled = ScrambleToken(text, seed);
      std::string plain;
      ASSERT_TRUE(TryUnscrambleToken(scrambled, &plain));
      EXPECT_EQ(plain, text);
      EXPECT_EQ(UnscrambleToken(scrambled), text);
    }
  }
  // Fillers vary with the seed, so the stored form does not give the token away.
  EXPECT_NE(ScrambleToken("SECRET", 1), ScrambleToken("SECRET", 2));
  EXPECT_EQ(ScrambleToken("SECRET", 5), ScrambleToken("SECRET", 5));
}

TEST(Token, InvalidTokensDecodeToRandomTextAndNeverMatch) {
  std::string broken = ScrambleToken("SECRET", 3);
  broken[broken.size() - 3] = broken[broken.size() - 3] == 'b' ? 'c' : 'b';  // check byte
  const std::string invalid[] = {"", "cb", "cbbbbcfc", "not a token at all", broken};
  for (const std::string& token : invalid) {
    SCOPED_TRACE(token);
    std::string plain = "untouched";
    EXPECT_FALSE(TryUnscrambleToken(token, &plain));
    EXPECT_EQ(plain, "untouched");
    EXPECT_TRUE(IsRandomDecimal(UnscrambleToken(token)));
    EXPECT_FALSE(SameToken(token, token));
  }
  EXPECT_TRUE(SameToken(ScrambleToken("A", 1), ScrambleToken("A", 2)));
  EXPECT_FALSE(SameToken(ScrambleToken("A", 1), ScrambleToken("B", 1)));
  EXPECT_FALSE(SameToken(ScrambleToken("A", 1), ""));
}

TEST(Token, DescriptorsCompareTokensOnlyWhenBothAreValid) {
  TGFileInfo a, b;
  EXPECT_FALSE(a.SameSetupToken(b));  // both empty
  EXPECT_FALSE(a.SamePackageToken(b));
  a.InternetInfo = "|u|f|0|" + ScrambleToken("T1", 4) + "|9|";
  b.InternetInfo = "|u|f|0|" + ScrambleToken("T1", 8) + "|9|";
  a.PackageInfo = "|u|i|x.exe|" + ScrambleToken("P", 1) + "|";
  b.PackageInfo = "|u|i|x.exe|" + ScrambleToken("Q", 1) + "|";
  EXPECT_TRUE(a.SameSetupToken(b));
  EXPECT_EQ(a.SetupToken(true), "T1");
  EXPECT_FALSE(a.SamePackageToken(b));
  EXPECT_EQ(b.PackageToken(true), "Q");
}

std::string ScrambleText(const std::string& text, unsigned char k) {
  std::string body = text;
  for (std::size_t i = 1; i <= body.size(); ++i) {
    const unsigned m = (i % 2 == 1) ? (i + k) : (i - k);
    body[i - 1] = static_cast<char>(static_cast<unsigned char>(body[i - 1]) ^ (m & 0xFF));
  }
  return "Scrambled=01" + std::string(1, static_cast<char>(k)) + body;
}

TEST(SplitTokenRecord, SplitsTokenAndBody) {
  const std::string token = ScrambleToken("NEWS", 9);
  struct Case {
    const char* name;
    std::string record;
    std::string token_field;
    std::string body;
  } cases[] = {
      {"plain", "head|" + token + "|f1|f2|Hello <B>world</B>|with|bars", token, "Hello <B>world</B>|with|bars"},
      {"scrambled", ScrambleText("x|" + token + "|||body", 37), token, "body"},
      {"no bar", "just text", "", ""},
      {"token without fields", "|" + token, "", ""},
      {"missing body", "|" + token + "|a|b", token, ""},
      {"lower-case marker is not scrambled", "scrambled=01|" + token + "|||b", token, "b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TokenRecord r = SplitTokenRecord(c.record);
    EXPECT_EQ(r.token_field, c.token_field);
    EXPECT_EQ(r.body, c.body);
    if (c.token_field.empty())
      EXPECT_TRUE(IsRandomDecimal(r.token));
    else
      EXPECT_EQ(r.token, "NEWS");
  }
}

}  // namespace
}  // namespace velkor
