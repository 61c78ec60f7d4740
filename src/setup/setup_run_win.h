#pragma once
// The setup run: choosing where to unpack, asking when space is short, unpacking, starting the
// setup engine with the run token, waiting for it and its dialog, passing its exit code on and
// cleaning up. Runs inside the main window's timer tick; every wait dispatches messages.
#include <windows.h>

#include <string>

#include "package/file_info.h"

namespace velkor {

// The WM_TIMER handler of a setup package: runs once, then ends the message loop.
void SetupTimerTick(HWND main_window);

// True when the engine removed the run token's atom (the installation went through).
bool RunSetup(const std::string& folder, const std::string& package_file,
              const std::string& agent_name, const std::string& switches, bool foreground);

// "<temp>\SETUP_<n>", emptied and created on first use, then kept for the process.
std::string GetSetupFolder();

// Measures the fixed drives C, D and E and picks the one with most room when that is not the
// temporary folder's drive; true when an alternative base was chosen (now or before).
bool ChooseTempDrive();
// "<alt base>_<random>", emptied and created on first use; "" without an alternative base.
std::string GetAltTempFolder();
void RemoveAltTempFolder();

bool CheckDestinationSpace(const std::string& folder, const TGFileInfo& package);
// Asks whether to go on when space is short or the package always asks; true to go on.
bool ConfirmTempSpace(const std::string& folder, const TGFileInfo& package);
// The registry asks for the disk prompt at every further volume.
bool IsForcePrompt();

// Starts `program` with the command line `command_line` (which the program sees as it is); the
// program is named to the system explicitly, so blanks in its path cannot make the system start
// a different file. Returns the process handle (the caller closes it) or nullptr.
HANDLE RunProgram(const std::string& program, const std::string& command_line, int show);
// Waits, dispatching messages, until the process has ended.
void WaitForProcessExit(HANDLE process);

}  // namespace velkor
