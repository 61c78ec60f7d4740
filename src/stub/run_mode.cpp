#include "stub/run_mode.h"

#include <cstdlib>

#include "support/bar_list.h"
#include "support/text.h"
#include "stub/stub_messages.h"

namespace velkor {


namespace {

std::int64_t DecimalOrZero(const std::string& text) {
  if (text.empty()) return 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  return (end != nullptr && *end == '\0') ? v : 0;
}

bool SameNameText(const std::string& a, const std::string& b) {
  return UpperAscii(Trim(a)) == UpperAscii(Trim(b));
}

}  // namespace

RunMode ChooseRunMode(const RunModeFacts& f) {
  if (f.window_class_exists) return RunMode::kAlreadyRunning;
  if (f.plain_agent_exe) return RunMode::kPlainAgent;
  if (f.x_agent_exe) return RunMode::kTransientAgent;
  if (f.span_cd && f.span_level == 1) return RunMode::kSpanRelaunch;
  return RunMode::kMainLoop;
}

std::string FileNameOfPath(const std::string& path) {
  const std::size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FileTitleNoExtensions(const std::string& path) {
  const std::string name = FileNameOfPath(path);
  return name.substr(0, name.find('.'));
}

std::string MainWindowClassName(bool is_agent, const std::string& module_path) {
  return is_agent ? ".AutoUpdate." + FileTitleNoExtensions(module_path) : module_path;
}

AgentRole ClassifyAgent(bool is_agent, const std::string& module_path,
                        const std::string& agent_exe_name) {
  AgentRole role;
  const std::string own_name = FileNameOfPath(module_path);
  role.plain = is_agent && SameNameText(own_name, agent_exe_name);
  role.transient = is_agent && SameNameText(own_name, "X_" + agent_exe_name);
  role.x_window_class = ".AutoUpdate.X_" + FileTitleNoExtensions(agent_exe_name);
  return role;
}

void ParseWmMsgValue(const std::string& value, std::int64_t* window, std::int64_t* message) {
  const std::string list = ":" + value + ":";
  *window = DecimalOrZero(BarListItem(list, 0, ""));
  *message = DecimalOrZero(BarListItem(list, 1, ""));
}

ParamPlan PlanHandleParam(const ParamSwitches& s, const std::string& target, bool target_exists,
                          bool x_was_running) {
  ParamPlan plan;
  if (target_exists && s.stop >= 0) {
    plan.posts.push_back({wm_ShutDown, static_cast<std::uint64_t>(s.stop), 0,
                          "PostProcessMessage(wm_ShutDown) to: " + target});
  }
  if (target_exists && !s.wm_msg.empty()) {
    std::int64_t window = 0, message = 0;
    ParseWmMsgValue(s.wm_msg, &window, &message);
    plan.posts.push_back({wm_LocalMsg, static_cast<std::uint64_t>(window), message,
                          "PostProcessMessage(wm_LocalMsg) to: " + target + " - :" + s.wm_msg + ":"});
  }
  if (target_exists && s.test >= 0) {
    plan.posts.push_back({wm_AgentMsg, kAgentPerformUpdateCycle, s.test,
                          "PostProcessMessage(wm_AgentMsg) to: " + target +
                              " - AU_PerformUpdateCycle (" + std::to_string(s.test) + ")"});
    // A copy started only for this test quits again once the cycle has been asked for.
    if (!x_was_running && s.test > 0) plan.posts.push_back({wm_ShutDown, 2, 0, ""});
  }
  plan.overrides = s.transient;
  return plan;
}

std::string SpanRelaunchArguments(const std::string& command_tail, const std::string& own_path) {
  const std::string args = command_tail + " /SpanCdLvl=2" + " /SpanDiskFName1=\"" + own_path +
                           ".001\"" + " /OriginExe=\"" + own_path + "\"";
  return Trim(args);
}

}  // namespace velkor
