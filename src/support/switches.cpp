#include "support/switches.h"

#include "support/bar_list.h"
#include "support/text.h"

namespace velkor {

std::string GetCommandTail(const std::string& command_line, const std::string& module_path) {
  std::string tail = command_line;
  if (!module_path.empty()) {
    const std::string quoted = "\"" + module_path + "\"";
    if (const std::size_t at = PosText(quoted, tail); at != 0) {
      tail.erase(at - 1, quoted.size());
    } else if (const std::size_t bare = PosText(module_path, tail); bare != 0) {
      tail.erase(bare - 1, module_path.size());
    }
  }
  return Trim(tail);
}

bool HasSwitch(const std::string& tail, const std::string& sw) { return PosText(sw, tail) != 0; }

std::string GetSwitchValue(const std::string& tail, const std::string& sw) {
  const std::size_t at = PosText(sw, tail);
  if (at == 0) return "";
  std::string rest = tail.substr(at - 1 + sw.size());
  if (rest.empty()) return "TRUE";
  if (rest[0] == '"') {
    // A quoted value may hold blanks and "/".
    rest.erase(0, 1);
    const std::size_t close = rest.find('"');
    if (close != std::string::npos) rest.erase(close);
  } else {
    const std::size_t blank = rest.find(' ');
    if (blank != std::string::npos) rest.erase(blank);
    const std::size_t slash = rest.find('/');
    if (slash != std::string::npos) rest.erase(slash);
  }
  return Trim(rest);
}

std::int64_t GetSwitchInt(const std::string& tail, const std::string& sw, std::int64_t def) {
  return StrToInt64Def(GetSwitchValue(tail, sw), def);
}

}  // namespace velkor
