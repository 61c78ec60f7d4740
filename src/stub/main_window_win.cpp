#include "stub/main_window_win.h"

#include <commctrl.h>

#include "net/http_win.h"
#include "setup/setup_run_win.h"
#include "stub/agent_hooks_win.h"
#include "stub/stub_messages.h"
#include "stub/stub_state.h"
#include "support/files_win.h"
#include "support/pump_win.h"
#include "support/switches_win.h"
#include "support/trace.h"
#include "ui/msg_box_win.h"

namespace velkor {

namespace {

constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;  // 0x2C80000
constexpr int kIconLeft = 18;
constexpr int kIconTop = 20;

struct MainWindowState {
  HWND window = nullptr;
  HWND status = nullptr;
  HWND main_bar = nullptr;
  HWND activity_bar = nullptr;
  HFONT status_font = nullptr;
  bool exit_loop = false;
  HWND listener = nullptr;
  UINT listener_message = 0;
  int activity_counter = 0;
  std::string class_name;  // kept alive for the registered class
} g_main;

bool RightToLeft(int charset) { return charset == 177 || charset == 178; }

void ReplaceStatusFont(HFONT font) {
  if (g_main.status) SendMessageA(g_main.status, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (g_main.status_font) DeleteObject(g_main.status_font);
  g_main.status_font = font;
}

void CreateChildren(HWND window, HINSTANCE instance) {
  const bool rtl = RightToLeft(OwnDescriptor().LangCharset());
  g_main.status = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, rtl ? 122 : 70, 20, 340,
                                  18, window, nullptr, instance, nullptr);
  g_main.main_bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 70, 38, 392, 13,
                                    window, nullptr, instance, nullptr);
  g_main.activity_bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, rtl ? 70 : 416, 20, 46,
                                        13, window, nullptr, instance, nullptr);
  ReplaceStatusFont(CreateFontA(-11, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, "Tahoma"));
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (dc) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MainIcon"))
      DrawIcon(dc, kIconLeft, kIconTop, icon);
  }
  EndPaint(window, &ps);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      g_main.window = window;
      CreateChildren(window, reinterpret_cast<CREATESTRUCTA*>(lparam)->hInstance);
      SetTimer(window, kMainTimerId, kMainTimerPeriodMs, nullptr);
      break;
    case WM_PAINT:
      Paint(window);
      break;
    case WM_CLOSE:
      if (!CloseMainWindow()) return 0;
      break;
    case WM_DESTROY:
      ViewerWriteLine("- wm_Destroy -");
      DestroyMainWindow();
      break;
    case WM_QUIT:
      ViewerWriteLine("- wm_Quit -");
      DestroyMainWindow();
      break;
    case WM_TIMER:
      if (Stub().ThisIs_AutoUpdateProg)
        AgentTimerTick(window);
      else
        SetupTimerTick(window);
      break;
    case wm_ShutDown:
      SetAgentStopCount(static_cast<std::int64_t>(wparam));
      break;
    case wm_LocalMsg:
      g_main.listener = reinterpret_cast<HWND>(wparam);
      g_main.listener_message = static_cast<UINT>(lparam);
      NotifyListener(kNotifyMainWindow, reinterpret_cast<LPARAM>(window));
      NotifyListener(kNotifyAgentMessage, wm_AgentMsg);
      break;
    case wm_AgentMsg:
      return AgentControl(wparam, lparam);
    default:
      // The shell asks whether to start AutoPlay for a disk we asked the user to insert: no.
      if (message != 0 && message == AutoPlayQueryMessage()) return 1;
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

HWND MainWindow() { return g_main.window; }
HWND StatusWindow() { return g_main.status; }
HWND MainProgressBar() { return g_main.main_bar; }
HWND ActivityBar() { return g_main.activity_bar; }

