#pragma once
// The message box's markup: the two passes that turn a message text into the plain text shown and
// the runs drawn in bold, and the heading that mode 0 puts above the message.
#include <string>
#include <vector>

namespace velkor {

// Characters [start, end) of the plain text are bold. Offsets count a line break as CR LF.
struct BoldSpan {
  int start = 0;
  int end = 0;
  bool operator==(const BoldSpan&) const = default;
};

struct MsgMarkup {
  std::string plain;
  std::vector<BoldSpan> spans;
};

// Second pass, run on text whose escapes are already expanded: removes the bold tags (any case)
// and records the runs they enclose. An opening tag whose first closing tag lies before it (or
// that has none) encloses nothing; every closing tag left over is removed.
MsgMarkup SplitMsgMarkup(const std::string& text);

// Both passes: escapes first ("\\n", "\\t", "<P>", "<T>"), then the bold tags.
MsgMarkup ConvertMsgMarkup(const std::string& text);

// The markup text a mode-0 box shows: the caption as a bold heading, an empty line, the message and
// a final line break. The built-in English captions are upper-cased in the heading.
std::string MsgHeadingText(const std::string& caption, const std::string& text);

}  // namespace velkor
