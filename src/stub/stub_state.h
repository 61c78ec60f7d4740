#pragma once
// Process-wide state of the stub, fixed at start-up: the descriptor of its own file and the role
// decided from it. Single-threaded; set by StubMain, read everywhere else.
#include <cstdint>
#include <memory>
#include <string>

#include "package/file_info.h"

namespace velkor {

struct StubState {
  // Descriptor of the stub's own executable; lives from the start of StubMain to its end.
  std::unique_ptr<TGFileInfo> own_descriptor;
  bool ThisIs_AutoUpdateProg = false;
  // The agent writes a trace log only when its descriptor asks for it (never a setup package).
  bool TracingEnabled = false;
  std::string WindowClassName;
  bool ThisIs_Plain_AutoUpdate_Exe = false;
  bool ThisIs_X_AutoUpdate_Exe = false;
  bool X_ExeIsRunning = false;
  // Exit code of the process: 0 unless a setup run launched the engine.
  std::uint32_t exit_code = 0;
};

StubState& Stub();

// The own descriptor; an empty one (no package) outside StubMain.
const TGFileInfo& OwnDescriptor();

}  // namespace velkor
