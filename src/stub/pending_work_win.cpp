#include "stub/pending_work_win.h"

namespace velkor {

void RunMainWindowLoop() {}
void StartTransientAgentCopy() {}
void CheckAgentTestMode(bool) {}
void DeleteOwnProgramAfterExit(bool) {}
void ApplyAgentOverrides(const std::string&) {}
std::string PrepareSetupFolder() { return ""; }

}  // namespace velkor
