#pragma once
// The writer's use of the two scrambled forms the stub reads: package and setup tokens, and
// "Scrambled=01" texts (used in inform files). Filler bytes and key characters are drawn from the
// caller's generator so that a build can be reproduced.

#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace velkor::pack {

// Scrambles a token into the hex-like form stored in descriptor strings.
std::string ScrambleToken(std::string_view plain, std::mt19937& rng);

// Reverses ScrambleToken; nullopt when the text fails the token's check (where the stub would
// produce a random number instead, which is useless in a listing).
std::optional<std::string> UnscrambleTokenChecked(std::string_view scrambled);

// "Scrambled=01", the key character and the body. `key` must lie in '!'..'z'.
std::string ScrambleText(std::string_view plain, char key);
std::string ScrambleText(std::string_view plain, std::mt19937& rng);

}  // namespace velkor::pack
