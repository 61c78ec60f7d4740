#include "support/text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace velkor {
namespace {

TEST(Text, TrimAndUpper) {
  EXPECT_EQ(Trim(std::string("\t\r\n \0 a b \x01\x20", 11)), "a b");
  EXPECT_EQ(Trim(" \x21 "), "\x21");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(UpperAscii("az\xE4{`AZ"), "AZ\xE4{`AZ");
}

TEST(Text, Search) {
  EXPECT_EQ(PosFrom("b", "abcb", 3), 4u);
  EXPECT_EQ(PosFrom("b", "abcb", 5), 0u);
  EXPECT_EQ(PosFrom("b", "abcb", 4), 4u);
  EXPECT_EQ(PosFrom("b", "abcb", 0), 2u);
  EXPECT_EQ(PosFrom("", "abcb", 1), 0u);
  EXPECT_EQ(PosFrom("cbx", "abcb", 3), 0u);
  EXPECT_EQ(PosTextFrom("B", "abcb", 3), 4u);
  EXPECT_EQ(LastPos("\\", "a\\b\\c"), 4u);
  EXPECT_EQ(LastPos("x", "abc"), 0u);
  EXPECT_EQ(LastPos("", "abc"), 0u);
  EXPECT_EQ(LastPos("aa", "aaa"), 2u);
  EXPECT_EQ(ReversedPosText(".EXE", "setup.exe"), 1u);
  EXPECT_EQ(ReversedPosText("setup", "setup.exe"), 5u);
  EXPECT_EQ(ReversedPosText("zip", "setup.exe"), 0u);
}

TEST(Text, Compare) {
  struct Case {
    std::string affix;
    std::string text;
    bool ignore_case;
    bool starts;
    bool ends;
  } const cases[] = {
      {"ab", "abc", false, true, false},
      {"AB", "abc", false, false, false},
      {"AB", "abc", true, true, false},
      {"BC", "abc", true, false, true},
      {"bc", "abc", false, false, true},
      {"abcd", "abc", true, false, false},
      {"abc", "abc", false, true, true},
      {"", "abc", false, false, true},  // empty prefix never matches
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartsWithStr(c.affix, c.text, c.ignore_case), c.starts) << c.affix << "/" << c.text;
    EXPECT_EQ(EndsWithStr(c.affix, c.text, c.ignore_case), c.ends) << c.affix << "/" << c.text;
  }
  EXPECT_TRUE(SameTrimmedText("  Setup.EXE\t", "setup.exe"));
  EXPECT_FALSE(SameTrimmedText("setup .exe", "setup.exe"));
}

TEST(Text, Replace) {
  struct Case {
    bool ignore_case;
    std::string text, find, replacement, expected;
  } const cases[] = {
      {false, "a.b.c", ".", "..", "a..b..c"},
      {true, "Path <p>x<P>", "<P>", "|", "Path |x|"},
      {false, "Path <p>x<P>", "<P>", "|", "Path <p>x|"},
      {false, "abc", "", "x", "abc"},
      {false, "Windows", "Windows", "Windows NT", "Windows NT"},  // no endless loop
      {false, "aabb", "ab", "", ""},  // a match formed by closing up is removed too
      {false, "xaabbx", "ab", "", "xx"},
      {false, "aaa", "aa", "b", "ba"},
      {true, "ONE one OnE", "one", "1", "1 1 1"},
      {true, "MiXeD", "x", "yy", "MiyyeD"},  // case kept outside the match
      {false, std::string("a\0b\0", 4), std::string("\0", 1), "-", "a-b-"},
  };
  for (const Case& c : cases) {
    const std::string got = c.ignore_case ? ReplaceText(c.text, c.find, c.replacement)
                                          : ReplaceStr(c.text, c.find, c.replacement);
    EXPECT_EQ(got, c.expected) << c.text << " / " << c.find << " -> " << c.replacement;
  }
}

TEST(Text, ReplaceWithEveryByteInFind) {
  // No free placeholder byte would exist for this find text; replacement must still work.
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(ReplaceStr("<" + all + all + ">", all, "x"), "<xx>");
}

TEST(Text, Cutting) {
  EXPECT_EQ(TextBefore("key=value=x", "=", "d"), "key");
  EXPECT_EQ(TextAfter("key=value=x", "=", "d"), "value=x");
  EXPECT_EQ(TextBefore("keyvalue", "=", "d"), "d");
  EXPECT_EQ(TextAfter("keyvalue", "=", "d"), "d");
  EXPECT_EQ(TextAfter("a::b", "::", "d"), "b");
  EXPECT_EQ(TextBefore("aXb", "x", "d"), "d");  // case-sensitive
  EXPECT_EQ(TextAfter("a=", "=", "d"), "");
}

