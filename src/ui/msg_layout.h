#pragma once
// The message box's decisions that need no window: button sets, captions, text measuring, sizes
// and positions, focus order and the keys that choose a button.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velkor {

// Parts of the box style word (same values as the system's message-box flags).
constexpr std::uint32_t kMsgStyleButtonMask = 0x0000000F;
constexpr std::uint32_t kMsgStyleIconMask = 0x000000F0;
constexpr std::uint32_t kMsgStyleRight = 0x00080000;     // text right-aligned
constexpr std::uint32_t kMsgStyleRtlReading = 0x00100000;
constexpr std::uint32_t kMsgStyleNoClose = 0x10000000;   // Close command greyed

constexpr int kMsgCodeNone = 0;  // closed without a button
constexpr int kMsgCodeOk = 1;
constexpr int kMsgCodeCancel = 2;
constexpr int kMsgCodeYes = 6;
constexpr int kMsgCodeNo = 7;

inline constexpr const char kMsgDefaultButtons[] = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";
inline constexpr const char kMsgDefaultCaptions[] = "|Error|Attention|Confirm|";

// Width limit of a text line before the box wraps it.
constexpr int kMsgMaxTextWidth = 600;

struct MsgButtonSpec {
  int caption_item;  // index into the button caption list
  int code;          // what choosing the button returns
};

// Buttons of the style's button set, left to right (OK for an unknown set).
std::vector<MsgButtonSpec> MsgButtonsForStyle(std::uint32_t style);

// System icon id for the style's icon bits; 0 for none.
int MsgIconForStyle(std::uint32_t style);

// Charsets 177 and 178 read right to left: the style then gains right alignment and RTL reading.
std::uint32_t MsgStyleForCharset(std::uint32_t style, int charset);

// The caption a shortcut shows: the caller's, or the built-in one of its kind (0 error,
// 1 attention, 2 confirm) when empty.
std::string MsgCaptionOrDefault(const std::string& caption, int kind);
// Caption of a button from the list; an item the list lacks takes the built-in English caption,
// so a short translated list still gives every button a label.
std::string MsgButtonCaption(const std::string& buttons, int item);
// The caller's button list, or the built-in one when empty.
std::string MsgButtonsOrDefault(const std::string& buttons);

struct MsgTextSize {
  int width = 0;
  int height = 0;
};

// Estimated size of the plain text: every line (an empty last line after a final line break
// excepted) adds one line height for each started 600 pixels of its width; the width is the
// widest line + 10, at most 600. `line_width` measures one line in pixels. An empty text is
// measured as one blank.
MsgTextSize MeasureMsgText(const std::string& plain, int line_height,
                           const std::function<int(std::string_view)>& line_width);

// Height the rich-edit control may ask for while the bold text still fits the measured lines.
// The measurement skips the empty line after a final line break, but the control always shows
// it (and every mode-0 box ends with one), so that line is allowed for; otherwise no width would
// ever fit and every such box would be widened to the limit of the widening steps.
int MsgBoldFitHeight(const std::string& plain, int measured_height, int line_height);

struct MsgMetrics {
  int frame_cx = 0;    // sizing-frame width
  int frame_cy = 0;    // sizing-frame height
  int caption_cy = 0;  // caption bar height
};

// Outer box size for a text control of w x h pixels.
MsgTextSize MsgBoxOuterSize(int w, int h, const MsgMetrics& m);

struct MsgRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const MsgRect&) const = default;
};

// Where the text control of width w (measured height h) goes in a client area of R x B.
MsgRect MsgEditPlacement(int client_w, int client_h, int w, int h);
// Button `index` of `count` (left to right) in a client area of R x B: 70 x 23, the rightmost at
// R - 80, no gaps.
MsgRect MsgButtonPlacement(int client_w, int client_h, int index, int count);

// Focus index after moving by `delta` (-1 or +1) from `current` (-1: no button focused).
int MsgNextFocus(int current, int delta, int count);

// Letter that a plain key press matches: the character after the first "&", or the first
// character without one; upper-cased.
char MsgAcceleratorLetter(const std::string& caption);

// Button chosen by Alt + `ch`: the leftmost whose caption's second character equals the character
// as typed or upper-cased; -1 for none.
int MsgAltKeyButton(char ch, const std::vector<std::string>& captions);

// Button chosen by a key-down of virtual key `vk`: only the letter keys A to Z count; the
// rightmost button whose accelerator letter matches; -1 for none.
int MsgLetterKeyButton(unsigned vk, const std::vector<std::string>& captions);

}  // namespace velkor
