#pragma once
// Command-line switches, looked up in the command tail (the command line without the program's own
// path). Switches are matched as plain substrings without regard to case, in exactly the form the
// caller passes: "/SleepX=" for a switch with a value, "/hide" for a flag. These are the pure forms
// on a given text; switches_win.h has the versions that read this process's command line.
#include <cstdint>
#include <string>

namespace velkor {

// `command_line` without the first occurrence of `module_path` in double quotes, or else of
// `module_path` bare (both found without regard to case), trimmed. When the program was started
// under another form of its name, nothing is removed.
std::string GetCommandTail(const std::string& command_line, const std::string& module_path);

// True when `sw` occurs anywhere in `tail` (without regard to case), also inside a longer switch.
bool HasSwitch(const std::string& tail, const std::string& sw);

// The value after the first occurrence of `sw`: "" when absent, "TRUE" when nothing follows it,
// else the text up to a closing double quote (when it starts with one) or up to the first blank
// and then the first "/", trimmed. A blank or "/" right after `sw` gives "".
std::string GetSwitchValue(const std::string& tail, const std::string& sw);

// GetSwitchValue converted as a signed 64-bit decimal; `def` when absent, bare or not a number.
std::int64_t GetSwitchInt(const std::string& tail, const std::string& sw, std::int64_t def);

}  // namespace velkor
