// Test program that deletes itself the way the stub does when it has finished.
//
// Command line:
//   self_deleter.exe [/RemoveFolder]
//
// Writes and starts the self-delete batch file (with /RemoveFolder it also removes the
// program's folder, which must then hold nothing else) and exits with code 0.
#include <windows.h>

#include <cstring>

#include "support/files_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  bool remove_folder = false;
  for (int i = 1; i < __argc; ++i)
    if (std::strcmp(__argv[i], "/RemoveFolder") == 0) remove_folder = true;
  velkor::DeleteMySelf(remove_folder);
  return 0;
}
