#pragma once
// Work of the run modes that other units provide (main window and loop, agent cycle, transient
// copy, file removal). Until they arrive these entry points do nothing, so the
// start-up path runs end to end: a stub without a package starts and exits 0.
#include <cstdint>
#include <string>

namespace velkor {

// Hidden main window, timer and message loop; returns when the loop ends.
void RunMainWindowLoop();
// Starts the transient agent copy "X_" + own name beside the plain agent.
void StartTransientAgentCopy();
// Agent test mode check at the start of the transient copy.
void CheckAgentTestMode(bool force);
// Removes the running program (and, when asked, the folder it runs from) after it has ended.
void DeleteOwnProgramAfterExit(bool remove_folder);
// Applies an override list to this process's agent overrides.
void ApplyAgentOverrides(const std::string& override_list);
// The setup folder, created (emptied if it existed); "" when none could be made.
std::string PrepareSetupFolder();

}  // namespace velkor
