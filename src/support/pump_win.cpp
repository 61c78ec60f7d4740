#include "support/pump_win.h"

#include <shellapi.h>

namespace velkor {
namespace {

struct PumpState {
  UINT autoplay_message = 0;
  int pixels_per_inch = 0;
};

PumpState& State() {
  static PumpState state;
  return state;
}

}  // namespace

void PumpAndSleep(DWORD ms) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  Sleep(ms);
}

void WaitPumping(DWORD ms, DWORD step_ms) {
  const DWORD step = WaitPumpingStep(ms, step_ms);
  // Unsigned difference keeps the wait right across the tick counter's wrap.
  const DWORD start = GetTickCount();
  do {
    PumpAndSleep(step);
  } while (GetTickCount() - start < ms);
}

void RegisterAutoPlayQuery() { State().autoplay_message = RegisterWindowMessageA("QueryCancelAutoPlay"); }

UINT AutoPlayQueryMessage() { return State().autoplay_message; }

int PointsToPixels(int points) {
  PumpState& state = State();
  if (state.pixels_per_inch == 0) {
    HDC screen = GetDC(nullptr);
    state.pixels_per_inch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  return MulDiv(points, state.pixels_per_inch, 72);
}

bool OpenDocument(const std::string& target, const std::string& params, int show_command) {
  HINSTANCE result = ShellExecuteA(GetDesktopWindow(), nullptr, target.c_str(),
                                   params.empty() ? nullptr : params.c_str(), nullptr, show_command);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string WindowText(HWND window) {
  if (!window) return "";
  char buf[1024];
  int n = GetWindowTextA(window, buf, sizeof buf);
  if (n < 0) n = 0;
  if (n > static_cast<int>(sizeof buf) - 1) n = sizeof buf - 1;
  return std::string(buf, static_cast<std::size_t>(n));
}

CenteredPos CenterInWorkArea(int width, int height) {
  RECT work{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
    work.right = GetSystemMetrics(SM_CXSCREEN);
    work.bottom = GetSystemMetrics(SM_CYSCREEN);
  }
  return CenterInArea(work.left, work.top, work.right - work.left, work.bottom - work.top, width,
                      height);
}

}  // namespace velkor
