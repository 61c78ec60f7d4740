#include "process/name_match.h"

#include "support/text.h"

namespace velkor {
namespace {

bool IsBlank(std::string_view s) { return Trim(std::string(s)).empty(); }

// The stand-in texts are never real names: treat them as "nothing to compare" rather than as
// text, so even a caller passing "*X*" as a name cannot match every process.
bool IsStandIn(std::string_view s) { return s == kNoShortName || s == kNoFileName; }

}  // namespace

bool SameProcessName(std::string_view a, std::string_view b) {
  return SameTrimmedText(std::string(a), std::string(b));
}

std::string StripPathQuotes(std::string_view path) {
  const std::string trimmed = Trim(std::string(path));
  std::string_view rest = trimmed;
  while (!rest.empty() && rest.front() == '"') rest.remove_prefix(1);
  while (!rest.empty() && rest.back() == '"') rest.remove_suffix(1);
  return std::string(rest);
}

bool ProcessMatches(const ProcessQuery& query, const ProcessCandidate& candidate) {
  if (IsBlank(query.name) || IsStandIn(query.name)) return false;
  if (!IsBlank(candidate.full_path) && SameProcessName(candidate.full_path, query.name))
    return true;
  if (!query.full_path_only && !IsBlank(candidate.file_name) &&
      SameProcessName(candidate.file_name, query.name))
    return true;
  if (!IsStandIn(query.short_name) && !IsBlank(query.short_name) &&
      !IsBlank(candidate.short_path) &&
      SameProcessName(candidate.short_path, query.short_name))
    return true;
  return false;
}

}  // namespace velkor
