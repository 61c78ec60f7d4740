#include "scramble.h"

#include "package/token.h"
#include "support/scrambled_text.h"

namespace velkor::pack {

std::string ScrambleToken(std::string_view plain, std::mt19937& rng) {
  return velkor::ScrambleToken(std::string(plain), static_cast<uint32_t>(rng()));
}

std::optional<std::string> UnscrambleTokenChecked(std::string_view scrambled) {
  std::string plain;
  if (!velkor::TryUnscrambleToken(std::string(scrambled), &plain)) return std::nullopt;
  return plain;
}

std::string ScrambleText(std::string_view plain, char key) {
  return velkor::ScrambleText(std::string(plain), key);
}

std::string ScrambleText(std::string_view plain, std::mt19937& rng) {
  std::uniform_int_distribution<int> key('!', 'z');
  return ScrambleText(plain, static_cast<char>(key(rng)));
}

}  // namespace velkor::pack
