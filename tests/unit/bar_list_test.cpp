#include "support/bar_list.h"

#include <gtest/gtest.h>

#include <string>

namespace velkor {
namespace {

const std::string kMonths = "||JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC|";

TEST(BarList, Count) {
  struct Case {
    std::string list;
    int count;
  } const cases[] = {
      {"", 0},
      {"|", 0},
      {"||", 1},
      {"|a||b|", 3},
      {"|a|b", 0},  // malformed: last differs from first
      {"^a^b^", 2},
      {"^a|b^", 1},  // only the first character separates
      {"|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|", 7},
      {kMonths, 13},
      {std::string("|a|\0|b|", 7), 1},  // the count stops at a NUL byte
  };
  for (const Case& c : cases) EXPECT_EQ(BarListCount(c.list), c.count) << c.list;
}

TEST(BarList, Item) {
  struct Case {
    std::string list;
    int index;
    std::string expected;
  } const cases[] = {
      {"|a||c|", 0, "a"},
      {"|a||c|", 1, "x"},  // empty item gives the default
      {"|a||c|", 2, "c"},
      {"|a||c|", 3, "x"},
      {"|a|b", 0, "a"},
      {"|a|b", 1, "x"},  // text after the last separator is never an item
      {"|a|b|", -1, "x"},
      {"", 0, "x"},
      {"|", 0, "x"},
      {"^a|b^c^", 0, "a|b"},
      {kMonths, 2, "FEB"},
      {kMonths, 12, "DEC"},
      {kMonths, 0, "x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BarListItem(c.list, c.index, "x"), c.expected) << c.list << " #" << c.index;
  }
}

TEST(BarList, ItemInt) {
  struct Case {
    std::string list;
    int index;
    std::int32_t expected;
  } const cases[] = {
      {"|7|x|", 0, 7},      {"|7|x|", 1, -1},          {"|7|x|", 2, -1},
      {"|-12|", 0, -12},    {"||", 0, -1},             {"|2147483647|", 0, 2147483647},
      {"|2147483648|", 0, -1},  // beyond 32 bits does not convert
      {"|12x|", 0, -1},     {"|0x10|", 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BarListItemInt(c.list, c.index, -1), c.expected) << c.list << " #" << c.index;
  }
}

TEST(BarList, SetItem) {
  struct Case {
    std::string list;
    int index;
    std::string value;
    std::string expected;
  } const cases[] = {
      {"", 2, "z", "|||z|"},
      {"|a|b|", 1, "x|y", "^a^x|y^"},  // the separator moves to the next free candidate
      {"|a|b|", 0, "", "||b|"},
      {"|a|b|", 3, "d", "|a|b||d|"},
      {"|a|b|", -1, "ignored", "|a|b|"},
      {"^a^b^", 0, "c", "|c|b|"},  // rebuilding returns to "|" when it is free
      {"|a|b|", 0, "|^!", "~|^!~b~"},
      {"|a|b", 1, "x", "|a|x|"},  // text after the last separator is lost, as on reading
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BarListSetItem(c.list, c.index, c.value), c.expected)
        << c.list << " #" << c.index << " = " << c.value;
  }
}

TEST(BarList, SetItemEveryCandidateUsedKeepsList) {
  const std::string all_candidates = "|^!~@#$&*\xFF";
  EXPECT_EQ(BarListSetItem("|a|b|", 0, all_candidates), "|a|b|");
  EXPECT_EQ(BarListSetItem("", 0, all_candidates), "");
  // Nine candidates taken: the byte 0xFF is the last one left.
  EXPECT_EQ(BarListSetItem("|a|", 0, "|^!~@#$&*"), "\xFF|^!~@#$&*\xFF");
}

TEST(BarList, SetItemKeepsItemsAfterANulByte) {
  const std::string list("|a\0b|c|", 7);
  const std::string set = BarListSetItem(list, 1, "d");
  EXPECT_EQ(set, std::string("|a\0b|d|", 7));
  EXPECT_EQ(BarListItem(BarListSetItem(list, 2, "e"), 1, ""), "c");
}

TEST(BarList, SetThenReadRoundTrip) {
  std::string list;
  list = BarListSetItem(list, 1, "one|with bar");
  list = BarListSetItem(list, 0, "zero^caret");
  EXPECT_EQ(BarListCount(list), 2);
  EXPECT_EQ(BarListItem(list, 0, ""), "zero^caret");
  EXPECT_EQ(BarListItem(list, 1, ""), "one|with bar");
}

TEST(BarList, Value) {
  struct Case {
    std::string list;
    std::string name;
    std::string expected;
  } const cases[] = {
      {"|Lang=German| Dir =C:\\|", "dir", "C:\\"},
      {"|Lang=German| Dir =C:\\|", "LANG", "German"},
      {"|Lang=German| Dir =C:\\|", "Lang=", "German"},  // a trailing "=" is not doubled
      {"|A=1|", "B", "none"},
      {"|A=|", "A", ""},  // present but empty is not the default
      {"|AB=1|B=2|", "B", "2"},  // only whole names at the start of an item
      {"|A= x y |", "A", " x y "},  // the value keeps its blanks
      {"|A  =1|", "A", "none"},  // only one blank before "=" goes
      {"|  A=1|", "A", "none"},  // and only one after the separator
      {"|A=1", "A", "none"},  // malformed
      {"||", "A", "none"},
      {"|A=1|A=2|", "a", "1"},
      {"^k=v|w^", "K", "v|w"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BarListValue(c.list, c.name, "none"), c.expected) << c.list << " / " << c.name;
  }
}

TEST(BarList, PosText) {
  EXPECT_EQ(PosText("hide", "/SleepX=1 /HIDE"), 12u);
  EXPECT_EQ(PosText("", "abc"), 0u);
  EXPECT_EQ(PosText("x", "abc"), 0u);
  // Only ASCII letters are folded: 0xE4 and 0xC4 stay different.
  EXPECT_EQ(PosText("\xE4", "\xC4"), 0u);
}

}  // namespace
}  // namespace velkor
