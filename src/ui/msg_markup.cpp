#include "ui/msg_markup.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <utility>

#include "support/bar_list.h"
#include "support/text.h"

namespace velkor {
namespace {

// Index (from 0) of the first occurrence of `what` in `text` at or after `from`, letters compared
// without case; npos when there is none.
std::size_t FindNoCase(const std::string& text, const std::string& what, std::size_t from = 0) {
  const std::size_t at = PosTextFrom(what, text, from + 1);
  return at == 0 ? std::string::npos : at - 1;
}

}  // namespace

MsgMarkup SplitMsgMarkup(const std::string& text) {
  MsgMarkup out;
  std::string s = text;
  if (s.compare(0, 4, "<<b>") == 0) s.erase(0, 1);
  // Each search resumes where a new tag could have appeared: removing a tag can join one across
  // the gap ("<<B>B>"), but nothing further left changes. Searching from the start every time
  // made a long message with many tags (a downloaded text, say) take minutes.
  std::size_t from = 0;                      // no opening tag starts before this
  std::size_t close = FindNoCase(s, "</B>");  // the first closing tag, npos when none
  while (true) {
    const std::size_t open = FindNoCase(s, "<B>", from);
    if (open == std::string::npos) break;
    s.erase(open, 3);
    if (close != std::string::npos && close > open) close -= 3;
    for (std::size_t at = open >= 3 ? open - 3 : 0; at < open; ++at) {
      if (close != std::string::npos && at >= close) break;
      if (FindNoCase(s.substr(at, 4), "</B>") == 0) {
        close = at;
        break;
      }
    }
    // The first closing tag anywhere: one that stands before this run's start closes nothing, is
    // left for the final sweep, and so also leaves every later run in normal weight.
    if (close != std::string::npos && close >= open) {
      s.erase(close, 4);
      out.spans.push_back({static_cast<int>(open), static_cast<int>(close)});
      close = FindNoCase(s, "</B>", close >= 3 ? close - 3 : 0);
    }
    from = open >= 2 ? open - 2 : 0;
  }
  // Removing a tag can close up a new one ("<</B>/B>"): sweep until none is left.
  for (std::size_t at = FindNoCase(s, "</B>"); at != std::string::npos;
       at = FindNoCase(s, "</B>", at >= 3 ? at - 3 : 0))
    s.erase(at, 4);
  // A run is recorded before the tags after it are removed, so with nested runs ("<B>a<B>b</B>
  // </B>") its end can lie past the final text. The control clamps a selection anyway; clamping
  // here keeps every span inside the plain text for anyone else who reads it.
  const int length = static_cast<int>(s.size() > INT_MAX ? INT_MAX : s.size());
  for (BoldSpan& span : out.spans) {
    span.start = std::min(span.start, length);
    span.end = std::min(span.end, length);
  }
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
