#include "ui/msg_layout.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

TEST(MsgLayout, ButtonSetsAndIcons) {
  auto codes = [](std::uint32_t style) {
    std::vector<std::pair<int, int>> out;
    for (const MsgButtonSpec& b : MsgButtonsForStyle(style)) out.push_back({b.caption_item, b.code});
    return out;
  };
  using V = std::vector<std::pair<int, int>>;
  EXPECT_EQ(codes(16), (V{{0, 1}}));
  EXPECT_EQ(codes(48), (V{{0, 1}}));
  EXPECT_EQ(codes(33), (V{{0, 1}, {1, 2}}));
  EXPECT_EQ(codes(36), (V{{2, 6}, {3, 7}}));
  EXPECT_EQ(MsgIconForStyle(16), 32513);
  EXPECT_EQ(MsgIconForStyle(36), 32514);
  EXPECT_EQ(MsgIconForStyle(48), 32515);
  EXPECT_EQ(MsgIconForStyle(1), 0);
}

TEST(MsgLayout, RightToLeftOnlyForHebrewAndArabicCharsets) {
  EXPECT_EQ(MsgStyleForCharset(16, 177), 16u | kMsgStyleRight | kMsgStyleRtlReading);
  EXPECT_EQ(MsgStyleForCharset(16, 178), 16u | kMsgStyleRight | kMsgStyleRtlReading);
  EXPECT_EQ(MsgStyleForCharset(16, 1), 16u);
  EXPECT_EQ(MsgStyleForCharset(16, 161), 16u);
}

TEST(MsgLayout, CaptionsAndButtonDefaults) {
  EXPECT_EQ(MsgCaptionOrDefault("", 0), "Error");
  EXPECT_EQ(MsgCaptionOrDefault("", 1), "Attention");
  EXPECT_EQ(MsgCaptionOrDefault("", 2), "Confirm");
  EXPECT_EQ(MsgCaptionOrDefault("Fehler", 0), "Fehler");
  EXPECT_EQ(MsgButtonsOrDefault(""), kMsgDefaultButtons);
  EXPECT_EQ(MsgButtonsOrDefault("|A|B|"), "|A|B|");

  const std::string german = "|&OK|&Abbrechen|&Ja|&Nein|&Abbruch|&Wiederholen|&Ignorieren|";
  EXPECT_EQ(MsgButtonCaption(german, 3), "&Nein");
  EXPECT_EQ(MsgButtonCaption("^Oui^Non^", 1), "Non");
  // A list too short for the button falls back to the built-in caption.
  EXPECT_EQ(MsgButtonCaption("|OK|", 2), "&Yes");
  EXPECT_EQ(MsgButtonCaption("|OK|Abbrechen", 1), "&Cancel");  // malformed list
}

