#include "stub/agent_hooks_win.h"

namespace velkor {

namespace {
struct AgentCounters {
  std::int64_t timer_count = 0;
  std::int64_t stop_count = -1;
} g_agent;
}  // namespace

void AgentTimerTick(HWND) {}
LRESULT AgentControl(WPARAM, LPARAM) { return 0; }
void SetAgentTimerCount(std::int64_t count) { g_agent.timer_count = count; }
void SetAgentStopCount(std::int64_t count) { g_agent.stop_count = count; }

}  // namespace velkor
