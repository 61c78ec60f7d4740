#include "support/scrambled_text.h"

namespace velkor {

namespace {

constexpr char kMarker[] = "Scrambled=01";
constexpr std::size_t kMarkerSize = sizeof(kMarker) - 1;

// XOR is its own inverse, so this both scrambles and unscrambles.
std::string Transform(std::string body, unsigned char key) {
  for (std::size_t i = 1; i <= body.size(); ++i) {
    const unsigned mask = (i % 2 == 1) ? static_cast<unsigned>(i + key) : static_cast<unsigned>(i - key);
    body[i - 1] = static_cast<char>(static_cast<unsigned char>(body[i - 1]) ^ (mask & 0xFFu));
  }
  return body;
}

}  // namespace

std::string UnscrambleText(const std::string& text) {
  if (text.compare(0, kMarkerSize, kMarker) != 0) return text;
  if (text.size() <= kMarkerSize) return "";
  return Transform(text.substr(kMarkerSize + 1), static_cast<unsigned char>(text[kMarkerSize]));
}

std::string ScrambleText(const std::string& plain, char key) {
  unsigned char k = static_cast<unsigned char>(key);
  if (k < 33 || k > 122) k = static_cast<unsigned char>(33 + k % 90);
  return std::string(kMarker) + static_cast<char>(k) + Transform(plain, k);
}

}  // namespace velkor