TEST(MsgLayout, MeasuresLinesAndWidth) {
  // 6 pixels per character, line height 13.
  auto width = [](std::string_view line) { return static_cast<int>(line.size()) * 6; };
  const struct {
    const char* name;
    std::string text;
    int width;
    int height;
  } cases[] = {
      {"empty text is one blank", "", 16, 13},
      {"one line", "abc", 28, 13},
      {"final line break adds no line", "abc\r\n", 28, 13},
      {"empty line in the middle counts", "a\r\n\r\nb", 16, 39},
      {"widest line wins", "ab\r\nabcdef", 46, 26},
      {"just under 600 pixels is one line", std::string(99, 'x'), 600, 13},
      {"exactly 600 pixels counts two lines", std::string(100, 'x'), 600, 26},
      {"1500 pixels count three lines", std::string(250, 'x'), 600, 39},
      {"lone CR is not a break", "a\rb", 28, 13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MsgTextSize s = MeasureMsgText(c.text, 13, width);
    EXPECT_EQ(s.width, c.width);
    EXPECT_EQ(s.height, c.height);
  }
}

TEST(MsgLayout, BoldFitAllowsTheLineAfterAFinalBreak) {
  EXPECT_EQ(MsgBoldFitHeight("ERROR\r\n\r\nDisk full\r\n", 36, 12), 48);
  EXPECT_EQ(MsgBoldFitHeight("Disk full", 12, 12), 12);
  EXPECT_EQ(MsgBoldFitHeight("a\r\nb", 24, 12), 24);
  EXPECT_EQ(MsgBoldFitHeight("", 12, 12), 12);
}

TEST(MsgLayout, BoxSizeMarginsAndMinimum) {
  const MsgMetrics m{4, 4, 18};
  const struct {
    int w, h, width, height;
  } cases[] = {
      {100, 20, 360, 20 + 36 + 90 + 8 + 18},    // narrow: wide margins, at least 360
      {199, 38, 199 + 54 + 128 + 8, 38 + 36 + 90 + 8 + 18},
      {200, 39, 360, 39 + 36 + 64 + 8 + 18},    // margins drop to 32 at 200 x 39
      {300, 100, 300 + 54 + 64 + 8, 100 + 36 + 64 + 8 + 18},
      {610, 13, 610 + 54 + 64 + 8, 13 + 36 + 90 + 8 + 18},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    MsgTextSize s = MsgBoxOuterSize(c.w, c.h, m);
    EXPECT_EQ(s.width, c.width);
    EXPECT_EQ(s.height, c.height);
  }
}

TEST(MsgLayout, ControlAndButtonPlacement) {
  EXPECT_EQ(MsgEditPlacement(500, 200, 300, 100), (MsgRect{127, 32, 300, 129}));
  // Odd slack truncates.
  EXPECT_EQ(MsgEditPlacement(501, 201, 300, 100), (MsgRect{127, 32, 300, 130}));
  EXPECT_EQ(MsgButtonPlacement(400, 150, 0, 1), (MsgRect{320, 121, 70, 23}));
  EXPECT_EQ(MsgButtonPlacement(400, 150, 0, 2), (MsgRect{250, 121, 70, 23}));
  EXPECT_EQ(MsgButtonPlacement(400, 150, 1, 2), (MsgRect{320, 121, 70, 23}));
}

TEST(MsgLayout, FocusWrapsBothWays) {
  const struct {
    int current, delta, count, next;
  } cases[] = {
      {-1, +1, 2, 0}, {0, +1, 2, 1}, {1, +1, 2, 0}, {1, -1, 2, 0},
      {0, -1, 2, 1},  {-1, -1, 2, 0}, {-1, -1, 1, 0}, {0, +1, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.current << " " << c.delta << " of " << c.count);
    EXPECT_EQ(MsgNextFocus(c.current, c.delta, c.count), c.next);
  }
}

TEST(MsgLayout, KeysThatChooseButtons) {
  const std::vector<std::string> ok_cancel{"&OK", "&Cancel"};
  const std::vector<std::string> yes_no{"&Yes", "&No"};
  const std::vector<std::string> bare{"Ja", "Nein"};
  const std::vector<std::string> same_letter{"&Save", "&Skip"};

  EXPECT_EQ(MsgAcceleratorLetter("&OK"), 'O');
  EXPECT_EQ(MsgAcceleratorLetter("Sa&ve"), 'V');
  EXPECT_EQ(MsgAcceleratorLetter("ja"), 'J');
  EXPECT_EQ(MsgAcceleratorLetter("x&"), '\0');
  EXPECT_EQ(MsgAcceleratorLetter(""), '\0');

  // Alt + letter compares the caption's second character, as typed or upper-cased.
  EXPECT_EQ(MsgAltKeyButton('o', ok_cancel), 0);
  EXPECT_EQ(MsgAltKeyButton('C', ok_cancel), 1);
  EXPECT_EQ(MsgAltKeyButton('y', yes_no), 0);
  EXPECT_EQ(MsgAltKeyButton('x', yes_no), -1);
  EXPECT_EQ(MsgAltKeyButton('j', bare), -1);  // without "&" Alt does not reach the first letter
  EXPECT_EQ(MsgAltKeyButton('a', bare), 0);
  EXPECT_EQ(MsgAltKeyButton('S', {"S", "&Skip"}), 1);  // one-character captions never match
  EXPECT_EQ(MsgAltKeyButton('S', same_letter), 0);     // leftmost

  // Plain key presses: the accelerator letter, rightmost match.
  EXPECT_EQ(MsgLetterKeyButton('O', ok_cancel), 0);
  EXPECT_EQ(MsgLetterKeyButton('C', ok_cancel), 1);
  EXPECT_EQ(MsgLetterKeyButton('Y', yes_no), 0);
  EXPECT_EQ(MsgLetterKeyButton('N', yes_no), 1);
  EXPECT_EQ(MsgLetterKeyButton('J', bare), 0);
  EXPECT_EQ(MsgLetterKeyButton('S', same_letter), 1);
  EXPECT_EQ(MsgLetterKeyButton('Q', yes_no), -1);
  // Numeric-pad and function keys share codes with lower-case letters; they choose nothing.
  EXPECT_EQ(MsgLetterKeyButton(0x6F /* numpad divide, 'o' */, ok_cancel), -1);
  EXPECT_EQ(MsgLetterKeyButton(0x6E /* numpad decimal, 'n' */, yes_no), -1);
  EXPECT_EQ(MsgLetterKeyButton(0x0D /* Return */, ok_cancel), -1);
}

}  // namespace
}  // namespace velkor
