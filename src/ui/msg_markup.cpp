#include "ui/msg_markup.h"

#include <cstddef>
#include <utility>

#include "support/bar_list.h"
#include "support/text.h"

namespace velkor {
namespace {

// Index (from 0) of the first occurrence of `what` in `text`, letters compared without case.
std::size_t FindNoCase(const std::string& text, const std::string& what) {
  const std::size_t at = PosText(what, text);
  return at == 0 ? std::string::npos : at - 1;
}

}  // namespace

MsgMarkup SplitMsgMarkup(const std::string& text) {
  MsgMarkup out;
  std::string s = text;
  if (s.compare(0, 4, "<<b>") == 0) s.erase(0, 1);
  while (true) {
    std::size_t open = FindNoCase(s, "<B>");
    if (open == std::string::npos) break;
    s.erase(open, 3);
    // The first closing tag anywhere: one that stands before this run's start closes nothing, is
    // left for the final sweep, and so also leaves every later run in normal weight.
    std::size_t close = FindNoCase(s, "</B>");
    if (close != std::string::npos && close >= open) {
      s.erase(close, 4);
      out.spans.push_back({static_cast<int>(open), static_cast<int>(close)});
    }
  }
  // Removing a tag can close up a new one ("<</B>/B>"): sweep until none is left.
  for (std::size_t at; (at = FindNoCase(s, "</B>")) != std::string::npos;) s.erase(at, 4);
  out.plain = std::move(s);
  return out;
}

MsgMarkup ConvertMsgMarkup(const std::string& text) { return SplitMsgMarkup(ExpandEscapes(text)); }

std::string MsgHeadingText(const std::string& caption, const std::string& text) {
  std::string heading = caption;
  if (!caption.empty() && std::string("|Error|Attention|Confirm|").find(caption) != std::string::npos)
    heading = UpperAscii(caption);
  return "<<b>" + heading + "</b><P><P>" + text + "<P>";
}

}  // namespace velkor
