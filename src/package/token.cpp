#include "package/token.h"

#include <chrono>
#include <random>
#include <vector>

#include "support/scrambled_text.h"
#include "support/text.h"

namespace velkor {


namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kCharShift = 50;  // every character of the stored text is shifted by this much

// One group of (at most) two characters as a byte. Unknown characters count as -1, the way the
// stored format has always been read; only the low 8 bits of the total are kept.
unsigned char GroupValue(const std::string& group) {
  const std::string g = Trim(UpperAscii(group));
  long value = 0;
  long weight = 1;
  for (std::size_t i = g.size(); i-- > 0;) {
    long digit = -1;
    for (int d = 0; d < 16; ++d)
      if (g[i] == kHexDigits[d]) digit = d;
    value += digit * weight;
    weight *= 16;
  }
  return static_cast<unsigned char>(static_cast<unsigned long>(value) & 0xFF);
}

std::mt19937& RandomEngine() {
  static std::mt19937 engine([] {
    std::random_device rd;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<std::uint32_t>(rd() ^ static_cast<std::uint32_t>(ticks));
  }());
  return engine;
}

std::string RandomDecimalText() {
  std::uniform_int_distribution<int> dist(0, 99998);
  return std::to_string(dist(RandomEngine()));
}

// Drops everything up to and including the first "|"; without one the text becomes empty.
std::string DropField(const std::string& s, std::string* field) {
  const std::size_t bar = s.find('|');
  if (field != nullptr) *field = bar == std::string::npos ? std::string() : s.substr(0, bar);
  return bar == std::string::npos ? std::string() : s.substr(bar + 1);
}

}  // namespace

bool TryUnscrambleToken(const std::string& scrambled, std::string* plain) {
  std::string shifted = scrambled;
  for (char& c : shifted)
    c = static_cast<char>(static_cast<unsigned char>(c) - kCharShift);
  // B[1..n] is kept 1-based below, as the format is described that way.
  std::vector<unsigned char> b(1, 0);
  for (std::size_t i = 0; i < shifted.size(); i += 2) b.push_back(GroupValue(shifted.substr(i, 2)));
  const std::size_t n = b.size() - 1;
  if (n <= 4) return false;
  unsigned sum = 0;
  for (std::size_t i = 1; i <= n; ++i)
    if (i != n - 1) sum += b[i];
  if ((sum & 0xFF) != b[n - 1]) return false;
  const unsigned char k = static_cast<unsigned char>(b[1] ^ b[n]);
  for (std::size_t i = 2; i <= n - 1; ++i) b[i] = static_cast<unsigned char>(b[i] ^ k);
  const long p = b[2];
  const long q = b[3];
  const long start = p + 4;
  long len = static_cast<long>(n) - p - q - 4;
  std::string out;
  if (len > 0 && start <= static_cast<long>(n)) {
    if (start + len - 1 > static_cast<long>(n)) len = static_cast<long>(n) - start + 1;
    out.assign(reinterpret_cast<const char*>(&b[static_cast<std::size_t>(start)]),
               static_cast<std::size_t>(len));
  }
  *plain = std::move(out);
  return true;
}

std::string UnscrambleToken(const std::string& scrambled) {
  std::string plain;
  if (TryUnscrambleToken(scrambled, &plain)) return plain;
  return RandomDecimalText();
}

bool SameToken(const std::string& scrambled_a, const std::string& scrambled_b) {
  std::string a, b;
  return TryUnscrambleToken(scrambled_a, &a) && TryUnscrambleToken(scrambled_b, &b) && a == b;
}

std::string ScrambleToken(const std::string& plain, std::uint32_t seed) {
  std::mt19937 rng(seed);
  auto byte = [&rng] { return static_cast<unsigned char>(rng() & 0xFF); };
  // Layout, 1-based: key byte, p, q, p fillers, the text, q - 1 fillers, check byte, key byte.
  // A few fillers on both sides hide the token's length and position.
  const unsigned p = rng() % 8;
  const unsigned q = 1 + rng() % 8;
  std::vector<unsigned char> b;
  b.push_back(0);  // 1-based
  b.push_back(byte());
  b.push_back(static_cast<unsigned char>(p));
  b.push_back(static_cast<unsigned char>(q));
  for (unsigned i = 0; i < p; ++i) b.push_back(byte());
  for (char c : plain) b.push_back(static_cast<unsigned char>(c));
  for (unsigned i = 0; i + 1 < q; ++i) b.push_back(byte());
  b.push_back(0);  // check byte, set below
  b.push_back(byte());
  const std::size_t n = b.size() - 1;
  const unsigned char k = static_cast<unsigned char>(b[1] ^ b[n]);
  for (std::size_t i = 2; i <= n - 1; ++i) b[i] = static_cast<unsigned char>(b[i] ^ k);
  unsigned sum = 0;
  for (std::size_t i = 1; i <= n; ++i)
    if (i != n - 1) sum += b[i];
  b[n - 1] = static_cast<unsigned char>(sum & 0xFF);
  std::string out;
  out.reserve(2 * n);
  for (std::size_t i = 1; i <= n; ++i) {
    out += static_cast<char>(kHexDigits[b[i] >> 4] + kCharShift);
    out += static_cast<char>(kHexDigits[b[i] & 0x0F] + kCharShift);
  }
  return out;
}

std::string ScrambleToken(const std::string& plain) { return ScrambleToken(plain, RandomEngine()()); }

TokenRecord SplitTokenRecord(const std::string& text) {
  TokenRecord r;
  std::string rest = DropField(UnscrambleText(text), nullptr);
  rest = DropField(rest, &r.token_field);
  rest = DropField(rest, nullptr);
  rest = DropField(rest, nullptr);
  r.body = rest;
  r.token = UnscrambleToken(r.token_field);
  return r;
}

void SplitTokenRecord(const std::string& text, std::string* token, std::string* body) {
  TokenRecord r = SplitTokenRecord(text);
  *token = std::move(r.token);
  *body = std::move(r.body);
}

}  // namespace velkor
