// Text and path routines on arbitrary bytes (settings values, paths and addresses from files and
// command lines), and the scrambled-text format of settings and announcement files.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "support/scrambled_text.h"
#include "support/text.h"

using namespace velkor;

namespace {

// A lead-byte test as a double-byte code page has one: every byte from 0x81 on.
bool HighLeadByte(unsigned char byte) { return byte >= 0x81; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  const auto start = fdp.ConsumeIntegralInRange<std::size_t>(0, 300);
  const char c = fdp.ConsumeIntegral<char>();
  const bool flag = fdp.ConsumeBool();
  const int width = fdp.ConsumeIntegralInRange<int>(-5, 300);
  const std::string a = fdp.ConsumeRandomLengthString(64);
  const std::string b = fdp.ConsumeRandomLengthString(64);
  const std::string text = fdp.ConsumeRemainingBytesAsString();

  VELKOR_FUZZ_CHECK(UpperAscii(text).size() == text.size());
  VELKOR_FUZZ_CHECK(Trim(text).size() <= text.size());
  for (const std::size_t pos : {PosFrom(a, text, start), PosTextFrom(a, text, start),
                                LastPos(a, text), ReversedPosText(a, text)}) {
    VELKOR_FUZZ_CHECK(pos == 0 || pos + a.size() - 1 <= text.size());
  }
  (void)StartsWithStr(a, text, flag);
  (void)EndsWithStr(a, text, flag);
  VELKOR_FUZZ_CHECK(SameTrimmedText(text, text));

  const std::string replaced = ReplaceStr(text, a, b);
  const std::string replaced_ci = ReplaceText(text, a, b);
  if (a.empty()) VELKOR_FUZZ_CHECK(replaced == text && replaced_ci == text);
  if (!a.empty() && b.size() <= a.size()) {
    VELKOR_FUZZ_CHECK(replaced.size() <= text.size());
    VELKOR_FUZZ_CHECK(replaced_ci.size() <= text.size());
  }
  VELKOR_FUZZ_CHECK(TextBefore(text, a, "").size() <= text.size());
  VELKOR_FUZZ_CHECK(TextAfter(text, a, "").size() <= text.size());
  VELKOR_FUZZ_CHECK(StripEnclosing(text, c, flag, !flag).size() <= text.size());
  VELKOR_FUZZ_CHECK(Unquote(text, flag).size() <= text.size());
  VELKOR_FUZZ_CHECK(ReverseText(ReverseText(text)) == text);
  VELKOR_FUZZ_CHECK(ExpandEscapes(text).size() <= text.size());
  (void)PadLeft(a, width, c);
  (void)ZeroPad(static_cast<std::int64_t>(start) - 150, width);
  (void)StrToInt64Base(a, 2 + static_cast<int>(start % 15));
  (void)HexToInt64(a);
  std::int64_t n = 0;
  if (TryStrToInt64(a, &n)) VELKOR_FUZZ_CHECK(StrToInt64Def(a, n + 1 == 0 ? 1 : 0) == n);
  (void)StrToIntDef(a, -1);

  for (LeadByteTest lead : {static_cast<LeadByteTest>(nullptr), &HighLeadByte}) {
    VELKOR_FUZZ_CHECK(SetTrailingSlash(text, false, lead).size() <= text.size());
    VELKOR_FUZZ_CHECK(SetTrailingSlash(text, true, lead).size() <= text.size() + 1);
    VELKOR_FUZZ_CHECK(RemoveTrailingSlash(text, lead).size() <= text.size());
    VELKOR_FUZZ_CHECK(CollapseBackslashes(text, flag, lead).size() <= text.size());
  }

  // Settings and announcement files carry scrambled texts: whatever is scrambled reads back.
  VELKOR_FUZZ_CHECK(UnscrambleText(ScrambleText(text, c)) == text);
  const std::string plain = UnscrambleText(text);
  VELKOR_FUZZ_CHECK(plain.size() <= text.size());
  return 0;
}
