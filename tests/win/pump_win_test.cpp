#include "support/pump_win.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

// A message-only window that counts what reaches it.
struct Counter {
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP + 1) ++count;
    return DefWindowProcA(w, m, wp, lp);
  }
  static inline int count = 0;
};

TEST(Pump, WaitsDispatchQueuedMessagesAndSwallowQuit) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Counter::Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "PumpTestCounter";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
  ASSERT_TRUE(w);
  Counter::count = 0;

  PostMessageA(w, WM_APP + 1, 0, 0);
  PostMessageA(w, WM_APP + 1, 0, 0);
  WaitPumping(0);  // still one round
  EXPECT_EQ(Counter::count, 2);

  PostMessageA(w, WM_APP + 1, 0, 0);
  const DWORD start = GetTickCount();
  WaitPumping(60, 0);
  EXPECT_GE(GetTickCount() - start, 50u);  // tick granularity under Wine is coarse
  EXPECT_EQ(Counter::count, 3);

  // Every kind of message is taken from the queue, a quit message too.
  PostQuitMessage(5);
  PumpAndSleep(0);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  DestroyWindow(w);
  UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

TEST(Pump, WindowText) {
  EXPECT_EQ(WindowText(nullptr), "");
  const std::string long_title(1500, 'x');
  HWND w = CreateWindowExA(0, "STATIC", "short", 0, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(w);
  EXPECT_EQ(WindowText(w), "short");
  SetWindowTextA(w, long_title.c_str());
  EXPECT_EQ(WindowText(w), long_title.substr(0, 1023));
  DestroyWindow(w);
}

TEST(Pump, ScreenQueries) {
  RECT work;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  const int ww = work.right - work.left, wh = work.bottom - work.top;
  EXPECT_EQ(CenterInWorkArea(300, 201), (CenteredPos{work.left + (ww - 300) / 2,
                                                     work.top + (wh - 201) / 2}));
  EXPECT_LT(CenterInWorkArea(ww + 100, 10).left, work.left);

  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(PointsToPixels(8), MulDiv(8, dpi, 72));
  EXPECT_EQ(PointsToPixels(0), 0);
}

TEST(Pump, AutoPlayQueryAndShellRefusal) {
  RegisterAutoPlayQuery();
  EXPECT_NE(AutoPlayQueryMessage(), 0u);
  EXPECT_EQ(AutoPlayQueryMessage(), RegisterWindowMessageA("QueryCancelAutoPlay"));
  EXPECT_FALSE(OpenDocument("C:\\no\\such\\folder\\file.velkor-none", "", SW_SHOWNORMAL));
}

}  // namespace
}  // namespace velkor
