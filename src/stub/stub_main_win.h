#pragma once
#include <windows.h>

namespace velkor {

// Runs the stub in the role its descriptor and command line choose; returns the process exit code.
int StubMain(HINSTANCE instance);

}  // namespace velkor
