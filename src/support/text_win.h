#pragma once
// The text and path routines that need Windows. Linking this file also installs IsLeadByte as the
// process-wide lead-byte test of the portable path routines (see SetLeadByteTest in text.h).
#include <string>

namespace velkor {

// True when `byte` is a lead byte of a double-byte character in the system's ANSI code page.
bool IsLeadByte(unsigned char byte);

// Full path of the running executable (its module file name); "" if Windows cannot tell.
std::string ExePath();

// Folder of the running executable, with one trailing backslash when `with_slash`.
std::string ExeDir(bool with_slash);

}  // namespace velkor
