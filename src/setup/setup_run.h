#pragma once
// The decisions and texts of a setup run that need no system: the engine's command line, the
// names derived from the run token, the space question, the choice of a temporary drive, the
// setup folder name and the agent copy of an internet package. The Windows side
// (setup/setup_run_win.h) gathers the facts and calls these.
#include <array>
#include <cstdint>
#include <string>

namespace velkor {

// Engine switch that carries the run token.
inline constexpr const char* kThreadIdSwitch = "/TH_ID=";
// Switches of the span relaunch; they are private to the stub and never reach the engine.
inline constexpr const char* kSpanLevelSwitch = "/SpanCdLvl=";
inline constexpr const char* kSpanFirstVolumeSwitch = "/SpanDiskFName1=";
inline constexpr const char* kOriginExeSwitch = "/OriginExe=";
inline constexpr const char* kHideSwitch = "/hide";

// "_" + the decimal thread id: shared with the engine, so two stubs never share a token.
std::string RunToken(std::uint32_t thread_id);
// The global atom the stub adds before the engine starts; the engine removes it on success.
std::string RunAtomName(const std::string& token);
// The window class of the engine's dialog; the stub waits while such a window exists.
std::string EngineDialogClass(const std::string& token);

// Removes the first occurrence of `sw` (exact case) together with its value and the blanks up to
// the next "/" (or the end). A value that itself holds "/" is cut only up to that "/".
std::string RemoveSwitch(const std::string& text, const std::string& sw);

struct EngineLineInput {
  std::string folder;      // unpack folder, with or without its trailing backslash
  std::string main_entry;  // the unpacker's entry: name, "*", optional arguments
  std::string switches;    // passed-on switches of the caller
  std::string token;       // run token
  std::string own_exe;     // path of the running stub
  bool is_agent = false;   // the stub runs as an auto-update agent
};
// The program path alone (folder + "\" + name before the "*"): what the system is told to start.
std::string EngineProgramPath(const std::string& folder, const std::string& main_entry);
// The full command line the engine sees.
std::string EngineCommandLine(const EngineLineInput& in);

// Bytes as megabytes for the user: 1 decimal above 10 MB, 3 below 1 MB, else 2; "." always.
std::string FormatMegabytes(double bytes);

// The localised pieces of the space question.
struct TempSpaceTexts {
  std::string confirm;     // "s2": asked because the package always asks
  std::string short_text;  // "s3": asked because space is short (replaces s2)
  std::string required;    // "s4"
  std::string available;   // "s5"
  std::string question;    // "s6"
};
// The question to ask before unpacking into `folder`, or "" when none is due. `free_bytes` is -1
// when the free space cannot be determined (then space counts as short).
std::string TempSpaceQuestion(const std::string& folder, double required, double free_bytes,
                              bool always_confirm, const TempSpaceTexts& texts);

// The drives that are measured for an alternative temporary folder, in this order.
inline constexpr std::array<char, 3> kTempDriveLetters = {'C', 'D', 'E'};
// The drive with the most free space among kTempDriveLetters (0 = not measured or not fixed;
// ties keep the earlier letter). 0 when that is the drive of the system's temporary folder
// (`temp_letter`), i.e. no alternative is needed.
char ChooseTempDriveLetter(char temp_letter, const std::array<double, 3>& free_bytes);
// "X:\TEMP", or "X:\TEMP\TEMP" when "X:\TEMP" already exists.
std::string AltTempBaseFor(char letter, bool temp_folder_exists);

// The setup folder: the temporary folder (with its trailing backslash) + "SETUP_" + the low
// 16 bits (time of day) of the stub file's packed date.
std::string SetupFolderPath(const std::string& temp_folder, std::uint32_t file_dos_date);

// The agent copy an internet package writes from its own image: the image cut at its end offset
// (when what follows is less than 10000 bytes) with the trailer's agent flag set.
std::string AgentCopyFromOwnImage(std::string image, std::uint32_t end_offset_low);

}  // namespace velkor
