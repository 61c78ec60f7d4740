#pragma once
// The stub's start-up decisions, kept apart from Windows so they can be tested as tables: which
// role the process plays, the names it is recognised by, and what a plain agent forwards to its
// running transient copy.
#include <cstdint>
#include <string>
#include <vector>

namespace velkor {

enum class RunMode {
  kAlreadyRunning,  // a window of our class exists: nothing to do (a plain agent still forwards)
  kPlainAgent,      // start the transient copy, then forward the command line to it
  kTransientAgent,  // test-mode check, main loop with the agent cycle, then delete ourselves
  kSpanRelaunch,    // first span level: relaunch from a copy in the setup folder and end
  kMainLoop,        // setup package (or an agent under a third name): main loop
};

struct RunModeFacts {
  bool window_class_exists = false;
  bool plain_agent_exe = false;  // ThisIs_Plain_AutoUpdate_Exe
  bool x_agent_exe = false;      // ThisIs_X_AutoUpdate_Exe
  bool span_cd = false;          // descriptor's SpanCd flag
  std::int64_t span_level = 1;   // "/SpanCdLvl=", default 1
};

// First match wins, in the order of the RunMode values.
RunMode ChooseRunMode(const RunModeFacts& facts);

// After the main loop, the second span level deletes itself and the setup folder it runs from.
inline bool DeleteSelfAfterMainLoop(std::int64_t span_level) { return span_level == 2; }

// File name without folder and with every extension removed ("a.b.exe" -> "a").
std::string FileTitleNoExtensions(const std::string& path);
// File-name part of a path (after the last "\" or "/").
std::string FileNameOfPath(const std::string& path);

// Class of the main window: ".AutoUpdate." + own file title for an agent, else the module path.
std::string MainWindowClassName(bool is_agent, const std::string& module_path);

struct AgentRole {
  bool plain = false;          // own file name equals AgentExeName
  bool transient = false;      // own file name equals "X_" + AgentExeName
  std::string x_window_class;  // class of the transient copy's window
};
// Names are compared trimmed and ignoring ASCII case; neither predicate holds unless `is_agent`.
AgentRole ClassifyAgent(bool is_agent, const std::string& module_path,
                        const std::string& agent_exe_name);

// What a plain agent forwards to its transient copy, from the switches of its command line.
struct ParamSwitches {
  std::int64_t stop = -1;  // "/STOP="
  std::string wm_msg;      // "/WM_MSG=" value
  std::int64_t test = -1;  // "/TEST="
  std::string transient;   // "/TRANSIENTx=" value
};
struct ProcessPost {
  unsigned message = 0;
  std::uint64_t wparam = 0;
  std::int64_t lparam = 0;
  std::string trace;  // the trace line that goes with the post
};
struct ParamPlan {
  std::vector<ProcessPost> posts;
  std::string overrides;  // override list to apply to this process ("" = none)
};
// `target` is the transient copy's path; posts are planned only when it exists. `x_was_running`:
// the copy was already running when this process started (a copy started just now for "/TEST="
// is told to quit again afterwards).
ParamPlan PlanHandleParam(const ParamSwitches& switches, const std::string& target,
                          bool target_exists, bool x_was_running);

// "/WM_MSG=" value "handle:message" as two decimal numbers; text that does not convert is 0.
void ParseWmMsgValue(const std::string& value, std::int64_t* window, std::int64_t* message);

// Arguments of the second-level copy: the command tail, "/SpanCdLvl=2", the first volume
// ("own path.001") and the original setup path, trimmed.
std::string SpanRelaunchArguments(const std::string& command_tail, const std::string& own_path);

}  // namespace velkor
