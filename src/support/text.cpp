#include "support/text.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <random>

namespace velkor {

namespace {

LeadByteTest g_lead_byte_test = nullptr;

bool IsLead(LeadByteTest test, char c) {
  if (test == nullptr) test = g_lead_byte_test;
  return test != nullptr && test(static_cast<unsigned char>(c));
}

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

// Shared body of ReplaceStr/ReplaceText. `work` is the text searched (upper-cased for
// ReplaceText) and always has the same length as `result`, so a position found in one is the same
// position in the other.
std::string ReplaceAll(const std::string& text, std::string work, const std::string& find,
                       const std::string& replacement) {
  if (find.empty()) return text;
  std::string result = text;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = work.find(find, from);
    if (at == std::string::npos) break;
    result.replace(at, find.size(), replacement);
    // The replaced stretch is never searched again; its content in `work` does not matter.
    work.replace(at, find.size(), replacement.size(), '\0');
    if (!replacement.empty()) {
      from = at + replacement.size();
    } else {
      // The two sides close up: a new match may begin up to find.size()-1 bytes before the gap.
      from = at >= find.size() - 1 ? at - (find.size() - 1) : 0;
    }
  }
  return result;
}

std::mt19937_64& RandomGenerator() {
  static std::mt19937_64 gen([] {
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::random_device rd;
    std::seed_seq seq{static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32),
                      rd(), rd()};
    return std::mt19937_64(seq);
  }());
  return gen;
}

}  // namespace

std::string UpperAscii(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = UpperChar(c);
  return out;
}

std::string Trim(const std::string& text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && IsTrimmed(text[b])) ++b;
  while (e > b && IsTrimmed(text[e - 1])) --e;
  return text.substr(b, e - b);
}

std::size_t PosFrom(const std::string& sub, const std::string& text, std::size_t start) {
  if (sub.empty()) return 0;
  if (start < 1) start = 1;
  if (start > text.size()) return 0;
  const std::size_t at = text.find(sub, start - 1);
  return at == std::string::npos ? 0 : at + 1;
}

std::size_t PosTextFrom(const std::string& sub, const std::string& text, std::size_t start) {
  return PosFrom(UpperAscii(sub), UpperAscii(text), start);
}

std::size_t LastPos(const std::string& sub, const std::string& text) {
  if (sub.empty()) return 0;
  const std::size_t at = text.rfind(sub);
  return at == std::string::npos ? 0 : at + 1;
}

std::size_t ReversedPosText(const std::string& sub, const std::string& text) {
  return PosFrom(UpperAscii(ReverseText(sub)), UpperAscii(ReverseText(text)), 1);
}

bool StartsWithStr(const std::string& prefix, const std::string& text, bool ignore_case) {
  if (prefix.empty() || prefix.size() > text.size()) return false;
  const std::string head = text.substr(0, prefix.size());
  return ignore_case ? UpperAscii(head) == UpperAscii(prefix) : head == prefix;
}

bool EndsWithStr(const std::string& suffix, const std::string& text, bool ignore_case) {
  if (suffix.size() > text.size()) return false;
  const std::string tail = text.substr(text.size() - suffix.size());
  return ignore_case ? UpperAscii(tail) == UpperAscii(suffix) : tail == suffix;
}

bool SameTrimmedText(const std::string& a, const std::string& b) {
  return UpperAscii(Trim(a)) == UpperAscii(Trim(b));
}

std::string ReplaceStr(const std::string& text, const std::string& find,
                       const std::string& replacement) {
  return ReplaceAll(text, text, find, replacement);
}

std::string ReplaceText(const std::string& text, const std::string& find,
                        const std::string& replacement) {
  return ReplaceAll(text, UpperAscii(text), UpperAscii(find), replacement);
}

std::string TextBefore(const std::string& text, const std::string& separator,
                       const std::string& def) {
  const std::size_t at = PosFrom(separator, text, 1);
  return at == 0 ? def : text.substr(0, at - 1);
}

std::string TextAfter(const std::string& text, const std::string& separator,
                      const std::string& def) {
  const std::size_t at = PosFrom(separator, text, 1);
  return at == 0 ? def : text.substr(at - 1 + separator.size());
}

std::string StripEnclosing(const std::string& text, char c, bool force, bool one_each) {
  if (text.size() == 1 && text[0] == c) return "";
  if (text.size() < 2 || !(force || (text.front() == c && text.back() == c))) return text;
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && text[b] == c) {
    ++b;
    if (one_each) break;
  }
  while (e > b && text[e - 1] == c) {
    --e;
    if (one_each) break;
  }
  return text.substr(b, e - b);
}

std::string Unquote(const std::string& text, bool force) {
  return StripEnclosing(Trim(text), '"', force, false);
}

std::string ReverseText(const std::string& text) { return std::string(text.rbegin(), text.rend()); }

std::string ExpandEscapes(const std::string& text) {
  std::string out = ReplaceStr(text, "\\\\n", "\r\n");
  out = ReplaceStr(out, "\\\\t", "\t");
  out = ReplaceText(out, "<P>", "\r\n");
  return ReplaceText(out, "<T>", "\t");
}

