#include "process/name_match.h"

namespace velkor {
namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The stand-in texts are never real names: treat them as "nothing to compare" rather than as
// text, so even a caller passing "*X*" as a name cannot match every process.
bool IsStandIn(std::string_view s) { return s == kNoShortName || s == kNoFileName; }

}  // namespace

bool SameProcessName(std::string_view a, std::string_view b) {
  a = Trimmed(a);
  b = Trimmed(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

std::string ProcessFileName(std::string_view path) {
  size_t cut = path.find_last_of("\\/:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string StripPathQuotes(std::string_view path) {
  path = Trimmed(path);
  while (!path.empty() && path.front() == '"') path.remove_prefix(1);
  while (!path.empty() && path.back() == '"') path.remove_suffix(1);
  return std::string(path);
}

bool ProcessMatches(const ProcessQuery& query, const ProcessCandidate& candidate) {
  if (Trimmed(query.name).empty() || IsStandIn(query.name)) return false;
  if (!Trimmed(candidate.full_path).empty() && SameProcessName(candidate.full_path, query.name))
    return true;
  if (!query.full_path_only && !Trimmed(candidate.file_name).empty() &&
      SameProcessName(candidate.file_name, query.name))
    return true;
  if (!IsStandIn(query.short_name) && !Trimmed(query.short_name).empty() &&
      !Trimmed(candidate.short_path).empty() &&
      SameProcessName(candidate.short_path, query.short_name))
    return true;
  return false;
}

}  // namespace velkor
