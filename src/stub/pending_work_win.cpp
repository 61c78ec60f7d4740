#include "stub/pending_work_win.h"

namespace velkor {

void RunMainWindowLoop() {}
void StartTransientAgentCopy() {}
void CheckAgentTestMode(bool) {}
void DeleteOwnProgramAfterExit(bool) {}
void PostToProcessOf(const std::string&, unsigned, std::uint64_t, std::int64_t) {}
void ApplyAgentOverrides(const std::string&) {}
std::string PrepareSetupFolder() { return ""; }

}  // namespace velkor
