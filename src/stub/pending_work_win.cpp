#include "stub/pending_work_win.h"

#include "setup/setup_run_win.h"
#include "stub/main_window_win.h"
#include "support/files_win.h"

namespace velkor {

void RunMainWindowLoop() { WinMain(); }
// The transient agent copy, its test mode and the override table belong to the agent, which is
// not built yet.
void StartTransientAgentCopy() {}
void CheckAgentTestMode(bool) {}
void DeleteOwnProgramAfterExit(bool remove_folder) { DeleteMySelf(remove_folder); }
void ApplyAgentOverrides(const std::string&) {}
std::string PrepareSetupFolder() { return GetSetupFolder(); }

}  // namespace velkor
