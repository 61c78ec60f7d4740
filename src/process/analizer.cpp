#include "process/analizer.h"

namespace velkor {

bool IsImeWindowClass(std::string_view class_name) {
  auto same = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
      if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
      if (x != y) return false;
    }
    return true;
  };
  return same(class_name, "IME") || same(class_name, "MSCTFIME UI");
}

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
