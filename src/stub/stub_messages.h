#pragma once
// Private window messages by which other processes steer a running transient agent.
namespace velkor {

inline constexpr unsigned wm_ShutDown = 1123;  // wParam: stop countdown for the agent
inline constexpr unsigned wm_LocalMsg = 1124;  // wParam: listener window, lParam: its message
inline constexpr unsigned wm_AgentMsg = 1125;  // wParam: agent control code, lParam: argument

// Agent control code: run an update cycle now (lParam 2: the interactive cycle).
inline constexpr unsigned kAgentPerformUpdateCycle = 31;

}  // namespace velkor