HWND CreateMainWindow() {
  if (g_main.window && IsWindow(g_main.window)) return g_main.window;
  g_main = MainWindowState{};
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  g_main.class_name = Stub().WindowClassName;
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "MainIcon");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = g_main.class_name.c_str();
  RegisterClassA(&wc);  // may already be registered by an earlier window of this process
  const CenteredPos pos = CenterInWorkArea(kMainWindowWidth, kMainWindowHeight);
  const std::string title = OwnDescriptor().GetLangText("s0", "Velkor Installation Suite");
  return CreateWindowExA(0, g_main.class_name.c_str(), title.c_str(), kMainWindowStyle, pos.left,
                         pos.top, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance,
                         nullptr);
}

void WinMain() {
  const std::int64_t sleep = GetSwitchInt("/SleepX=", -1);
  if (sleep >= 0) SetAgentTimerCount(-sleep);
  HWND window = CreateMainWindow();
  const TGFileInfo& own = OwnDescriptor();
  SetMsgBoxFont(own.LangFontName(), own.LangFontSize(), own.LangCharset());
  if (window) {
    ShowWindow(window, SW_HIDE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (g_main.exit_loop) break;
    }
  }
  if (g_main.window) KillTimer(g_main.window, kMainTimerId);
  SetDownloadAbort(true);
  UnloadWinInet();
  NotifyListener(kNotifyLoopEnded, 0);
}

void ShowActivityBar() {
  if (g_main.activity_bar) ShowWindow(g_main.activity_bar, SW_SHOW);
}

void SetStatusText(HWND window, const std::string& text, const std::string& face, int size,
                   int charset) {
  if (!window) return;
  if (RightToLeft(charset)) {
    SetWindowLongPtrA(window, GWL_EXSTYLE, WS_EX_RTLREADING);
    SetWindowLongPtrA(window, GWL_STYLE, WS_CHILD | WS_VISIBLE | SS_RIGHT);
  } else {
    SetWindowLongPtrA(window, GWL_EXSTYLE, 0);
    SetWindowLongPtrA(window, GWL_STYLE, WS_CHILD | WS_VISIBLE);
  }
  HFONT font = CreateFontA(-PointsToPixels(size), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                           static_cast<BYTE>(charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  if (window == g_main.status) {
    ReplaceStatusFont(font);  // the status line owns its font until the next one replaces it
  } else if (font) {
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void UpdateProgressBars(int kind, int reserved, int range, const std::string&, int step,
                        int position) {
  if (kind == 0) {
    SendMessageA(g_main.main_bar, PBM_SETRANGE, static_cast<WPARAM>(reserved),
                 MAKELPARAM(0, static_cast<WORD>(range)));
    SendMessageA(g_main.main_bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    SendMessageA(g_main.main_bar, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
    SendMessageA(g_main.activity_bar, PBM_SETRANGE, 0, MAKELPARAM(0, 5));
    SendMessageA(g_main.activity_bar, PBM_SETPOS, 0, 0);
    SendMessageA(g_main.activity_bar, PBM_SETSTEP, 1, 0);
  } else if (kind == 1) {
    SendMessageA(g_main.main_bar, PBM_STEPIT, 0, 0);
    if (++g_main.activity_counter > 5) g_main.activity_counter = 0;
    SendMessageA(g_main.activity_bar, PBM_SETPOS, static_cast<WPARAM>(g_main.activity_counter), 0);
  }
}

void NotifyListener(WPARAM code, LPARAM value) {
  if (g_main.listener && g_main.listener_message)
    PostMessageA(g_main.listener, g_main.listener_message, code, value);
}

bool CloseMainWindow() {
  DebugTrace(".. CloseMainWindow() - Start");
  const bool aborted = DownloadAborted();
  if (!aborted) SetDownloadAbort(true);
  DebugTrace(".. CloseMainWindow() - End");
  return aborted;
}

void DestroyMainWindow() {
  DebugTrace(".. DestroyMainWindow() - Start");
  SetDownloadAbort(true);
  DeleteFolderTree(GetSetupFolder(), false);
  PostQuitMessage(0);
  g_main.exit_loop = true;
  DebugTrace(".. DestroyMainWindow() - End");
}

void EndMessageLoop() { g_main.exit_loop = true; }

}  // namespace velkor
