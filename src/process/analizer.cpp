#include "process/analizer.h"

namespace velkor {

void TAnalizer::Clear() {
  for (int i = 0; i < kCapacity; ++i) {
    Windows[i] = 0;
    Scores[i] = 0;
  }
  Count = 0;
  ProcessId = 0;
}

bool TAnalizer::AddWindow(WindowId window, uint32_t owner_process) {
  if (owner_process == ProcessId && Count < kCapacity) Windows[Count++] = window;
  return true;
}

void TAnalizer::ScoreWindows(const WindowFacts& facts) {
  for (int i = 0; i < Count; ++i) Scores[i] = 0;
  // A window that owns (directly or through a chain) many of the process's windows is the one
  // the user sees as the program; count, for each window, how many collected windows lead to it.
  for (int i = 0; i < Count; ++i) {
    WindowId top = facts.TopOwner(Windows[i]);
    if (top == 0) continue;
    for (int j = 0; j < Count; ++j)
      if (Windows[j] == top) ++Scores[j];
  }
  // At most kCapacity * 4 + 3, well inside 16 bits.
  for (int i = 0; i < Count; ++i) {
    unsigned score = Scores[i] * 4u;
    if (facts.HasTitle(Windows[i])) score += 2;
    if (facts.IsVisible(Windows[i])) score += 1;
    Scores[i] = static_cast<uint16_t>(score);
  }
}

WindowId TAnalizer::BestWindow(const WindowFacts& facts) {
  ScoreWindows(facts);
  WindowId best = 0;
  unsigned best_score = 0;
  for (int i = 0; i < Count; ++i) {
    if (Scores[i] > best_score) {
      best_score = Scores[i];
      best = Windows[i];
    }
  }
  return best;
}

}  // namespace velkor
