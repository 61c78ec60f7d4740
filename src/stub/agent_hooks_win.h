#pragma once
// The agent's side of the main window: its timer tick, its control codes and the counters the
// command line and the private messages set. The agent cycle itself is built elsewhere; until
// then these keep the main window's calls in place and do nothing.
#include <windows.h>

#include <cstdint>

namespace velkor {

// Runs on every timer tick of an agent's main window.
void AgentTimerTick(HWND main_window);
// Carries out an agent control code (wm_AgentMsg); 0 for a code the agent does not know.
LRESULT AgentControl(WPARAM code, LPARAM argument);
// "/SleepX=": the agent's tick counter starts at this (negative) value.
void SetAgentTimerCount(std::int64_t count);
// wm_ShutDown: the agent's stop countdown.
void SetAgentStopCount(std::int64_t count);

}  // namespace velkor
