#pragma once
// The stub's one top-level window: normally hidden, shown as a small progress window during a
// foreground setup run. Its timer drives all work (the setup run, or the agent's tick), and its
// procedure receives the private messages other processes send to a running stub.
#include <windows.h>

#include <cstdint>
#include <string>

namespace velkor {

inline constexpr UINT_PTR kMainTimerId = 1;
inline constexpr UINT kMainTimerPeriodMs = 1000;
inline constexpr int kMainWindowWidth = 492;
inline constexpr int kMainWindowHeight = 110;

// Listener notification codes (wParam of the listener's message).
inline constexpr WPARAM kNotifyLoopEnded = 43;
inline constexpr WPARAM kNotifyMainWindow = 50;
inline constexpr WPARAM kNotifyAgentMessage = 51;

// Registers the class, creates the hidden main window with its children and timer, runs the
// message loop until DestroyMainWindow or the quit message ends it, then kills the timer, stops
// downloads, releases the internet library and tells the listener (43, 0).
void WinMain();

// Registers the class and creates the hidden window (with children and timer); nullptr when that
// fails. WinMain calls it; tests use it to examine the window without running the loop.
HWND CreateMainWindow();

HWND MainWindow();
HWND StatusWindow();
HWND MainProgressBar();
HWND ActivityBar();

// Shows the activity bar (the package asks for it).
void ShowActivityBar();

// Text and font of the status line; charsets 177 and 178 read right to left, right-aligned.
void SetStatusText(HWND window, const std::string& text, const std::string& face, int size,
                   int charset);

// The progress procedure of unpacking and downloads: kind 0 sets range, position and step of the
// main bar (and resets the activity bar's range); kind 1 steps the main bar and moves the
// activity bar one place on (0..5, then back to 0). The text is not shown.
void UpdateProgressBars(int kind, int reserved, int range, const std::string& text, int step,
                        int position);

// Posts the listener's message to the listener window when one has registered.
void NotifyListener(WPARAM code, LPARAM value);

// The first close request only stops a running download; true when the window may go.
bool CloseMainWindow();
// Stops downloads, removes the setup folder and ends the message loop.
void DestroyMainWindow();
// Ends the message loop after the message being handled.
void EndMessageLoop();

}  // namespace velkor
