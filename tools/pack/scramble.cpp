#include "scramble.h"

#include <vector>

namespace velkor::pack {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::string_view kTextMarker = "Scrambled=01";
// Every character of a scrambled token is a hex digit moved up by this much.
constexpr int kTokenShift = 50;

}  // namespace

std::string ScrambleToken(std::string_view plain, std::mt19937& rng) {
  // Layout (1-based, as the reader numbers it): B1 and Bn hold the key k = B1 ^ Bn; B2 = p filler
  // count before the token, B3 = q with the token ending q + 1 bytes before the end; B(n-1) is a
  // check byte, the sum of all other raw bytes. B2..B(n-1) are stored XOR k. q is at least 1 so
  // that the check byte never lies inside the token.
  std::uniform_int_distribution<int> byte(0, 255), before(0, 7), after(1, 8);
  const int p = before(rng), q = after(rng);
  const size_t n = plain.size() + p + q + 4;
  std::vector<uint8_t> b(n + 1);  // b[0] unused
  const uint8_t k = static_cast<uint8_t>(byte(rng));
  b[1] = static_cast<uint8_t>(byte(rng));
  b[n] = static_cast<uint8_t>(b[1] ^ k);
  b[2] = static_cast<uint8_t>(p);
  b[3] = static_cast<uint8_t>(q);
  for (size_t i = 4; i < n - 1; ++i) b[i] = static_cast<uint8_t>(byte(rng));
  for (size_t i = 0; i < plain.size(); ++i) b[p + 4 + i] = static_cast<uint8_t>(plain[i]);
  for (size_t i = 2; i < n - 1; ++i) b[i] ^= k;
  uint8_t sum = 0;
  for (size_t i = 1; i <= n; ++i)
    if (i != n - 1) sum = static_cast<uint8_t>(sum + b[i]);
  b[n - 1] = sum;
  std::string out;
  out.reserve(2 * n);
  for (size_t i = 1; i <= n; ++i) {
    out += static_cast<char>(kHex[b[i] >> 4] + kTokenShift);
    out += static_cast<char>(kHex[b[i] & 15] + kTokenShift);
  }
  return out;
}

std::optional<std::string> UnscrambleTokenChecked(std::string_view scrambled) {
  std::vector<uint8_t> b(1);
  for (size_t i = 0; i < scrambled.size(); i += 2) {
    int value = 0;
    for (size_t j = i; j < i + 2 && j < scrambled.size(); ++j) {
      int c = static_cast<uint8_t>(scrambled[j] - kTokenShift);
      if (c >= 'a' && c <= 'f') c -= 'a' - 'A';
      int digit = -1;
      for (int d = 0; d < 16; ++d)
        if (kHex[d] == c) digit = d;
      if (digit < 0) return std::nullopt;  // the reader would still decode it, but no writer made it
      value = value * 16 + digit;
    }
    b.push_back(static_cast<uint8_t>(value));
  }
  const size_t n = b.size() - 1;
  if (n <= 4) return std::nullopt;
  uint8_t sum = 0;
  for (size_t i = 1; i <= n; ++i)
    if (i != n - 1) sum = static_cast<uint8_t>(sum + b[i]);
  if (sum != b[n - 1]) return std::nullopt;
  const uint8_t k = b[1] ^ b[n];
  for (size_t i = 2; i < n; ++i) b[i] ^= k;
  const int64_t p = b[2], q = b[3];
  const int64_t len = static_cast<int64_t>(n) - p - q - 4;
  std::string out;
  for (int64_t i = 0; i < len && p + 4 + i <= static_cast<int64_t>(n); ++i)
    out += static_cast<char>(b[p + 4 + i]);
  return out;
}

std::string ScrambleText(std::string_view plain, char key) {
  std::string out(kTextMarker);
  out += key;
  const int k = static_cast<uint8_t>(key);
  for (size_t idx = 0; idx < plain.size(); ++idx) {
    const int i = static_cast<int>(idx) + 1;
    const int mask = (i % 2 == 1) ? (i + k) & 0xFF : (i - k) & 0xFF;
    out += static_cast<char>(static_cast<uint8_t>(plain[idx]) ^ mask);
  }
  return out;
}

std::string ScrambleText(std::string_view plain, std::mt19937& rng) {
  std::uniform_int_distribution<int> key('!', 'z');
  return ScrambleText(plain, static_cast<char>(key(rng)));
}

}  // namespace velkor::pack
