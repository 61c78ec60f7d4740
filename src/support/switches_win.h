#pragma once
// Switch lookup on this process's own command line (GetCommandLineA) with the program's path
// (ExePath) removed. The tail is computed afresh on every call; nothing is cached.
#include <cstdint>
#include <string>

namespace velkor {

// This process's command line without the program's own path, trimmed.
std::string GetCommandTail();
// HasSwitch on GetCommandTail().
bool HasSwitch(const std::string& sw);
// GetSwitchValue on GetCommandTail(): "" absent, "TRUE" bare at the end, else the value.
std::string GetSwitchValue(const std::string& sw);
// GetSwitchInt on GetCommandTail().
std::int64_t GetSwitchInt(const std::string& sw, std::int64_t def);

}  // namespace velkor
