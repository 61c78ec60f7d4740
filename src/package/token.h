#pragma once
// Package tokens: a short text that identifies a package, stored scrambled in the descriptor, in
// announcement records and in downloaded setup files. Two tokens match only when both decode.
#include <cstdint>
#include <string>

namespace velkor {

// Decodes a scrambled token. Returns false (and leaves *plain untouched) when the text does not
// carry a valid token: too short or a wrong check byte.
bool TryUnscrambleToken(const std::string& scrambled, std::string* plain);

// The decoded token, or, for an invalid one, the decimal text of a random number from 0 to 99998
// (so an invalid token differs from call to call). Never compare its results for equality: use
// SameToken, which cannot be fooled by two random texts that happen to agree.
std::string UnscrambleToken(const std::string& scrambled);

// True when both texts are valid scrambled tokens that decode to the same bytes.
bool SameToken(const std::string& scrambled_a, const std::string& scrambled_b);

// Scrambles `plain` so that UnscrambleToken gives it back. The filler bytes and their counts come
// from `seed`, so the same text scrambles differently under different seeds (and identically under
// the same one, which keeps written packages reproducible).
std::string ScrambleToken(const std::string& plain, std::uint32_t seed);
// Same, seeded from the system's random source.
std::string ScrambleToken(const std::string& plain);

// An announcement record: anything, "|", token, "|", field, "|", field, "|", body; the whole text
// may be wrapped by the "Scrambled=01" text scrambling.
struct TokenRecord {
  std::string token;        // UnscrambleToken of the token field (random text when invalid)
  std::string token_field;  // the token as stored, for SameToken
  std::string body;
};
TokenRecord SplitTokenRecord(const std::string& text);

// Legacy-shaped form: token and body out.
void SplitTokenRecord(const std::string& text, std::string* token, std::string* body);

}  // namespace velkor
