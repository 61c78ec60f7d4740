#include "ui/msg_layout.h"

#include <algorithm>

namespace velkor {
namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// TODO(support): use the shared BarListItem once the list routines are on main.
std::string ListItem(const std::string& list, int index, const std::string& fallback) {
  if (list.size() < 2 || list.front() != list.back() || index < 0) return fallback;
  const char sep = list.front();
  std::size_t start = 1;
  for (int i = 0; i < index; ++i) {
    std::size_t next = list.find(sep, start);
    if (next == std::string::npos || next + 1 >= list.size()) return fallback;
    start = next + 1;
  }
  std::size_t end = list.find(sep, start);
  if (end == std::string::npos) return fallback;
  return list.substr(start, end - start);
}

}  // namespace

std::vector<MsgButtonSpec> MsgButtonsForStyle(std::uint32_t style) {
  switch (style & kMsgStyleButtonMask) {
    case 1:
      return {{0, kMsgCodeOk}, {1, kMsgCodeCancel}};
    case 4:
      return {{2, kMsgCodeYes}, {3, kMsgCodeNo}};
    default:
      return {{0, kMsgCodeOk}};
  }
}

int MsgIconForStyle(std::uint32_t style) {
  switch (style & kMsgStyleIconMask) {
    case 16:
      return 32513;
    case 32:
      return 32514;
    case 48:
      return 32515;
    default:
      return 0;
  }
}

std::uint32_t MsgStyleForCharset(std::uint32_t style, int charset) {
  if (charset == 177 || charset == 178) style |= kMsgStyleRight | kMsgStyleRtlReading;
  return style;
}

std::string MsgCaptionOrDefault(const std::string& caption, int kind) {
  return caption.empty() ? ListItem(kMsgDefaultCaptions, kind, "") : caption;
}

std::string MsgButtonCaption(const std::string& buttons, int item) {
  return ListItem(buttons, item, ListItem(kMsgDefaultButtons, item, ""));
}

std::string MsgButtonsOrDefault(const std::string& buttons) {
  return buttons.empty() ? std::string(kMsgDefaultButtons) : buttons;
}

MsgTextSize MeasureMsgText(const std::string& plain, int line_height,
                           const std::function<int(std::string_view)>& line_width) {
  const std::string text = plain.empty() ? std::string(" ") : plain;
  MsgTextSize size;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t brk = text.find("\r\n", start);
    std::size_t end = brk == std::string::npos ? text.size() : brk;
    bool more_after = brk != std::string::npos;
    if (end > start || more_after) {
      int cx = line_width(std::string_view(text).substr(start, end - start));
      size.width = std::max(size.width, cx + 10);
      size.height += (cx / kMsgMaxTextWidth + 1) * line_height;
    }
    if (!more_after) break;
    start = brk + 2;
  }
  size.width = std::min(size.width, kMsgMaxTextWidth);
  return size;
}

int MsgBoldFitHeight(const std::string& plain, int measured_height, int line_height) {
  const bool ends_with_break = plain.size() >= 2 && plain.compare(plain.size() - 2, 2, "\r\n") == 0;
  return measured_height + (ends_with_break ? line_height : 0);
}

MsgTextSize MsgBoxOuterSize(int w, int h, const MsgMetrics& m) {
  const int margin_x = w < 200 ? 64 : 32;
  const int margin_y = h < 39 ? 45 : 32;
  MsgTextSize box;
  box.width = std::max(360, w + 54 + 2 * margin_x + 2 * m.frame_cx);
  box.height = h + 36 + 2 * margin_y + 2 * m.frame_cy + m.caption_cy;
  return box;
}

MsgRect MsgEditPlacement(int client_w, int client_h, int w, int h) {
  MsgRect r;
  r.left = (client_w - 54 - w) / 2 + 54;
  r.top = (client_h - 36 - h) / 2;
  r.width = w;
  r.height = client_h - r.top - 39;
  return r;
}

MsgRect MsgButtonPlacement(int client_w, int client_h, int index, int count) {
  return {client_w - 80 - 70 * (count - 1 - index), client_h - 29, 70, 23};
}

int MsgNextFocus(int current, int delta, int count) {
  if (count <= 0) return -1;
  int i = current + delta;
  if (i < 0) i += count;
  i %= count;
  return i < 0 ? i + count : i;
}

char MsgAcceleratorLetter(const std::string& caption) {
  std::size_t amp = caption.find('&');
  if (amp == std::string::npos) return caption.empty() ? '\0' : AsciiUpper(caption[0]);
  return amp + 1 < caption.size() ? AsciiUpper(caption[amp + 1]) : '\0';
}

int MsgAltKeyButton(char ch, const std::vector<std::string>& captions) {
  for (std::size_t i = 0; i < captions.size(); ++i) {
    if (captions[i].size() < 2) continue;
    if (captions[i][1] == ch || captions[i][1] == AsciiUpper(ch)) return static_cast<int>(i);
  }
  return -1;
}

int MsgLetterKeyButton(unsigned vk, const std::vector<std::string>& captions) {
  // Virtual keys 0x61..0x7A are the numeric pad and function keys, not lower-case letters.
  if (vk < 'A' || vk > 'Z') return -1;
  int chosen = -1;
  for (std::size_t i = 0; i < captions.size(); ++i)
    if (MsgAcceleratorLetter(captions[i]) == static_cast<char>(vk)) chosen = static_cast<int>(i);
  return chosen;
}

}  // namespace velkor
