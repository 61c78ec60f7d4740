#pragma once
// Temporary local reading of the stub's own command line, until the shared switch routines are
// available; same rules (tail without the program path, switches found anywhere, ignoring case).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "package/list_standin.h"

namespace velkor::cmdline_standin {

inline std::string ModulePath() {
  char buf[MAX_PATH * 4] = {};
  const DWORD n = GetModuleFileNameA(nullptr, buf, static_cast<DWORD>(sizeof buf));
  return std::string(buf, n < sizeof buf ? n : 0);
}

inline std::string GetCommandTail() {
  std::string line = GetCommandLineA();
  const std::string path = ModulePath();
  const std::string upper = list_standin::UpperAscii(line);
  for (const std::string& form : {"\"" + path + "\"", path}) {
    const std::size_t p = upper.find(list_standin::UpperAscii(form));
    if (!path.empty() && p != std::string::npos) {
      line.erase(p, form.size());
      break;
    }
  }
  return list_standin::TrimText(line);
}

inline std::string GetSwitchValue(const std::string& sw) {
  std::string tail = GetCommandTail();
  const std::size_t pos = list_standin::PosText(sw, tail);
  if (pos == 0) return "";
  tail.erase(0, pos - 1 + sw.size());
  if (tail.empty()) return "TRUE";
  if (tail[0] == '"') {
    tail.erase(0, 1);
    tail = tail.substr(0, tail.find('"'));
  } else {
    tail = tail.substr(0, tail.find(' '));
    tail = tail.substr(0, tail.find('/'));
  }
  return list_standin::TrimText(tail);
}

inline std::int64_t GetSwitchInt(const std::string& sw, std::int64_t def) {
  const std::string v = GetSwitchValue(sw);
  if (v.empty()) return def;
  char* end = nullptr;
  const long long n = std::strtoll(v.c_str(), &end, 10);
  return (end != nullptr && *end == '\0') ? n : def;
}

}  // namespace velkor::cmdline_standin
