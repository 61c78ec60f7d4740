#include "support/switches_win.h"

#include <windows.h>

#include "support/switches.h"
#include "support/text_win.h"

namespace velkor {

std::string GetCommandTail() {
  const char* line = GetCommandLineA();
  return GetCommandTail(line != nullptr ? std::string(line) : std::string(), ExePath());
}

bool HasSwitch(const std::string& sw) { return HasSwitch(GetCommandTail(), sw); }

std::string GetSwitchValue(const std::string& sw) { return GetSwitchValue(GetCommandTail(), sw); }

std::int64_t GetSwitchInt(const std::string& sw, std::int64_t def) {
  return GetSwitchInt(GetCommandTail(), sw, def);
}

}  // namespace velkor
