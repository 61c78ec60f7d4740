#include "ui/msg_box_win.h"

#include <richedit.h>

#include <algorithm>
#include <vector>

#include "support/pump_win.h"
#include "ui/msg_layout.h"
#include "ui/msg_markup.h"

namespace velkor {
namespace {

constexpr char kBoxClass[] = "VMsgBox";
constexpr char kRichEditLibrary[] = "RICHED32.DLL";
constexpr char kRichEditClass[] = "RICHEDIT";
constexpr int kEditId = 100;
constexpr UINT_PTR kTimeoutTimer = 1;
constexpr COLORREF kBandColour = RGB(0, 78, 152);

// Font of every box; only SetMsgBoxFont changes it.
struct BoxSettings {
  std::string face = "Tahoma";
  int size = 8;
  int charset = 1;
  const char* edit_class = kRichEditClass;
};

// The box on screen. Set up afresh for every box; only its own buttons count.
struct BoxState {
  HWND box = nullptr;
  HWND edit = nullptr;
  bool rich = false;
  std::vector<HWND> buttons;
  std::vector<std::string> captions;
  std::vector<int> codes;
  int code = kMsgCodeNone;
  bool got_request = false;
  int request_w = 0;
  int request_h = 0;
  HWND previous_active = nullptr;
  HFONT font = nullptr;
  DWORD timeout_ms = 0;
  UINT style = 0;
  bool done = false;
};

BoxSettings& Settings() {
  static BoxSettings settings;
  return settings;
}

BoxState& Box() {
  static BoxState state;
  return state;
}

// Loaded library released when the box is done with it.
class LibraryRef {
 public:
  explicit LibraryRef(const char* name) : module_(LoadLibraryA(name)) {}
  ~LibraryRef() {
    if (module_) FreeLibrary(module_);
  }
  LibraryRef(const LibraryRef&) = delete;
  LibraryRef& operator=(const LibraryRef&) = delete;

 private:
  HMODULE module_;
};

// Keeps the rich-edit library in the process from the first box on: unloading it while the
// class is still known to the system has been seen to break later boxes.
void PinRichEditLibrary() {
  static HMODULE pinned = LoadLibraryA(kRichEditLibrary);
  (void)pinned;
}

bool IsMsPGothic(const std::string& face) {
  std::size_t a = 0, b = face.size();
  while (a < b && static_cast<unsigned char>(face[a]) <= 32) ++a;
  while (b > a && static_cast<unsigned char>(face[b - 1]) <= 32) --b;
  std::string t = face.substr(a, b - a);
  if (t.size() != 10) return false;
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, t.c_str(), 10, "MS PGothic", 10) ==
         CSTR_EQUAL;
}

int ButtonIndex(HWND window) {
  const BoxState& s = Box();
  for (std::size_t i = 0; i < s.buttons.size(); ++i)
    if (s.buttons[i] == window) return static_cast<int>(i);
  return -1;
}

void ChooseButton(int index) {
  BoxState& s = Box();
  if (index < 0 || index >= static_cast<int>(s.codes.size())) return;
  s.code = s.codes[index];
  PostMessageA(s.box, WM_CLOSE, 0, 0);
}

void FocusButton(int index) {
  BoxState& s = Box();
  for (std::size_t i = 0; i < s.buttons.size(); ++i)
    SendMessageA(s.buttons[i], BM_SETSTYLE,
                 static_cast<int>(i) == index ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  SetFocus(s.buttons[index]);
}

// Keys the box handles itself before any window sees them. True when the message chose a button
// (it is then not dispatched).
bool FilterKey(const MSG& msg) {
  BoxState& s = Box();
  const int n = static_cast<int>(s.buttons.size());
  if (n == 0) return false;
  if (msg.message == WM_SYSCHAR) {
    int idx = MsgAltKeyButton(static_cast<char>(msg.wParam), s.captions);
    if (idx < 0) return false;
    ChooseButton(idx);
    return true;
  }
  if (msg.message != WM_KEYDOWN) return false;
  const int current = ButtonIndex(GetFocus());
  switch (msg.wParam) {
    case VK_LEFT:
    case VK_UP:
      FocusButton(MsgNextFocus(current, -1, n));
      break;
    case VK_TAB:
    case VK_RIGHT:
    case VK_DOWN:
      FocusButton(MsgNextFocus(current, +1, n));
      break;
    case VK_RETURN:
      if (current >= 0) {
        ChooseButton(current);
        return true;
      }
      break;
    default:
      break;
  }
  int idx = MsgLetterKeyButton(static_cast<unsigned>(msg.wParam), s.captions);
  if (idx < 0) return false;
  ChooseButton(idx);
  return true;
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  const int r = client.right, b = client.bottom;
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));

  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW));
  HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ old_pen = SelectObject(dc, dark);
  MoveToEx(dc, 0, b - 37, nullptr);
  LineTo(dc, r, b - 37);
  SelectObject(dc, white);
  MoveToEx(dc, 0, b - 36, nullptr);
  LineTo(dc, r, b - 36);
  SelectObject(dc, old_pen);
  DeleteObject(dark);
  DeleteObject(white);

  RECT bottom{0, b - 35, r, b};
  FillRect(dc, &bottom, GetSysColorBrush(COLOR_BTNFACE));
  RECT band{0, 0, 54, b - 37};
  HBRUSH band_brush = CreateSolidBrush(kBandColour);
  FillRect(dc, &band, band_brush);
  DeleteObject(band_brush);

  if (int icon_id = MsgIconForStyle(Box().style)) {
    HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(icon_id));
    if (icon) DrawIcon(dc, 11, 20, icon);
  }
  EndPaint(window, &ps);
}

LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  BoxState& s = Box();
  const UINT autoplay = AutoPlayQueryMessage();
  if (autoplay != 0 && message == autoplay) return 1;
  switch (message) {
    case WM_CREATE:
      if (s.timeout_ms > 0) SetTimer(window, kTimeoutTimer, s.timeout_ms, nullptr);
      return 0;
    case WM_TIMER:
      if (wparam == kTimeoutTimer) {
        ChooseButton(0);
        return 0;
      }
      break;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_COMMAND: {
      int idx = ButtonIndex(reinterpret_cast<HWND>(lparam));
      if (idx >= 0) ChooseButton(idx);
      return 0;
    }
    case WM_NOTIFY: {
      const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lparam);
      if (hdr && hdr->hwndFrom == s.edit && hdr->code == EN_REQUESTRESIZE) {
        const REQRESIZE* req = reinterpret_cast<const REQRESIZE*>(lparam);
        s.got_request = true;
        s.request_w = req->rc.right - req->rc.left;
        s.request_h = req->rc.bottom - req->rc.top;
      }
      return 0;
    }
    case WM_SYSCOMMAND:
      // The greyed menu item alone does not stop a Close command that arrives as a message
      // (Alt+F4, or another program posting it): refuse it here as well.
      if ((wparam & 0xFFF0) == SC_CLOSE && (s.style & kMsgStyleNoClose)) return 0;
      break;
    case WM_CLOSE:
      KillTimer(window, kTimeoutTimer);
      if (s.previous_active) {
        EnableWindow(s.previous_active, TRUE);
        SetActiveWindow(s.previous_active);
        SetFocus(s.previous_active);
      }
      DestroyWindow(window);
      return 0;
    case WM_NCDESTROY:
      // Children are gone by now, so nothing draws with the font any more.
      if (s.font) DeleteObject(s.font);
      s.font = nullptr;
      s.done = true;
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND CreateTextControl(HWND box, UINT style) {
  BoxState& s = Box();
  const DWORD ex = (style & kMsgStyleRtlReading) ? WS_EX_RTLREADING : 0;
  const DWORD align = (style & kMsgStyleRight) ? ES_RIGHT : ES_LEFT;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND edit = CreateWindowExA(ex, Settings().edit_class, "",
                              WS_CHILD | WS_VISIBLE | ES_READONLY | ES_MULTILINE | ES_WANTRETURN | align,
                              0, 0, 10, 10, box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                              inst, nullptr);
  s.rich = edit != nullptr;
  if (!edit) {
    // Without the rich-edit control the message still has to reach the user: a plain multi-line
    // static text, same font and alignment, without the bold runs.
    edit = CreateWindowExA(ex, "STATIC", "",
                           WS_CHILD | WS_VISIBLE | SS_NOPREFIX |
                               ((style & kMsgStyleRight) ? SS_RIGHT : SS_LEFT),
                           0, 0, 10, 10, box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                           inst, nullptr);
  }
  if (!edit) return nullptr;
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
  if (s.rich) {
    SendMessageA(edit, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
    SendMessageA(edit, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
  }
  return edit;
}

void SetMessageText(const MsgMarkup& markup) {
  BoxState& s = Box();
  SetWindowTextA(s.edit, markup.plain.c_str());
  if (!s.rich) return;
  for (const BoldSpan& span : markup.spans) {
    SendMessageA(s.edit, EM_SETSEL, span.start, span.end);
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    cf.dwEffects = CFE_BOLD;
    SendMessageA(s.edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  }
  SendMessageA(s.edit, EM_SETSEL, 0, 0);
}

struct Measured {
  MsgTextSize size;
  int line_height = 0;
};

Measured MeasureText(const std::string& plain) {
  BoxState& s = Box();
  HDC dc = GetDC(s.edit);
  HGDIOBJ old_font = SelectObject(dc, s.font);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  int line_height = tm.tmHeight + tm.tmExternalLeading;
  if (IsMsPGothic(Settings().face)) ++line_height;
  MsgTextSize size = MeasureMsgText(plain, line_height, [dc](std::string_view line) {
    SIZE ext{};
    GetTextExtentPoint32A(dc, line.data(), static_cast<int>(line.size()), &ext);
    return static_cast<int>(ext.cx);
  });
  SelectObject(dc, old_font);
  ReleaseDC(s.edit, dc);
  return {size, line_height};
}

void ResizeControl(HWND control, int width, int height) {
  SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Bold text runs wider than the measured normal weight: widen the control in 10-pixel steps until
// the control says the text fits in the measured height.
void WidenForBold(const std::string& plain, const Measured& m) {
  BoxState& s = Box();
  const MsgTextSize& measured = m.size;
  const int fit_height = MsgBoldFitHeight(plain, measured.height, m.line_height);
  int largest = measured.width;
  for (int i = 0; i <= 20; ++i) {
    const int width = measured.width + 10 * i;
    ResizeControl(s.edit, width, measured.height);
    // Before the control's first paint, resizing sends no request of its own: ask for it.
    s.got_request = false;
    SendMessageA(s.edit, EM_REQUESTRESIZE, 0, 0);
    if (!s.got_request || s.request_h <= fit_height) return;
    // The control's reply is its text width on some systems and its own width on others; the
    // width it was given at this step is what it asked for in the latter, so keep the larger.
    largest = std::max({largest, width, s.request_w});
  }
  ResizeControl(s.edit, largest + 10, measured.height);
}

void CreateButtons(const std::string& list, int client_w, int client_h) {
  BoxState& s = Box();
  const std::vector<MsgButtonSpec> specs = MsgButtonsForStyle(s.style);
  const int n = static_cast<int>(specs.size());
  HINSTANCE inst = GetModuleHandleA(nullptr);
  for (int i = 0; i < n; ++i) {
    std::string caption = MsgButtonCaption(list, specs[i].caption_item);
    MsgRect r = MsgButtonPlacement(client_w, client_h, i, n);
    HWND button = CreateWindowExA(
        0, "BUTTON", caption.c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), r.left,
        r.top, r.width, r.height, s.box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(specs[i].code)),
        inst, nullptr);
    if (!button) continue;
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
    s.buttons.push_back(button);
    s.captions.push_back(caption);
    s.codes.push_back(specs[i].code);
  }
}

int ShowBox(const std::string& text, const std::string& caption, DWORD timeout_ms, UINT style,
            const std::string& buttons, HWND owner, bool* quit, WPARAM* quit_code) {
  BoxState& s = Box();
  s = BoxState{};
  s.style = style;
  s.timeout_ms = timeout_ms;
  s.previous_active = owner;
  if (owner) EnableWindow(owner, FALSE);

  const BoxSettings& settings = Settings();
  s.font = CreateFontA(-PointsToPixels(settings.size), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       static_cast<DWORD>(settings.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, settings.face.c_str());

  PinRichEditLibrary();
  LibraryRef rich_edit(kRichEditLibrary);
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = BoxProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kBoxClass;
  RegisterClassA(&wc);

  s.box = CreateWindowExA(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, kBoxClass, caption.c_str(),
                          WS_POPUP | WS_CAPTION | WS_SYSMENU, -100, -100, 10, 10, owner, nullptr,
                          inst, nullptr);
  if (!s.box) {
    if (s.font) DeleteObject(s.font);
    s.font = nullptr;
    if (owner) EnableWindow(owner, TRUE);
    UnregisterClassA(kBoxClass, inst);
    return kMsgCodeNone;
  }
  if (style & kMsgStyleNoClose)
    EnableMenuItem(GetSystemMenu(s.box, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);

  s.edit = CreateTextControl(s.box, style);
  if (s.edit) {
    const MsgMarkup markup = ConvertMsgMarkup(text);
    SetMessageText(markup);
    const Measured measured = MeasureText(markup.plain);
    ResizeControl(s.edit, measured.size.width + 10, measured.size.height);
    if (s.rich && !markup.spans.empty()) WidenForBold(markup.plain, measured);
  }

  RECT er{0, 0, 0, 0};
  if (s.edit) GetWindowRect(s.edit, &er);
  const int w = er.right - er.left, h = er.bottom - er.top;
  const MsgMetrics metrics{GetSystemMetrics(SM_CXSIZEFRAME), GetSystemMetrics(SM_CYSIZEFRAME),
                           GetSystemMetrics(SM_CYCAPTION)};
  const MsgTextSize outer = MsgBoxOuterSize(w, h, metrics);
  const CenteredPos pos = CenterInWorkArea(outer.width, outer.height);
  MoveWindow(s.box, pos.left, pos.top, outer.width, outer.height, FALSE);

  RECT client;
  GetClientRect(s.box, &client);
  if (s.edit) {
    const MsgRect place = MsgEditPlacement(client.right, client.bottom, w, h);
    MoveWindow(s.edit, place.left, place.top, place.width, place.height, FALSE);
  }
  CreateButtons(buttons, client.right, client.bottom);
  ShowWindow(s.box, SW_SHOW);
  UpdateWindow(s.box);
  if (!s.buttons.empty()) SetFocus(s.buttons[0]);

  MSG msg;
  while (!s.done) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // Someone ended the thread's loop while the box was up: close the box as if by its Close
      // command and hand the quit on to the loop that was running before.
      *quit = true;
      *quit_code = msg.wParam;
      s.code = kMsgCodeNone;
      SendMessageA(s.box, WM_CLOSE, 0, 0);
      break;
    }
    if (FilterKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (IsWindow(s.box)) DestroyWindow(s.box);
  UnregisterClassA(kBoxClass, inst);
  const int code = s.code;
  s = BoxState{};
  return code;
}

}  // namespace

int MsgBoxShow(int mode, const std::string& text, const std::string& caption, DWORD timeout_ms,
               UINT style, int charset, const std::string& buttons) {
  style = MsgStyleForCharset(style, charset);
  const std::string shown = mode == 0 ? MsgHeadingText(caption, text) : text;
  if (mode == 2) style |= kMsgStyleNoClose;
  HWND owner = GetActiveWindow();
  bool quit = false;
  WPARAM quit_code = 0;
  const int code = ShowBox(shown, caption, timeout_ms, style, buttons, owner, &quit, &quit_code);
  // Let the windows behind repaint and settle before the caller carries on.
  WaitPumping(100, 10);
  if (quit) PostQuitMessage(static_cast<int>(quit_code));
  return code;
}

void ErrorBox(int mode, const std::string& text, const std::string& caption, int charset,
              const std::string& buttons) {
  MsgBoxShow(mode, text, MsgCaptionOrDefault(caption, 0), 0, MB_OK | MB_ICONHAND, charset,
             MsgButtonsOrDefault(buttons));
}

void AttentionBox(int mode, const std::string& text, const std::string& caption, DWORD timeout_ms,
                  int charset, const std::string& buttons) {
  MsgBoxShow(mode, text, MsgCaptionOrDefault(caption, 1), timeout_ms, MB_OK | MB_ICONEXCLAMATION,
             charset, MsgButtonsOrDefault(buttons));
}

bool ConfirmBox(int mode, const std::string& text, const std::string& caption, DWORD timeout_ms,
                int charset, const std::string& buttons) {
  return MsgBoxShow(mode, text, MsgCaptionOrDefault(caption, 2), timeout_ms,
                    MB_YESNO | MB_ICONQUESTION, charset, MsgButtonsOrDefault(buttons)) == kMsgCodeYes;
}

bool OkCancelBox(int mode, const std::string& text, const std::string& caption, int charset,
                 const std::string& buttons) {
  return MsgBoxShow(mode, text, MsgCaptionOrDefault(caption, 2), 0, MB_OKCANCEL | MB_ICONQUESTION,
                    charset, MsgButtonsOrDefault(buttons)) == kMsgCodeOk;
}

void SetMsgBoxFont(const std::string& face, int size, int charset) {
  BoxSettings& s = Settings();
  s.face = face;
  s.charset = charset;
  if (size != 0) s.size = size;
}

bool PreloadUiLibraries() {
  const UINT old_mode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  bool rich = false;
  for (const char* name : {"shell32.dll", "USP10.dll", "MSLS31.dll", kRichEditLibrary}) {
    HMODULE module = LoadLibraryA(name);
    // Kept loaded on purpose for the life of the process.
    if (name == kRichEditLibrary) rich = module != nullptr;
  }
  SetErrorMode(old_mode);
  return rich;
}

void SetMsgBoxEditClassForTesting(const char* class_name) {
  Settings().edit_class = class_name ? class_name : kRichEditClass;
}

}  // namespace velkor
