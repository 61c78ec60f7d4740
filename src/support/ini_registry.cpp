#include "support/ini_registry.h"

#include <cstring>
#include <limits>

namespace velkor {

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string Trimmed(const std::string& s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 32) --end;
  return s.substr(begin, end - begin);
}

}  // namespace

RegRoot RegRootFromName(const std::string& name) {
  static const struct {
    const char* name;
    const char* abbreviation;
    RegRoot root;
  } kRoots[] = {
      {"HKEY_CLASSES_ROOT", "HKCR", RegRoot::kClassesRoot},
      {"HKEY_CURRENT_USER", "HKCU", RegRoot::kCurrentUser},
      {"HKEY_LOCAL_MACHINE", "HKLM", RegRoot::kLocalMachine},
      {"HKEY_USERS", "HKU", RegRoot::kUsers},
      {"HKEY_CURRENT_CONFIG", "HKCC", RegRoot::kCurrentConfig},
      {"HKEY_DYN_DATA", "HKDD", RegRoot::kDynData},
  };
  const std::string upper = Upper(name);
  for (const auto& r : kRoots)
    if (upper == r.name || upper == r.abbreviation) return r.root;
  return RegRoot::kCurrentUser;
}

RegPath SplitRegPath(const std::string& path) {
  const std::string text = Trimmed(path);
  RegPath result;
  if (Upper(text.substr(0, 2)) != "HK") {
    result.subkey = text;
    return result;
  }
  std::size_t slash = text.find('\\');
  if (slash == std::string::npos) {
    result.root = RegRootFromName(text);
  } else {
    result.root = RegRootFromName(text.substr(0, slash));
    result.subkey = text.substr(slash + 1);
  }
  return result;
}

std::string RegValueText(std::uint32_t type, const std::string& data) {
  if (type == kRegDword && data.size() == 4) {
    std::uint32_t number;
    std::memcpy(&number, data.data(), 4);  // registry data are little-endian, as is Windows
    return std::to_string(number);
  }
  if (type == kRegMultiSz && data.size() > 2) {
    std::size_t end = data.size();
    while (end > 0 && data[end - 1] == '\0') --end;
    std::string text;
    for (std::size_t i = 0; i < end; ++i) {
      if (data[i] == '\0')
        text += "<0>";
      else
        text.push_back(data[i]);
    }
    return text;
  }
  std::size_t nul = data.find('\0');
  return nul == std::string::npos ? data : data.substr(0, nul);
}

bool ParseInt64(const std::string& text, std::int64_t* value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  // Accumulate as a negative number so that the most negative value fits.
  std::int64_t acc = 0;
  const std::int64_t min = std::numeric_limits<std::int64_t>::min();
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    int digit = c - '0';
    if (acc < (min + digit) / 10) return false;
    acc = acc * 10 - digit;
  }
  if (!negative) {
    if (acc == min) return false;
    acc = -acc;
  }
  *value = acc;
  return true;
}

}  // namespace velkor
