#include "stub/run_mode.h"

#include <gtest/gtest.h>

#include "stub/stub_messages.h"

namespace velkor {
namespace {

TEST(ChooseRunMode, FirstMatchingRowWins) {
  struct Case {
    const char* name;
    RunModeFacts facts;
    RunMode expected;
  } cases[] = {
      {"setup package", {false, false, false, false, 1}, RunMode::kMainLoop},
      {"second start of anything", {true, true, false, true, 1}, RunMode::kAlreadyRunning},
      {"plain agent", {false, true, false, false, 1}, RunMode::kPlainAgent},
      {"plain agent beats span", {false, true, false, true, 1}, RunMode::kPlainAgent},
      {"transient agent", {false, false, true, true, 1}, RunMode::kTransientAgent},
      {"span, first level", {false, false, false, true, 1}, RunMode::kSpanRelaunch},
      {"span, second level", {false, false, false, true, 2}, RunMode::kMainLoop},
      {"span level not 1", {false, false, false, true, 0}, RunMode::kMainLoop},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChooseRunMode(c.facts), c.expected);
  }
  EXPECT_TRUE(DeleteSelfAfterMainLoop(2));
  EXPECT_FALSE(DeleteSelfAfterMainLoop(1));
}

TEST(StubNames, WindowClassAndAgentRoles) {
  EXPECT_EQ(MainWindowClassName(false, "C:\\Setup Files\\setup.v2.exe"), "C:\\Setup Files\\setup.v2.exe");
  EXPECT_EQ(MainWindowClassName(true, "C:\\Prog\\X_agent.exe"), ".AutoUpdate.X_agent");
  EXPECT_EQ(MainWindowClassName(true, "C:\\Prog.d\\agent.v2.exe"), ".AutoUpdate.agent");

  struct Case {
    bool is_agent;
    const char* path;
    const char* agent_name;
    bool plain, transient;
  } cases[] = {
      {true, "C:\\P\\agent.exe", "agent.exe", true, false},
      {true, "C:\\P\\AGENT.EXE", " agent.exe ", true, false},
      {true, "C:\\P\\x_Agent.exe", "agent.exe", false, true},
      {true, "C:\\P\\other.exe", "agent.exe", false, false},
      {false, "C:\\P\\agent.exe", "agent.exe", false, false},
      {false, "C:\\P\\X_agent.exe", "agent.exe", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const AgentRole role = ClassifyAgent(c.is_agent, c.path, c.agent_name);
    EXPECT_EQ(role.plain, c.plain);
    EXPECT_EQ(role.transient, c.transient);
  }
  EXPECT_EQ(ClassifyAgent(true, "C:\\a.exe", "upd.agent.exe").x_window_class, ".AutoUpdate.X_upd");
}

TEST(PlanHandleParam, ForwardsSwitchesToTheTransientCopy) {
  const std::string target = "C:\\P\\X_agent.exe";
  struct Post {
    unsigned message;
    std::uint64_t wparam;
    std::int64_t lparam;
  };
  struct Case {
    const char* name;
    ParamSwitches switches;
    bool target_exists;
    bool x_was_running;
    std::vector<Post> expected;
  } cases[] = {
      {"nothing asked", {}, true, true, {}},
      {"stop 0", {0, "", -1, ""}, true, true, {{wm_ShutDown, 0, 0}}},
      {"stop without copy", {0, "", -1, ""}, false, false, {}},
      {"listener", {-1, "12:34", -1, ""}, true, true, {{wm_LocalMsg, 12, 34}}},
      {"listener text", {-1, "abc", -1, ""}, true, true, {{wm_LocalMsg, 0, 0}}},
      {"test 2, copy started now", {-1, "", 2, ""}, true, false, {{wm_AgentMsg, 31, 2}, {wm_ShutDown, 2, 0}}},
      {"test 0, copy started now", {-1, "", 0, ""}, true, false, {{wm_AgentMsg, 31, 0}}},
      {"test 2, copy was running", {-1, "", 2, ""}, true, true, {{wm_AgentMsg, 31, 2}}},
      {"all, in order", {5, "7:8", 1, ""}, true, true, {{wm_ShutDown, 5, 0}, {wm_LocalMsg, 7, 8}, {wm_AgentMsg, 31, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ParamPlan plan = PlanHandleParam(c.switches, target, c.target_exists, c.x_was_running);
    ASSERT_EQ(plan.posts.size(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(plan.posts[i].message, c.expected[i].message);
      EXPECT_EQ(plan.posts[i].wparam, c.expected[i].wparam);
      EXPECT_EQ(plan.posts[i].lparam, c.expected[i].lparam);
    }
  }
  const ParamPlan with_test = PlanHandleParam({-1, "", 2, ""}, target, true, true);
  EXPECT_EQ(with_test.posts[0].trace,
            "PostProcessMessage(wm_AgentMsg) to: C:\\P\\X_agent.exe - AU_PerformUpdateCycle (2)");
  // Overrides apply to this process even when no copy exists.
  EXPECT_EQ(PlanHandleParam({-1, "", -1, "|1|255|"}, target, false, false).overrides, "|1|255|");
}

TEST(SpanRelaunchArguments, AddsLevelVolumeAndOrigin) {
  EXPECT_EQ(SpanRelaunchArguments("/hide", "C:\\My Files\\setup.exe"),
            "/hide /SpanCdLvl=2 /SpanDiskFName1=\"C:\\My Files\\setup.exe.001\" "
            "/OriginExe=\"C:\\My Files\\setup.exe\"");
  EXPECT_EQ(SpanRelaunchArguments("", "C:\\s.exe"),
            "/SpanCdLvl=2 /SpanDiskFName1=\"C:\\s.exe.001\" /OriginExe=\"C:\\s.exe\"");
}

}  // namespace
}  // namespace velkor
