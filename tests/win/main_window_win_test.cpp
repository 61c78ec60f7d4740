#include "stub/main_window_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "net/http_win.h"
#include "stub/stub_state.h"
#include "support/pump_win.h"

namespace velkor {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Stub().WindowClassName = "velkor_main_window_test";
    window_ = CreateMainWindow();
    // No timer tick may start a setup run inside the test.
    if (window_) KillTimer(window_, kMainTimerId);
  }
  static HWND window_;
};
HWND MainWindowTest::window_ = nullptr;

TEST_F(MainWindowTest, LayoutOfTheHiddenWindowAndItsChildren) {
  ASSERT_NE(window_, nullptr);
  EXPECT_FALSE(IsWindowVisible(window_));
  RECT r;
  GetWindowRect(window_, &r);
  EXPECT_EQ(r.right - r.left, 492);
  EXPECT_EQ(r.bottom - r.top, 110);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE)) & 0x2C80000u, 0x2C80000u);
  EXPECT_EQ(GetWindowLongA(window_, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
  struct Child {
    HWND window;
    int left, top, width, height;
    bool visible;
  } children[] = {{StatusWindow(), 70, 20, 340, 18, true},
                  {MainProgressBar(), 70, 38, 392, 13, true},
                  {ActivityBar(), 416, 20, 46, 13, false}};
  for (const Child& c : children) {
    ASSERT_NE(c.window, nullptr);
    GetWindowRect(c.window, &r);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.top, c.top);
    EXPECT_EQ(r.right - r.left, c.width);
    EXPECT_EQ(r.bottom - r.top, c.height);
    EXPECT_EQ((GetWindowLongA(c.window, GWL_STYLE) & WS_VISIBLE) != 0, c.visible);
  }
}

TEST_F(MainWindowTest, ProgressStepsFillTheMainBarAndCycleTheActivityBar) {
  ASSERT_NE(window_, nullptr);
  UpdateProgressBars(0, 0, 104, "", 1, 0);
  EXPECT_EQ(SendMessageA(MainProgressBar(), PBM_GETRANGE, FALSE, 0), 104);
  EXPECT_EQ(SendMessageA(ActivityBar(), PBM_GETRANGE, FALSE, 0), 5);
  std::vector<LRESULT> cycle;
  for (int i = 0; i < 104; ++i) {
    UpdateProgressBars(1, 0, 0, "", 0, 0);
    if (i < 8) cycle.push_back(SendMessageA(ActivityBar(), PBM_GETPOS, 0, 0));
  }
  EXPECT_EQ(SendMessageA(MainProgressBar(), PBM_GETPOS, 0, 0), 104);
  EXPECT_EQ(cycle, (std::vector<LRESULT>{1, 2, 3, 4, 5, 0, 1, 2}));
  EXPECT_EQ(SendMessageA(ActivityBar(), PBM_GETPOS, 0, 0), 104 % 6);
  // Other kinds change nothing.
  UpdateProgressBars(7, 0, 10, "", 1, 3);
  EXPECT_EQ(SendMessageA(MainProgressBar(), PBM_GETPOS, 0, 0), 104);
}

TEST_F(MainWindowTest, StatusTextDirectionFollowsTheCharset) {
  ASSERT_NE(window_, nullptr);
  SetStatusText(StatusWindow(), "abc", "Tahoma", 8, 177);
  EXPECT_EQ(GetWindowLongA(StatusWindow(), GWL_EXSTYLE) & WS_EX_RTLREADING, WS_EX_RTLREADING);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(StatusWindow(), GWL_STYLE)), 0x50000002u);
  char text[16] = {};
  GetWindowTextA(StatusWindow(), text, sizeof text);
  EXPECT_STREQ(text, "abc");
  SetStatusText(StatusWindow(), "def", "Tahoma", 8, 0);
  EXPECT_EQ(GetWindowLongA(StatusWindow(), GWL_EXSTYLE) & WS_EX_RTLREADING, 0);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(StatusWindow(), GWL_STYLE)), 0x50000000u);
}

TEST_F(MainWindowTest, PrivateMessagesAndAutoPlayAnswer) {
  ASSERT_NE(window_, nullptr);
  // Unknown agent control codes answer 0.
  EXPECT_EQ(SendMessageA(window_, 1125, 9999, 0), 0);
  // Once registered, the AutoPlay query is answered with 1 (cancel).
  RegisterAutoPlayQuery();
  ASSERT_NE(AutoPlayQueryMessage(), 0u);
  EXPECT_EQ(SendMessageA(window_, AutoPlayQueryMessage(), 0, 0), 1);
  // A registered listener is told the window and the agent message at once.
  HWND listener = CreateWindowA("Static", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(listener, nullptr);
  SendMessageA(window_, 1124, reinterpret_cast<WPARAM>(listener), 1200);
  std::vector<std::pair<WPARAM, LPARAM>> got;
  MSG m;
  while (PeekMessageA(&m, listener, 1200, 1200, PM_REMOVE)) got.emplace_back(m.wParam, m.lParam);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], std::make_pair(WPARAM{50}, reinterpret_cast<LPARAM>(window_)));
  EXPECT_EQ(got[1], std::make_pair(WPARAM{51}, LPARAM{1125}));
  DestroyWindow(listener);
}

// The first close request only stops a running download; the window stays until a close request
// finds the download already stopped. Runs on its own window: it ends it.
TEST(MainWindowClose, FirstCloseOnlyAbortsTheDownload) {
  Stub().WindowClassName = "velkor_main_window_close_test";
  HWND window = CreateMainWindow();
  ASSERT_NE(window, nullptr);
  KillTimer(window, kMainTimerId);
  SetDownloadAbort(false);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(DownloadAborted());
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  MSG m;
  bool quit = false;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) quit = quit || m.message == WM_QUIT;
  EXPECT_TRUE(quit) << "destroying the main window ends the message loop";
}

}  // namespace
}  // namespace velkor
