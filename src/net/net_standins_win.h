#pragma once
// Small private stand-ins for shared file, viewer, message-pumping and error-text routines that
// the download client needs. They keep the client self-contained until the shared versions are
// available; each does only what the client relies on.
#include <windows.h>

#include <cstdint>
#include <string>

namespace velkor::net_standin {

// Size of the first file matching `name`, 0 when none.
int64_t FileSizeOf(const std::string& name);
// Reads at most `max_len` bytes (0: all) from the start of a file; "" when it cannot be read whole.
std::string ReadFileToString(const std::string& name, int64_t max_len);
// Deletes every normal, read-only, hidden, system and archive file matching `mask`.
void DeleteFilesByMask(const std::string& mask);
// One line to the debug viewer channel.
void ViewerWriteLine(const std::string& line);
// Dispatches every waiting message of this thread, then sleeps `ms` (no sleep for 0).
void PumpAndSleep(DWORD ms);
// Repeats PumpAndSleep(step) until `ms` have passed; runs at least once.
void WaitPumping(DWORD ms, DWORD step);
// The system's message for the calling thread's last error code, trailing blanks, control
// characters and dots dropped.
std::string LastErrorText();

}  // namespace velkor::net_standin
