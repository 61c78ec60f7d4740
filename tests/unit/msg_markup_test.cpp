#include "ui/msg_markup.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

struct MarkupCase {
  const char* name;
  std::string input;
  std::string plain;
  std::vector<BoldSpan> spans;
};

TEST(MsgMarkup, ConvertsEscapesAndBoldTags) {
  const MarkupCase cases[] = {
      {"plain text untouched", "Disk full", "Disk full", {}},
      {"backslash pair n breaks", "a\\\\nb", "a\r\nb", {}},
      {"capital N is not an escape", "a\\\\Nb", "a\\\\Nb", {}},
      {"single backslash n is not an escape", "a\\nb", "a\\nb", {}},
      {"backslash pair t is a tab", "a\\\\tb", "a\tb", {}},
      {"P tag in either case", "a<p>b<P>c", "a\r\nb\r\nc", {}},
      {"T tag in either case", "<t>x<T>y", "\tx\ty", {}},
      {"mixed-case bold tags", "<b>bold</B> x", "bold x", {{0, 4}}},
      {"two runs", "x <B>a</b> y <b>c</b>", "x a y c", {{2, 3}, {6, 7}}},
      {"line break inside a run counts two", "<b>a<p>b</b>", "a\r\nb", {{0, 4}}},
      {"run after a line break", "x<P><b>y</b>", "x\r\ny", {{3, 4}}},
      {"opening tag without close", "<b>open only", "open only", {}},
      {"close before the first open disables later runs", "</b>x<b>y</b>z", "xyz", {}},
      {"leading double angle opens bold", "<<b>Head</b>", "Head", {{0, 4}}},
      {"double angle elsewhere stays", "a<<b>x", "a<x", {}},
      {"empty run does not eat the next", "<B></B>x<B>y</B>", "xy", {{0, 0}, {1, 2}}},
      {"stray closing tags all removed", "a</b>b</B>c", "abc", {}},
      {"closing tag formed by a removal is removed too", "<</B>/B>x", "x", {}},
      {"nested run ends within the text", "<B><B>x</B>", "x", {{0, 1}}},
      {"nested runs both end within the text", "<B>a<B>b</B></B>", "ab", {{0, 2}, {1, 2}}},
      {"other angle words stay", "<DRIVE> <br>", "<DRIVE> <br>", {}},
      {"empty text", "", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MsgMarkup m = ConvertMsgMarkup(c.input);
    EXPECT_EQ(m.plain, c.plain);
    EXPECT_EQ(m.spans, c.spans);
  }
}

TEST(MsgMarkup, SplitAloneLeavesEscapes) {
  MsgMarkup m = SplitMsgMarkup("<b>a</b><P>\\\\n");
  EXPECT_EQ(m.plain, "a<P>\\\\n");
  EXPECT_EQ(m.spans, (std::vector<BoldSpan>{{0, 1}}));
}

TEST(MsgMarkup, HeadingUpperCasesOnlyBuiltInCaptions) {
  const struct {
    std::string caption;
    std::string heading;
  } cases[] = {
      {"Error", "ERROR"},        {"Attention", "ATTENTION"}, {"Confirm", "CONFIRM"},
      {"error", "error"},        {"Fehler", "Fehler"},       {"rror", "RROR"},
      {"Setup error", "Setup error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(MsgHeadingText(c.caption, "m"), "<<b>" + c.heading + "</b><P><P>m<P>");
  }
}

TEST(MsgMarkup, HeadingThroughBothPasses) {
  MsgMarkup m = ConvertMsgMarkup(MsgHeadingText("Error", "Disk <b>C:</b> full"));
  EXPECT_EQ(m.plain, "ERROR\r\n\r\nDisk C: full\r\n");
  EXPECT_EQ(m.spans, (std::vector<BoldSpan>{{0, 5}, {14, 16}}));

  // An empty caption still leaves a well-formed text: an empty bold run and the empty line.
  MsgMarkup empty = ConvertMsgMarkup(MsgHeadingText("", "x"));
  EXPECT_EQ(empty.plain, "\r\n\r\nx\r\n");
}

}  // namespace
}  // namespace velkor
