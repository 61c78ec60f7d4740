// The message box's text side: markup passes over message texts (from a package's language table
// or a downloaded settings file), the mode-0 heading, text measuring, and the button captions and
// keys taken from a caller's (translated) caption list.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "support/bar_list.h"
#include "ui/msg_layout.h"
#include "ui/msg_markup.h"

using namespace velkor;

namespace {

void CheckMarkup(const MsgMarkup& m) {
  for (const BoldSpan& span : m.spans) {
    VELKOR_FUZZ_CHECK(span.start >= 0 && span.start <= span.end);
    VELKOR_FUZZ_CHECK(static_cast<std::size_t>(span.end) <= m.plain.size());
  }
}

// The bold pass written the plain way (every search from the start): slow on long texts, but
// obviously what is meant. The real pass must give the same result.
std::size_t FindNoCase(const std::string& text, const char* what, std::size_t from) {
  const std::size_t n = std::string_view(what).size();
  for (std::size_t i = from; i + n <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < n && std::toupper(static_cast<unsigned char>(text[i + k])) == what[k]) ++k;
    if (k == n) return i;
  }
  return std::string::npos;
}

MsgMarkup ReferenceSplit(const std::string& text) {
  MsgMarkup out;
  std::string s = text;
  if (s.compare(0, 4, "<<b>") == 0) s.erase(0, 1);
  for (std::size_t open; (open = FindNoCase(s, "<B>", 0)) != std::string::npos;) {
    s.erase(open, 3);
    const std::size_t close = FindNoCase(s, "</B>", 0);
    if (close != std::string::npos && close >= open) {
      s.erase(close, 4);
      out.spans.push_back({static_cast<int>(open), static_cast<int>(close)});
    }
  }
  for (std::size_t at; (at = FindNoCase(s, "</B>", 0)) != std::string::npos;) s.erase(at, 4);
  for (BoldSpan& span : out.spans) {
    span.start = std::min(span.start, static_cast<int>(s.size()));
    span.end = std::min(span.end, static_cast<int>(s.size()));
  }
  out.plain = s;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  const int line_height = fdp.ConsumeIntegralInRange<int>(1, 64);
  const int char_width = fdp.ConsumeIntegralInRange<int>(0, 40);
  const auto vk = fdp.ConsumeIntegral<unsigned>();
  const char alt = fdp.ConsumeIntegral<char>();
  const int current = fdp.ConsumeIntegralInRange<int>(-1, 8);
  const std::string caption = fdp.ConsumeRandomLengthString(64);
  const std::string buttons = fdp.ConsumeRandomLengthString(128);
  const std::string text = fdp.ConsumeRemainingBytesAsString();

  const MsgMarkup markup = ConvertMsgMarkup(text);
  CheckMarkup(markup);
  VELKOR_FUZZ_CHECK(markup.plain.size() <= text.size());
  const MsgMarkup split = SplitMsgMarkup(text);
  CheckMarkup(split);
  if (text.size() <= 4096) {
    const MsgMarkup reference = ReferenceSplit(text);
    VELKOR_FUZZ_CHECK(split.plain == reference.plain);
    VELKOR_FUZZ_CHECK(split.spans == reference.spans);
  }
  const MsgMarkup headed = ConvertMsgMarkup(MsgHeadingText(caption, text));
  CheckMarkup(headed);

  const auto width = [char_width](std::string_view line) {
    return static_cast<int>(line.size() > 100000 ? 100000 : line.size()) * char_width;
  };
  const MsgTextSize measured = MeasureMsgText(markup.plain, line_height, width);
  VELKOR_FUZZ_CHECK(measured.width >= 0 && measured.width <= kMsgMaxTextWidth);
  VELKOR_FUZZ_CHECK(measured.height >= line_height);
  VELKOR_FUZZ_CHECK(MsgBoldFitHeight(markup.plain, measured.height, line_height) >= measured.height);

  // The captions a box shows come from the caller's list, item by item.
  const std::string list = MsgButtonsOrDefault(buttons);
  VELKOR_FUZZ_CHECK(!list.empty());
  (void)MsgCaptionOrDefault(caption, current < 0 ? 0 : current % 3);
  for (std::uint32_t style : {0u, 1u, 4u, 0x24u, 0x30u}) {
    std::vector<std::string> captions;
    for (const MsgButtonSpec& b : MsgButtonsForStyle(style))
      captions.push_back(MsgButtonCaption(list, b.caption_item));
    VELKOR_FUZZ_CHECK(!captions.empty());
    for (const std::string& c : captions) (void)MsgAcceleratorLetter(c);
    const int n = static_cast<int>(captions.size());
    const int by_alt = MsgAltKeyButton(alt, captions);
    VELKOR_FUZZ_CHECK(by_alt >= -1 && by_alt < n);
    const int by_key = MsgLetterKeyButton(vk, captions);
    VELKOR_FUZZ_CHECK(by_key >= -1 && by_key < n);
    for (int delta : {-1, 1}) {
      const int next = MsgNextFocus(current < n ? current : -1, delta, n);
      VELKOR_FUZZ_CHECK(next >= 0 && next < n);
    }
  }
  return 0;
}
