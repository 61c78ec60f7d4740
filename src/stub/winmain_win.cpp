// Entry point of the stub; everything else lives in the libraries so tests can reach it.
#include <windows.h>

#include <cstdlib>

#include "stub/stub_main_win.h"

// The C++ runtime's own handler for an uncaught exception prints the demangled type name to a
// console the stub does not have, and brings 45 KB of demangler with it. Ending at once is all
// that is left to do at that point.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return velkor::StubMain(instance);
}
