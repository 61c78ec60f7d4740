#pragma once
// Temporary local copies of the bar-list and text routines this unit needs, until the shared
// support versions are available; same rules, kept private to the package code.
#include <cstddef>
#include <string>

namespace velkor::list_standin {

inline std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

inline std::string TrimText(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

inline std::size_t PosText(const std::string& sub, const std::string& text) {
  if (sub.empty()) return 0;
  const std::size_t p = UpperAscii(text).find(UpperAscii(sub));
  return p == std::string::npos ? 0 : p + 1;
}

inline int BarListCount(const std::string& list) {
  if (list.empty() || list.front() != list.back()) return 0;
  int n = 0;
  for (std::size_t i = 1; i < list.size() && list[i] != '\0'; ++i)
    if (list[i] == list[0]) ++n;
  return n;
}

inline std::string BarListItem(const std::string& list, int index, const std::string& def) {
  if (list.empty() || index < 0) return def;
  const char sep = list[0];
  std::size_t start = 1;
  int item = -1;
  for (;;) {
    const std::size_t next = list.find(sep, start);
    if (next == std::string::npos) break;
    if (++item == index) {
      std::string r = list.substr(start, next - start);
      return r.empty() ? def : r;
    }
    start = next + 1;
  }
  return def;
}

inline std::string BarListValue(const std::string& list, const std::string& name,
                                const std::string& def) {
  if (list.size() <= 2 || list.front() != list.back()) return def;
  const char sep = list[0];
  std::string key = std::string(1, sep) + name;
  if (name.empty() || name.back() != '=') key += '=';
  std::string w;
  for (std::size_t i = 0; i < list.size(); ++i) {
    w += list[i];
    if (list[i] == sep && i + 1 < list.size() && list[i + 1] == ' ') ++i;
  }
  std::string v;
  for (std::size_t i = 0; i < w.size(); ++i) {
    if (w[i] == ' ' && i + 1 < w.size() && w[i + 1] == '=') continue;
    v += w[i];
  }
  const std::size_t pos = PosText(key, v);
  if (pos == 0) return def;
  const std::size_t from = pos - 1 + key.size();
  const std::size_t end = v.find(sep, from);
  return v.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

inline std::string UnscrambleText(const std::string& text) {
  if (text.compare(0, 12, "Scrambled=01") != 0 || text.size() < 13) return text;
  const unsigned k = static_cast<unsigned char>(text[12]);
  std::string body = text.substr(13);
  for (std::size_t i = 1; i <= body.size(); ++i) {
    const unsigned m = (i % 2 == 1) ? (i + k) : (i - k);
    body[i - 1] = static_cast<char>(static_cast<unsigned char>(body[i - 1]) ^ (m & 0xFF));
  }
  return body;
}

}  // namespace velkor::list_standin
