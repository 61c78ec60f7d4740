#pragma once
// Waiting on the user-interface thread without freezing its windows, and small window and screen
// queries shared by the dialogs.
#include <windows.h>

#include <string>

#include "support/pump.h"

namespace velkor {

// Dispatches every message waiting in this thread's queue (a quit message included), then sleeps.
void PumpAndSleep(DWORD ms);

// Pumps and sleeps in steps until `ms` have passed (at least one round). A step of 0 picks one
// from the duration (see WaitPumpingStep).
void WaitPumping(DWORD ms, DWORD step_ms = 0);

// Registers the shell's "QueryCancelAutoPlay" message; our window procedures answer it with 1
// from then on, so an inserted disk does not start its AutoPlay while we ask for it.
void RegisterAutoPlayQuery();
// The registered message number, 0 until RegisterAutoPlayQuery has run.
UINT AutoPlayQueryMessage();

// Font points to screen pixels (rounded), using the screen's vertical pixels per inch.
int PointsToPixels(int points);

// Opens a file or address with the shell's default verb; false when the shell refuses.
bool OpenDocument(const std::string& target, const std::string& params, int show_command);

// The window's caption (at most 1023 characters); "" for no window.
std::string WindowText(HWND window);

// Top-left corner that centres a box of the given size in the desktop work area.
CenteredPos CenterInWorkArea(int width, int height);

}  // namespace velkor
