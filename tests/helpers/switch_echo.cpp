// Test helper: writes what the switch functions see on its own command line to the file named by
// its "/Out=" switch, one result per line: the command tail, the value of "/OriginExe=", the
// number of "/SleepX=" (default -1) and whether "/hide" is present.
#include <windows.h>

#include <string>

#include "common/test_env_win.h"
#include "support/switches_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string out = velkor::GetSwitchValue("/Out=");
  if (out.empty() || out == "TRUE") return 2;
  const std::string report = velkor::GetCommandTail() + "\n" +
                             velkor::GetSwitchValue("/OriginExe=") + "\n" +
                             std::to_string(velkor::GetSwitchInt("/SleepX=", -1)) + "\n" +
                             (velkor::HasSwitch("/hide") ? "1" : "0") + "\n";
  return velkor::test::WriteWholeFile(out, report) ? 0 : 1;
}
