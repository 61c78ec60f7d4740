#include "stub/stub_main_win.h"

#include <memory>
#include <string>

#include "package/language_win.h"
#include "process/process_win.h"
#include "setup/setup_run_win.h"
#include "support/files_win.h"
#include "support/switches_win.h"
#include "support/text_win.h"
#include "stub/pending_work_win.h"
#include "stub/run_mode.h"
#include "stub/stub_state.h"
#include "support/trace.h"
#include "support/trace_win.h"
#include "ui/msg_box_win.h"

namespace velkor {


namespace {

const char* TrueFalse(bool value) { return value ? "TRUE" : "FALSE"; }

bool TopLevelWindowOfClassExists(const std::string& class_name) {
  return FindWindowA(class_name.c_str(), nullptr) != nullptr;
}

}  // namespace

int StubMain(HINSTANCE) {
  InitDebugOutputs();
  PreloadUiLibraries();
  const DWORD pid = GetCurrentProcessId();
  const std::string command_line = GetCommandLineA();
  ViewerWriteLine(pid, " ==== STUB START ====> ", command_line, "<");
  StubState& stub = Stub();
  // Texts are chosen by the language the thread had when the process started.
  ReadSystemLocaleFromThread();

  const std::string own_path = ExePath();
  stub.own_descriptor = std::make_unique<TGFileInfo>(own_path);
  stub.ThisIs_AutoUpdateProg = stub.own_descriptor->ThisIs_AutoUpdateProg();
  stub.TracingEnabled = stub.ThisIs_AutoUpdateProg && stub.own_descriptor->TraceLog();
  const AgentRole role =
      ClassifyAgent(stub.ThisIs_AutoUpdateProg, own_path, stub.own_descriptor->AgentExeName());
  stub.ThisIs_Plain_AutoUpdate_Exe = role.plain;
  stub.ThisIs_X_AutoUpdate_Exe = role.transient;
  SetTracingEnabled(stub.TracingEnabled);
  // Plain agent and transient copy share one log; the indent tells their lines apart.
  if (stub.ThisIs_X_AutoUpdate_Exe) SetTraceIndent(" X ");
  DebugTrace("");
  DebugTrace("");
  DebugTrace("=== START === " + own_path);
  DebugTrace("CommandLine=" + command_line);
  ViewerWriteLine(pid, " ==== ThisIs_AutoUpdateProg=", TrueFalse(stub.ThisIs_AutoUpdateProg));

  DoRunStubWin();

  stub.own_descriptor.reset();
  ViewerWriteLine(pid, " ==== STUB END ====> ", command_line, "<");
  ViewerWriteLine("");
  DebugTrace("=== EXIT === " + own_path);
  DebugTrace("");
  return static_cast<int>(stub.exit_code);
}

void DoRunStubWin() {
  DebugTrace("DoRunStubWin() --- Start");
  StubState& stub = Stub();
  const std::string own_path = ExePath();
  stub.WindowClassName = MainWindowClassName(stub.ThisIs_AutoUpdateProg, own_path);
  const AgentRole role =
      ClassifyAgent(stub.ThisIs_AutoUpdateProg, own_path, OwnDescriptor().AgentExeName());
  stub.X_ExeIsRunning = TopLevelWindowOfClassExists(role.x_window_class);
  DebugTrace(std::string("X_ExeIsRunning=") + TrueFalse(stub.X_ExeIsRunning));
  DebugTrace(std::string("ThisIs_Plain_AutoUpdate_Exe=") + TrueFalse(stub.ThisIs_Plain_AutoUpdate_Exe));
  DebugTrace(std::string("ThisIs_X_AutoUpdate_Exe=") + TrueFalse(stub.ThisIs_X_AutoUpdate_Exe));

  RunModeFacts facts;
  facts.window_class_exists = TopLevelWindowOfClassExists(stub.WindowClassName);
  facts.plain_agent_exe = stub.ThisIs_Plain_AutoUpdate_Exe;
  facts.x_agent_exe = stub.ThisIs_X_AutoUpdate_Exe;
  facts.span_cd = OwnDescriptor().SpanCd();
  facts.span_level = GetSwitchInt("/SpanCdLvl=", 1);

  switch (ChooseRunMode(facts)) {
    case RunMode::kAlreadyRunning:
      break;
    case RunMode::kPlainAgent:
      StartTransientAgentCopy();
      break;
    case RunMode::kTransientAgent:
      DebugTrace("CheckTestMode");
      CheckAgentTestMode(true);
      DebugTrace("WinMain");
      RunMainWindowLoop();
      DebugTrace("DeleteMySelf");
      DeleteOwnProgramAfterExit(false);
      break;
    case RunMode::kSpanRelaunch:
      SpanRelaunch();
      break;
    case RunMode::kMainLoop:
      RunMainWindowLoop();
      if (DeleteSelfAfterMainLoop(GetSwitchInt("/SpanCdLvl=", 1))) DeleteOwnProgramAfterExit(true);
      break;
  }
  // A plain agent forwards its commands whether or not its copy was already running.
  if (stub.ThisIs_Plain_AutoUpdate_Exe) HandleParamOK(stub.X_ExeIsRunning);
  DebugTrace("DoRunStubWin() --- End");
}

bool HandleParamOK(bool x_was_running) {
  DebugTrace("HandleParamOK() --- Start");
  const std::string own_path = ExePath();
  const std::string own_name = FileNameOfPath(own_path);
  const std::string target =
      own_path.substr(0, own_path.size() - own_name.size()) + "X_" + own_name;
  ParamSwitches switches;
  switches.stop = GetSwitchInt("/STOP=", -1);
  switches.wm_msg = GetSwitchValue("/WM_MSG=");
  switches.test = GetSwitchInt("/TEST=", -1);
  switches.transient = GetSwitchValue("/TRANSIENTx=");
  const ParamPlan plan = PlanHandleParam(switches, target, FileExists(target), x_was_running);
  for (const ProcessPost& post : plan.posts) {
    if (!post.trace.empty()) DebugTrace(post.trace);
    // A post that finds no window of the copy fails silently, as the forwarding always has.
    PostProcessMessage(target, true, post.message, static_cast<WPARAM>(post.wparam),
                       static_cast<LPARAM>(post.lparam));
  }
  if (!plan.overrides.empty()) ApplyAgentOverrides(plan.overrides);
  DebugTrace("HandleParamOK() --- End");
  return !plan.posts.empty();
}

void SpanRelaunch() {
  const std::string own_path = ExePath();
  const std::string folder = PrepareSetupFolder();
  if (folder.empty()) return;
  const std::string copy = folder + "\\Y_" + FileNameOfPath(own_path);
  // Failures to copy or start are not reported: the first level ends either way.
  if (!CopyFileA(own_path.c_str(), copy.c_str(), FALSE)) return;
  const std::string line = copy + " " + SpanRelaunchArguments(GetCommandTail(), own_path);
  // The copy is named to the system explicitly: a blank in the setup folder's path must not
  // let the system start some other program found by splitting the line.
  if (HANDLE process = RunProgram(copy, line, SW_HIDE)) CloseHandle(process);
}

}  // namespace velkor
