// Entry point of the stub; everything else lives in the libraries so tests can reach it.
#include <windows.h>

#include "stub/stub_main_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return velkor::StubMain(instance);
}
