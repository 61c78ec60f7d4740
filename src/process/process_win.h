#pragma once
// Finding another program's process and main window from the path or file name of its
// executable, asking it to close or quit, ending it by force, and waiting until it has gone.
// Nothing here reports errors: whatever cannot be enumerated, opened or queried reads as
// "not found".
#include <windows.h>

#include <string>
#include <vector>

namespace velkor {

// Process id of the running program named `name` (full path, short path or, unless
// `FullPathOnly`, a bare file name; case and surrounding blanks do not matter). When several
// match, the one enumerated last. 0 when none matches or `name` is empty.
DWORD FindProcessId(const std::string& name, bool FullPathOnly);

// `path` may carry blanks and double quotes around it; any match counts, by file name too.
bool IsProcessRunning(const std::string& path);

// Waits, dispatching this thread's messages, until the program of `path` has ended or
// `limit_ms` have passed (0: no limit). Returns after about a second when it is not running.
void WaitForProcessEnd(const std::string& path, DWORD limit_ms);

// Ids of all processes (through the process-status library; empty when it is missing).
std::vector<DWORD> ListProcessIds();
bool ProcessIdExists(DWORD process_id);

// The main window of the matching process: the window owning most of its other top-level
// windows, then titled, then visible. nullptr when no process matches or no window qualifies.
HWND FindProcessMainWindow(const std::string& name, bool FullPathOnly);

// Posts a message to that main window; true when a window was found (the post is not checked).
bool PostProcessMessage(const std::string& name, bool FullPathOnly, UINT message, WPARAM wparam,
                        LPARAM lparam);
// WM_CLOSE / WM_QUIT with wParam 15 and lParam 255.
bool PostCloseToProcess(const std::string& name, bool FullPathOnly);
bool PostQuitToProcess(const std::string& name, bool FullPathOnly);

// Ends the matching process with exit code 0; true when it was found and terminated.
bool TerminateProcessByName(const std::string& name, bool FullPathOnly);

// The last window of `window`'s owner chain; nullptr for a window without owner.
HWND TopOwnerWindow(HWND window);

// While a top-level window of this class and title exists (nullptr: any), dispatches this
// thread's messages and sleeps 100 ms. No time limit.
void WaitWhileWindowExists(const char* class_name, const char* title);

// Which enumeration to use. kAuto follows the platform family: the process-status library on the
// NT family, the toolhelp snapshot elsewhere. Tests force either to exercise both; the choice
// also selects the matching branch of WaitForProcessEnd.
enum class ProcessBackend { kAuto, kPsapi, kToolhelp };
void SetProcessBackendForTesting(ProcessBackend backend);

}  // namespace velkor
