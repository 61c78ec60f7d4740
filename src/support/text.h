#pragma once
// Text and path routines shared by every unit. All texts are single-byte (ANSI) byte strings and
// may hold any byte, NUL included. Conventions used throughout:
//  - positions are 1-based; 0 means "not found";
//  - "without regard to case" upper-cases the ASCII letters a..z only, every other byte compares
//    unchanged;
//  - trimming removes every byte of value 32 or less from both ends.
// Nothing here keeps state (except the lead-byte hook and the random generator) and nothing fails:
// odd input gives a defined result.
#include <cstddef>
#include <cstdint>
#include <string>

namespace velkor {

// --- Case and trimming ---------------------------------------------------------------------

// The text with a..z mapped to A..Z; every other byte unchanged.
std::string UpperAscii(const std::string& text);
// The text without the bytes of value 32 or less at both ends.
std::string Trim(const std::string& text);

// --- Search and comparison -----------------------------------------------------------------

// Position of the first occurrence of `sub` in `text` at or after `start` (1-based; a start below
// 1 counts as 1). 0 if absent, if `sub` is empty, or if the text is shorter than `start`.
std::size_t PosFrom(const std::string& sub, const std::string& text, std::size_t start);
// PosFrom without regard to case.
std::size_t PosTextFrom(const std::string& sub, const std::string& text, std::size_t start);
// Position of the last occurrence of `sub` in `text`; 0 if absent or `sub` is empty.
std::size_t LastPos(const std::string& sub, const std::string& text);
// Position of the reversed, upper-cased `sub` in the reversed, upper-cased `text`: 1 means the
// text ends with `sub` (ignoring case); 0 if absent or `sub` is empty.
std::size_t ReversedPosText(const std::string& sub, const std::string& text);
// True when `text` begins with `prefix` (both upper-cased first when `ignore_case`); an empty
// prefix gives false.
bool StartsWithStr(const std::string& prefix, const std::string& text, bool ignore_case);
// True when the last characters of `text`, as many as `suffix` has, equal `suffix` (both
// upper-cased first when `ignore_case`). Every text ends with the empty suffix.
bool EndsWithStr(const std::string& suffix, const std::string& text, bool ignore_case);
// True when both texts, trimmed and upper-cased, are equal.
bool SameTrimmedText(const std::string& a, const std::string& b);

// --- Replacement and cutting ---------------------------------------------------------------

// `text` with every occurrence of `find` replaced by `replacement`, case-sensitive. The inserted
// replacement is never searched again; with an empty replacement the text closes up and a match
// formed across the gap is removed as well ("ab" -> "" turns "aabb" into ""). An empty `find`
// leaves the text unchanged.
std::string ReplaceStr(const std::string& text, const std::string& find,
                       const std::string& replacement);
// ReplaceStr finding without regard to case; the text outside the replacements keeps its case.
std::string ReplaceText(const std::string& text, const std::string& find,
                        const std::string& replacement);
// Text before the first occurrence of `separator` (case-sensitive); `def` when there is none.
std::string TextBefore(const std::string& text, const std::string& separator,
                       const std::string& def);
// Text after the first occurrence of `separator` up to the end; `def` when there is none.
std::string TextAfter(const std::string& text, const std::string& separator,
                      const std::string& def);
// Removes the enclosing `c` characters: a text that is `c` alone gives ""; a longer text is
// stripped when `force` is on or when it both begins and ends with `c` - leading `c`s first, then
// trailing ones, at most one at each end when `one_each` is on. Any other text is unchanged.
std::string StripEnclosing(const std::string& text, char c, bool force, bool one_each);
// StripEnclosing of the trimmed text with the double quote, one_each off.
std::string Unquote(const std::string& text, bool force);

// --- Formatting and numbers ----------------------------------------------------------------

// The bytes of `text` in reverse order.
std::string ReverseText(const std::string& text);
// Turns the escapes into control characters, in this order: backslash backslash "n" -> CR LF,
// backslash backslash "t" -> tab (both case-sensitive), "<P>" -> CR LF and "<T>" -> tab (any case).
std::string ExpandEscapes(const std::string& text);
// `text` preceded by as many `c` as bring it to `width`; unchanged when already that wide.
std::string PadLeft(const std::string& text, int width, char c);
// Decimal text of `value` with leading zeros up to `width`; a minus sign stays in front.
std::string ZeroPad(std::int64_t value, int width);
// Decimal text of a random integer from `minimum` to `maximum` inclusive; `minimum` when the
// range is empty. The generator is seeded from the clock once per process.
std::string RandomRangeText(std::int64_t minimum, std::int64_t maximum);
// Upper-cases and trims `text`, then sums digit value times weight from the last character to
// the first, the weight starting at 1 and multiplied by `base` after each character. A digit's
// value is its index in "0123456789ABCDEF"; any other byte counts as -1. Empty text gives 0.
// Arithmetic wraps around modulo 2^64 on overflow.
std::int64_t StrToInt64Base(const std::string& text, int base);
// Drops a leading "0x"/"0X" (tested before trimming), then StrToInt64Base with base 16.
std::int64_t HexToInt64(const std::string& text);
std::int64_t Min64(std::int64_t a, std::int64_t b);
std::int64_t Max64(std::int64_t a, std::int64_t b);
// `value` raised to `minimum` if below it, then lowered to `maximum` if above it.
std::int64_t EnsureRange64(std::int64_t value, std::int64_t minimum, std::int64_t maximum);

// Strict decimal conversion: optional bytes <= 32 around, optional sign, digits only, within the
// signed 64-bit range. Returns false (and leaves *out alone) for anything else, "" included.
bool TryStrToInt64(const std::string& text, std::int64_t* out);
// TryStrToInt64 with a default for text that does not convert.
std::int64_t StrToInt64Def(const std::string& text, std::int64_t def);
// The same within the signed 32-bit range.
std::int32_t StrToIntDef(const std::string& text, std::int32_t def);

// --- Paths ---------------------------------------------------------------------------------

// Test for the lead byte of a double-byte character. The path routines consult it so that a
// backslash that is really the second byte of a double-byte character is never touched.
using LeadByteTest = bool (*)(unsigned char byte);
// Installs the process-wide lead-byte test used when a path routine is given none. Until one is
// installed no byte is a lead byte, which is right for every single-byte code page. Linking the
// Windows side (text_win) installs the system's test at start-up.
void SetLeadByteTest(LeadByteTest test);
LeadByteTest GetLeadByteTest();

// Removes at most one trailing backslash (only from paths of 3 or more characters, and not when
// the byte before it is a lead byte), then appends one when `with_slash`. "C:\" -> "C:" or "C:\".
std::string SetTrailingSlash(const std::string& path, bool with_slash,
                             LeadByteTest is_lead = nullptr);
// The path without one trailing backslash (not when the byte before it is a lead byte); "\"
// alone gives "".
std::string RemoveTrailingSlash(const std::string& path, LeadByteTest is_lead = nullptr);
// Collapses runs of backslashes to one. The first character is never removed (so a network path
// keeps its two leading backslashes), the last pair of the text is not examined, and in a text
// that begins and ends with the same character a pair right after an inner occurrence of that
// character stays. With `remove_trailing`, RemoveTrailingSlash is applied at the end.
std::string CollapseBackslashes(const std::string& path, bool remove_trailing,
                                LeadByteTest is_lead = nullptr);

}  // namespace velkor