TEST(Text, StripEnclosing) {
  struct Case {
    std::string text;
    char c;
    bool force, one_each;
    std::string expected;
  } const cases[] = {
      {"\"\"a\"\"", '"', false, false, "a"},
      {"\"\"a\"\"", '"', false, true, "\"a\""},
      {"\"", '"', false, false, ""},
      {"a", '"', true, false, "a"},
      {"\"a", '"', false, false, "\"a"},  // not enclosed, not forced
      {"\"a", '"', true, false, "a"},
      {"a\"\"", '"', true, false, "a"},  // forced: only the trailing ones go
      {"a\"\"", '"', true, true, "a\""},
      {"\"\"", '"', false, false, ""},
      {"\"\"", '"', false, true, ""},
      {"|x|", '|', false, true, "x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StripEnclosing(c.text, c.c, c.force, c.one_each), c.expected)
        << c.text << " force=" << c.force << " one=" << c.one_each;
  }
  EXPECT_EQ(Unquote("  \"C:\\Program Files\\a.exe\"  ", false), "C:\\Program Files\\a.exe");
  EXPECT_EQ(Unquote(" a.exe\" ", false), "a.exe\"");
  EXPECT_EQ(Unquote(" a.exe\" ", true), "a.exe");
}

TEST(Text, Formatting) {
  EXPECT_EQ(ReverseText("abc"), "cba");
  EXPECT_EQ(ReverseText(""), "");
  EXPECT_EQ(ExpandEscapes("a\\\\nb\\\\tc<p>d<T>e"), "a\r\nb\tc\r\nd\te");
  EXPECT_EQ(ExpandEscapes("a\\\\Nb\\nc"), "a\\\\Nb\\nc");  // escapes themselves are case-sensitive
  EXPECT_EQ(PadLeft("7", 3, ' '), "  7");
  EXPECT_EQ(PadLeft("1234", 3, ' '), "1234");
  EXPECT_EQ(PadLeft("1", -2, ' '), "1");
  EXPECT_EQ(ZeroPad(7, 2), "07");
  EXPECT_EQ(ZeroPad(123, 2), "123");
  EXPECT_EQ(ZeroPad(0, 3), "000");
  EXPECT_EQ(ZeroPad(-5, 4), "-005");
  EXPECT_EQ(ZeroPad(INT64_MIN, 2), "-9223372036854775808");
}

TEST(Text, Numbers) {
  struct Case {
    std::string text;
    std::int64_t hex;
  } const cases[] = {
      {"0x1F", 31},
      {"0X1f", 31},
      {"ff", 255},
      {"", 0},
      {"0x", 0},
      {" 1F ", 31},
      {"7FFFFFFFFFFFFFFF", INT64_MAX},
      {"FFFFFFFFFFFFFFFF", -1},  // wraps around in 64 bits
      {"1G", 16 - 1},  // an unknown character counts as -1
      {" 0x1F", 15 + 16 - 256},  // the prefix is tested before trimming
  };
  for (const Case& c : cases) EXPECT_EQ(HexToInt64(c.text), c.hex) << c.text;
  EXPECT_EQ(StrToInt64Base("101", 2), 5);
  EXPECT_EQ(StrToInt64Base("19", 8), 17);  // digits are not checked against the base
  EXPECT_EQ(StrToInt64Base("10000000000000000000", 16), 0);  // overflow wraps, no trap
  EXPECT_EQ(Min64(-3, 2), -3);
  EXPECT_EQ(Max64(-3, 2), 2);
  EXPECT_EQ(EnsureRange64(5, 10, 1), 1);
  EXPECT_EQ(EnsureRange64(5, 1, 10), 5);
  EXPECT_EQ(EnsureRange64(-5, 1, 10), 1);
  EXPECT_EQ(EnsureRange64(50, 1, 10), 10);
}

TEST(Text, DecimalConversion) {
  struct Case {
    std::string text;
    bool ok;
    std::int64_t value;
  } const cases[] = {
      {"-5", true, -5},
      {" 12 ", true, 12},
      {"+3", true, 3},
      {"12x", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"1 2", false, 0},
      {"0x10", false, 0},
      {"9223372036854775807", true, INT64_MAX},
      {"-9223372036854775808", true, INT64_MIN},
      {"9223372036854775808", false, 0},
      {"-9223372036854775809", false, 0},
      {"99999999999999999999", false, 0},
  };
  for (const Case& c : cases) {
    std::int64_t v = 0;
    EXPECT_EQ(TryStrToInt64(c.text, &v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
    EXPECT_EQ(StrToInt64Def(c.text, 77), c.ok ? c.value : 77) << c.text;
  }
  EXPECT_EQ(StrToIntDef("-2147483648", 1), INT32_MIN);
  EXPECT_EQ(StrToIntDef("2147483648", 1), 1);
}

TEST(Text, RandomRange) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string t = RandomRangeText(10000, 100000);
    const std::int64_t v = StrToInt64Def(t, -1);
    ASSERT_GE(v, 10000);
    ASSERT_LE(v, 100000);
    seen.insert(t);
  }
  // Calls in quick succession must not repeat one number (a clock reseed per call would).
  EXPECT_GT(seen.size(), 100u);
  EXPECT_EQ(RandomRangeText(3, 3), "3");
  EXPECT_EQ(RandomRangeText(5, 1), "5");
  const std::int64_t full = StrToInt64Def(RandomRangeText(INT64_MIN, INT64_MAX), 0);
  (void)full;  // any value is in range; the call must simply not overflow
  std::set<std::string> small;
  for (int i = 0; i < 200; ++i) small.insert(RandomRangeText(-1, 1));
  EXPECT_EQ(small, (std::set<std::string>{"-1", "0", "1"}));
}

// A made-up double-byte code page in which 0x81 starts a two-byte character.
bool Lead81(unsigned char b) { return b == 0x81; }

TEST(Text, TrailingSlash) {
  struct Case {
    std::string path;
    bool with;
    std::string expected;
  } const cases[] = {
      {"C:\\Dir\\", false, "C:\\Dir"},
      {"C:\\Dir", true, "C:\\Dir\\"},
      {"C:\\Dir\\", true, "C:\\Dir\\"},
      {"C:\\Dir\\\\", false, "C:\\Dir\\"},  // at most one goes
      {"C:\\", false, "C:"},
      {"C:\\", true, "C:\\"},
      {"C\\", false, "C\\"},  // one or two characters keep their backslash
      {"\\", false, "\\"},
      {"", true, "\\"},
      {"C:\\\x81\\", false, "C:\\\x81\\"},  // the backslash is the second byte of a character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetTrailingSlash(c.path, c.with, &Lead81), c.expected) << c.path << " " << c.with;
  }
  EXPECT_EQ(SetTrailingSlash("C:\\\x81\\", false), "C:\\\x81");  // no lead bytes by default

  EXPECT_EQ(RemoveTrailingSlash("\\"), "");
  EXPECT_EQ(RemoveTrailingSlash("C:\\"), "C:");
  EXPECT_EQ(RemoveTrailingSlash("a\\"), "a");
  EXPECT_EQ(RemoveTrailingSlash("a\\\\"), "a\\");
  EXPECT_EQ(RemoveTrailingSlash("a"), "a");
  EXPECT_EQ(RemoveTrailingSlash("\x81\\", &Lead81), "\x81\\");
}

TEST(Text, CollapseBackslashes) {
  struct Case {
    std::string path;
    bool remove_trailing;
    std::string expected;
  } const cases[] = {
      {"C:\\\\a\\\\\\b", false, "C:\\a\\b"},
      {"\\\\server\\share", false, "\\\\server\\share"},
      {"\\\\\\\\server\\share", false, "\\\\server\\share"},
      {"C:\\a\\\\", false, "C:\\a\\\\"},  // the last pair is not examined
      {"C:\\a\\\\", true, "C:\\a\\"},
      {"C:\\a\\", true, "C:\\a"},
      {"|a|\\\\server\\b|", false, "|a|\\\\server\\b|"},
      {"|\\\\server\\x|", false, "|\\server\\x|"},
      {"\\\\", false, "\\\\"},  // short texts are left alone
      {"\\\\", true, "\\"},
      {"ab", false, "ab"},
      {"x\\\\\\\\\\\\y", false, "x\\y"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CollapseBackslashes(c.path, c.remove_trailing), c.expected)
        << c.path << " " << c.remove_trailing;
  }
  // A backslash that ends a double-byte character is not merged with the next one.
  EXPECT_EQ(CollapseBackslashes("C:\\\x81\\\\x", false, &Lead81), "C:\\\x81\\\\x");
  EXPECT_EQ(CollapseBackslashes("C:\\\x81\\\\x", false), "C:\\\x81\\x");
}

TEST(Text, LeadByteHook) {
  const LeadByteTest saved = GetLeadByteTest();
  SetLeadByteTest(&Lead81);
  EXPECT_EQ(SetTrailingSlash("C:\\\x81\\", false), "C:\\\x81\\");
  SetLeadByteTest(saved);
}

}  // namespace
}  // namespace velkor
