#pragma once
// Matching a running process against the name a caller gives us (a full path, a short 8.3 path or
// a bare file name). Pure text rules; the Windows side gathers the texts and asks here.
#include <string>
#include <string_view>

namespace velkor {

// Stand-ins for "no short name" and "file name not to be compared". Both hold "*", which no file
// name can contain, so they never equal a real name.
inline constexpr std::string_view kNoShortName = "*XX*";
inline constexpr std::string_view kNoFileName = "*X*";

// Equality after trimming every byte <= 32 from both ends and upper-casing ASCII letters only.
bool SameProcessName(std::string_view a, std::string_view b);

// The part after the last backslash, slash or drive colon ("C:\a\b.exe" -> "b.exe").
std::string ProcessFileName(std::string_view path);

// Trims the text, then removes every double quote at its start and at its end (what callers pass
// may come straight from a command line, quotes and all).
std::string StripPathQuotes(std::string_view path);

// What we know about the name being searched for.
struct ProcessQuery {
  std::string name;        // as the caller gave it; never empty when matching
  std::string short_name;  // its short form, or kNoShortName when the system gave none
  bool full_path_only = false;
};

// What we know about one running process. Empty texts mean "could not be queried".
struct ProcessCandidate {
  std::string full_path;   // executable path
  std::string file_name;   // its file-name part
  std::string short_path;  // short form of full_path, "" when the system gave none
};

// A process matches when its path equals the name, or (unless full_path_only) its file name
// equals the name, or the short forms of both are equal. A process that could not be queried
// (all texts empty) never matches, and neither does anything when the name is empty.
bool ProcessMatches(const ProcessQuery& query, const ProcessCandidate& candidate);

}  // namespace velkor
