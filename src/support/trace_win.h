#pragma once
// Windows side of the trace log and the viewer channel (see support/trace.h).
//
// The viewer is a separate program owning a window of class ".VDebug."; each piece of a viewer
// line reaches it as the registered message ".V_DebugMsg." with wParam 1 and lParam a global
// atom named by the piece. The send is synchronous and the atom is deleted when it returns, so
// the viewer reads the atom's name while it handles the message.
#include <windows.h>

namespace velkor {

inline constexpr const char* kViewerWindowClass = ".VDebug.";
inline constexpr const char* kViewerMessageName = ".V_DebugMsg.";

// A viewer that has not answered one piece within this time is taken as hung and gets no more
// pieces, so a stuck viewer cannot stop the program it watches.
inline constexpr UINT kViewerSendTimeoutMs = 5000;

// Registers the viewer message and installs the Windows backend of both outputs. Call once at
// program start, before the first trace or viewer line; later calls do nothing.
void InitDebugOutputs();

// The number the viewer message got from RegisterWindowMessageA (0 before InitDebugOutputs).
UINT ViewerMessage();

}  // namespace velkor
