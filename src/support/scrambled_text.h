#pragma once
// Scrambled texts: "Scrambled=01", a key character, then the body, one byte per plain byte. Body
// byte i (from 1) is the plain byte XOR (i + key) mod 256 for odd i and (i - key) mod 256 for even
// i; the same transformation restores the plain text.
#include <string>

namespace velkor {

// The plain text of a scrambled text; any text not starting with "Scrambled=01" (exact case) is
// returned unchanged. The marker alone, without a key character, gives "".
std::string UnscrambleText(const std::string& text);

// The scrambled form of `plain` with key character `key`. A key outside "!".."z" (33..122) is
// folded into that range, so the result always reads back with UnscrambleText.
std::string ScrambleText(const std::string& plain, char key = 'k');

}  // namespace velkor
