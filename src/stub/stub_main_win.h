#pragma once
#include <windows.h>

namespace velkor {

// Runs the stub in the role its descriptor and command line choose; returns the process exit code.
int StubMain(HINSTANCE instance);

// Decides the run mode once and runs it.
void DoRunStubWin();

// Plain agent: forwards "/STOP=", "/WM_MSG=", "/TEST=" and "/TRANSIENTx=" to the running transient
// copy. `x_was_running`: the copy was running when this process started. True if anything was
// posted or applied.
bool HandleParamOK(bool x_was_running);

// First span level: copies the stub into the setup folder as "Y_" + its name and starts the copy
// at the second level, hidden, without waiting.
void SpanRelaunch();

}  // namespace velkor