std::string PadLeft(const std::string& text, int width, char c) {
  if (width <= 0 || text.size() >= static_cast<std::size_t>(width)) return text;
  return std::string(static_cast<std::size_t>(width) - text.size(), c) + text;
}

std::string ZeroPad(std::int64_t value, int width) {
  if (value >= 0) return PadLeft(std::to_string(value), width, '0');
  // Zeros go between the sign and the digits; "-0005", not "000-5".
  std::string digits = std::to_string(value).substr(1);
  return "-" + PadLeft(digits, width - 1, '0');
}

std::string RandomRangeText(std::int64_t minimum, std::int64_t maximum) {
  if (maximum <= minimum) return std::to_string(minimum);
  // Span and sum in unsigned arithmetic: the full 64-bit range does not overflow.
  const std::uint64_t span = static_cast<std::uint64_t>(maximum) - static_cast<std::uint64_t>(minimum);
  std::uniform_int_distribution<std::uint64_t> dist(0, span);
  const std::uint64_t draw = dist(RandomGenerator());
  return std::to_string(static_cast<std::int64_t>(static_cast<std::uint64_t>(minimum) + draw));
}

std::int64_t StrToInt64Base(const std::string& text, int base) {
  static const std::string kDigits = "0123456789ABCDEF";
  const std::string t = Trim(UpperAscii(text));
  // Unsigned arithmetic: overflow wraps around instead of being undefined.
  std::uint64_t sum = 0;
  std::uint64_t weight = 1;
  for (auto it = t.rbegin(); it != t.rend(); ++it) {
    const std::size_t d = kDigits.find(*it);
    const std::uint64_t digit = d == std::string::npos ? ~std::uint64_t{0} : d;  // -1
    sum += digit * weight;
    weight *= static_cast<std::uint64_t>(static_cast<std::int64_t>(base));
  }
  return static_cast<std::int64_t>(sum);
}

std::int64_t HexToInt64(const std::string& text) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return StrToInt64Base(text.substr(2), 16);
  }
  return StrToInt64Base(text, 16);
}

std::int64_t Min64(std::int64_t a, std::int64_t b) { return a < b ? a : b; }
std::int64_t Max64(std::int64_t a, std::int64_t b) { return a > b ? a : b; }

std::int64_t EnsureRange64(std::int64_t value, std::int64_t minimum, std::int64_t maximum) {
  if (value < minimum) value = minimum;
  if (value > maximum) value = maximum;
  return value;
}

bool TryStrToInt64(const std::string& text, std::int64_t* out) {
  const std::string t = Trim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i == t.size()) return false;
  // Accumulate the magnitude unsigned; the negative range is one larger than the positive one.
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 63 : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  std::uint64_t magnitude = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    const std::uint64_t d = static_cast<std::uint64_t>(t[i] - '0');
    if (magnitude > (limit - d) / 10) return false;
    magnitude = magnitude * 10 + d;
  }
  *out = negative ? static_cast<std::int64_t>(~magnitude + 1) : static_cast<std::int64_t>(magnitude);
  return true;
}

std::int64_t StrToInt64Def(const std::string& text, std::int64_t def) {
  std::int64_t v = 0;
  return TryStrToInt64(text, &v) ? v : def;
}

std::int32_t StrToIntDef(const std::string& text, std::int32_t def) {
  std::int64_t v = 0;
  if (!TryStrToInt64(text, &v) || v < std::numeric_limits<std::int32_t>::min() ||
      v > std::numeric_limits<std::int32_t>::max()) {
    return def;
  }
  return static_cast<std::int32_t>(v);
}

void SetLeadByteTest(LeadByteTest test) { g_lead_byte_test = test; }
LeadByteTest GetLeadByteTest() { return g_lead_byte_test; }

std::string SetTrailingSlash(const std::string& path, bool with_slash, LeadByteTest is_lead) {
  std::string out = path;
  const std::size_t n = out.size();
  if (n >= 3 && out[n - 1] == '\\' && !IsLead(is_lead, out[n - 2])) out.pop_back();
  if (with_slash) out += '\\';
  return out;
}

std::string RemoveTrailingSlash(const std::string& path, LeadByteTest is_lead) {
  if (path == "\\") return "";
  std::string out = path;
  const std::size_t n = out.size();
  if (n >= 2 && out[n - 1] == '\\' && !IsLead(is_lead, out[n - 2])) out.pop_back();
  return out;
}

std::string CollapseBackslashes(const std::string& path, bool remove_trailing,
                                LeadByteTest is_lead) {
  std::string out = path;
  if (path.size() > 2) {
    const char first = path.front();
    const char last = path.back();
    std::string w = path.substr(1);
    // 1-based i as in the rule: W[i] and W[i+1] are the pair, W[i-1] the byte before it. Walking
    // backwards lets a run of any length shrink to one backslash.
    for (std::size_t i = w.size() - 2; i >= 2; --i) {
      const char before = w[i - 2];
      if (w[i - 1] == '\\' && w[i] == '\\' && !IsLead(is_lead, before) &&
          !(first == last && first == before)) {
        w.erase(i - 1, 1);
      }
    }
    if (w.size() >= 2 && w[0] == '\\' && w[1] == '\\') w.erase(0, 1);
    out = first + w;
  }
  return remove_trailing ? RemoveTrailingSlash(out, is_lead) : out;
}

}  // namespace velkor
