#include "process/analizer.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

namespace velkor {
namespace {

// Windows described by number: owner, title and visibility.
class FakeWindows : public WindowFacts {
 public:
  struct Window {
    WindowId owner = 0;
    bool titled = false;
    bool visible = false;
  };
  std::map<WindowId, Window> windows;

  WindowId TopOwner(WindowId w) const override {
    WindowId owner = windows.at(w).owner;
    if (owner == 0) return 0;
    while (windows.count(owner) && windows.at(owner).owner != 0) owner = windows.at(owner).owner;
    return owner;
  }
  bool HasTitle(WindowId w) const override { return windows.at(w).titled; }
  bool IsVisible(WindowId w) const override { return windows.at(w).visible; }
};

constexpr uint32_t kPid = 77;

std::unique_ptr<TAnalizer> Collect(const std::vector<WindowId>& order) {
  auto a = std::make_unique<TAnalizer>();
  a->ProcessId = kPid;
  for (WindowId w : order) a->AddWindow(w, kPid);
  return a;
}

TEST(TAnalizer, CollectsOnlyWindowsOfItsProcess) {
  TAnalizer a;
  a.ProcessId = kPid;
  EXPECT_TRUE(a.AddWindow(1, kPid));
  EXPECT_TRUE(a.AddWindow(2, kPid + 1));  // enumeration goes on past foreign windows
  EXPECT_TRUE(a.AddWindow(3, kPid));
  ASSERT_EQ(a.Count, 2);
  EXPECT_EQ(a.Windows[0], 1u);
  EXPECT_EQ(a.Windows[1], 3u);
  a.Clear();
  EXPECT_EQ(a.Count, 0);
  EXPECT_EQ(a.ProcessId, 0u);
  EXPECT_EQ(a.Windows[0], 0u);
}

TEST(TAnalizer, StopsCollectingAtCapacity) {
  auto a = std::make_unique<TAnalizer>();
  a->ProcessId = kPid;
  for (WindowId w = 1; w <= TAnalizer::kCapacity + 50; ++w) EXPECT_TRUE(a->AddWindow(w, kPid));
  EXPECT_EQ(a->Count, TAnalizer::kCapacity);
  EXPECT_EQ(a->Windows[TAnalizer::kCapacity - 1], static_cast<WindowId>(TAnalizer::kCapacity));
}

TEST(TAnalizer, ScoresOwnershipTitleAndVisibility) {
  // 1: visible titled main window; 2: its visible titled dialog; 3: a popup owned by the dialog
  // (top owner 1); 4: hidden untitled helper window.
  FakeWindows facts;
  facts.windows = {{1, {0, true, true}}, {2, {1, true, true}}, {3, {2, false, false}},
                   {4, {0, false, false}}};
  auto a = Collect({4, 2, 3, 1});
  EXPECT_EQ(a->BestWindow(facts), 1u);
  EXPECT_EQ(a->Scores[3], 4 * 2 + 2 + 1);  // window 1 tops two owner chains
  EXPECT_EQ(a->Scores[1], 3);              // the dialog: title and visible, owns nothing at top
  EXPECT_EQ(a->Scores[2], 0);
  EXPECT_EQ(a->Scores[0], 0);
}

TEST(TAnalizer, BestWindowChoice) {
  struct Case {
    const char* what;
    std::map<WindowId, FakeWindows::Window> windows;
    std::vector<WindowId> order;
    WindowId best;
  } cases[] = {
      {"main window with owned dialog beats the dialog",
       {{1, {0, true, true}}, {2, {1, true, true}}}, {2, 1}, 1},
      {"hidden owner of a visible popup beats the popup",
       {{1, {0, false, false}}, {2, {1, true, true}}}, {2, 1}, 1},
      {"title outweighs visibility", {{1, {0, false, true}}, {2, {0, true, false}}}, {1, 2}, 2},
      {"equal scores: the first collected wins", {{5, {0, true, true}}, {6, {0, true, true}}},
       {6, 5}, 6},
      {"all windows score 0: none", {{1, {0, false, false}}, {2, {0, false, false}}}, {1, 2}, 0},
      {"no windows: none", {}, {}, 0},
      // An owner outside the collection (another process's window) scores nothing.
      {"foreign top owner", {{1, {9, false, false}}, {9, {0, true, true}}}, {1}, 0},
  };
  for (const Case& c : cases) {
    FakeWindows facts;
    facts.windows = c.windows;
    auto a = Collect(c.order);
    EXPECT_EQ(a->BestWindow(facts), c.best) << c.what;
  }
}

TEST(TAnalizer, FullTableOfOwnedWindowsDoesNotOverflowScores) {
  FakeWindows facts;
  std::vector<WindowId> order;
  for (WindowId w = 1; w <= TAnalizer::kCapacity; ++w) {
    facts.windows[w] = {w == 1 ? WindowId{0} : WindowId{1}, true, true};
    order.push_back(w);
  }
  auto a = Collect(order);
  EXPECT_EQ(a->BestWindow(facts), 1u);
  EXPECT_EQ(a->Scores[0], (TAnalizer::kCapacity - 1) * 4 + 3);
}

TEST(IsImeWindowClass, OnlyTheSystemInputMethodClasses) {
  EXPECT_TRUE(IsImeWindowClass("IME"));
  EXPECT_TRUE(IsImeWindowClass("ime"));
  EXPECT_TRUE(IsImeWindowClass("MSCTFIME UI"));
  EXPECT_FALSE(IsImeWindowClass("IME2"));
  EXPECT_FALSE(IsImeWindowClass("MyIME"));
  EXPECT_FALSE(IsImeWindowClass(""));
}

}  // namespace
}  // namespace velkor
