#include "support/bar_list.h"

#include <climits>
#include <vector>

#include "support/text.h"

namespace velkor {

namespace {

// The separators BarListSetItem tries, in order of preference.
constexpr char kSeparatorCandidates[] = {'|', '^', '!', '~', '@', '#', '$', '&', '*', '\xFF'};

// Item count without BarListCount's stop at a NUL byte, so that rebuilding a list never drops
// the items that follow an item holding a NUL.
std::size_t FullItemCount(const std::string& list) {
  if (list.empty() || list.front() != list.back()) return 0;
  std::size_t n = 0;
  for (std::size_t i = 1; i < list.size(); ++i) {
    if (list[i] == list[0]) ++n;
  }
  return n;
}

}  // namespace

int BarListCount(const std::string& list) {
  if (list.empty() || list.front() != list.back()) return 0;
  std::size_t n = 0;
  for (std::size_t i = 1; i < list.size() && list[i] != '\0'; ++i) {
    if (list[i] == list[0]) ++n;
  }
  return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

std::string BarListItem(const std::string& list, int index, const std::string& def) {
  if (list.empty() || index < 0) return def;
  const char sep = list[0];
  std::size_t pos = 0;
  int item = -1;
  for (;;) {
    const std::size_t next = list.find(sep, pos + 1);
    if (next == std::string::npos) break;
    ++item;
    if (item == index) {
      std::string result = list.substr(pos + 1, next - pos - 1);
      return result.empty() ? def : result;
    }
    pos = next;
  }
  return def;
}

std::int32_t BarListItemInt(const std::string& list, int index, std::int32_t def) {
  return StrToIntDef(BarListItem(list, index, ""), def);
}

std::string BarListSetItem(const std::string& list, int index, const std::string& value) {
  const std::string source = list.empty() ? std::string("|") : list;
  std::size_t n = FullItemCount(source);
  if (index >= 0 && static_cast<std::size_t>(index) >= n) n = static_cast<std::size_t>(index) + 1;

  std::vector<std::string> items;
  items.reserve(n);
  bool used[256] = {};
  for (std::size_t i = 0; i < n; ++i) {
    items.push_back(index >= 0 && i == static_cast<std::size_t>(index)
                        ? value
                        : BarListItem(source, static_cast<int>(i), ""));
    for (char c : items.back()) used[static_cast<unsigned char>(c)] = true;
  }

  for (char sep : kSeparatorCandidates) {
    if (used[static_cast<unsigned char>(sep)]) continue;
    std::string out(1, sep);
    for (const std::string& item : items) {
      out += item;
      out += sep;
    }
    return out;
  }
  // Every candidate occurs in some item: no separator could keep the items apart, so the list
  // stays as it was rather than becoming unreadable.
  return list;
}

std::string BarListValue(const std::string& list, const std::string& name, const std::string& def) {
  if (list.size() <= 2 || list.front() != list.back()) return def;
  const std::string sep(1, list[0]);
  std::string key = sep + name;
  if (name.empty() || name.back() != '=') key += '=';

  std::string work = ReplaceStr(list, sep + " ", sep);
  work = ReplaceStr(work, " =", "=");

  const std::size_t at = PosText(key, work);
  if (at == 0) return def;
  const std::size_t start = at - 1 + key.size();
  const std::size_t end = work.find(sep[0], start);
  return work.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::size_t PosText(const std::string& sub, const std::string& text) {
  return PosFrom(UpperAscii(sub), UpperAscii(text), 1);
}

}  // namespace velkor
