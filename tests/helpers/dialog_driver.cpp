// dialog_driver: answers the stub's message boxes (window class "VMsgBox") in tests and records
// what each box showed.
//
// Command line (every argument optional except --out):
//   --out=FILE      where the records go (created anew; one record is appended per box as soon
//                   as the box has been answered, so a later time-out keeps what came before)
//   --timeout=MS    how long to wait for each box to appear, and for it to close after the last
//                   action (default 15000)
//   --pid=N         only boxes of this process (Windows process id)
//   --count=N       number of boxes to answer (default: the number of --box arguments, at least
//                   1); boxes beyond the last --box are answered with the last --box's actions
//   --box=ACTIONS   actions for the next box, comma-separated, done in order:
//       index:N         click button N (0 = leftmost)
//       click:CAPTION   click the button with this caption ("&" may be left out)
//       key:return      key press sent to the focused control; also key:tab, key:left,
//                       key:right, key:up, key:down, key:space, key:escape, key:X for a
//                       letter or digit X, key:alt+X (Alt + X, X sent as given), key:alt+f4
//       close           the Close command of the system menu (what the caption bar's X sends)
//       send:NAME       sends the registered window message NAME to the box, records the reply
//       wait:MS         pause
//       none            record only, leave the box alone
//     Without --box the driver clicks the leftmost button.
//
// Output: plain text, one "key=value" per line, LF endings. Values escape backslash, CR, LF and
// tab as \\ \r \n \t and other control bytes as \xHH. Each box gives:
//   box=N                 1-based number, starts the record
//   pid=N                 process owning the box
//   title=TEXT            window title
//   text_class=NAME       class of the message control ("RICHEDIT", or "Static" as fallback)
//   text=TEXT             the message as the control holds it
//   bold=S-E,S-E          bold runs as character offsets [S, E) into text; empty for none.
//                         CR and LF never count as bold (the control reports a line break's
//                         format inconsistently), so a run across a line break shows as two
//   button_count=N
//   button.I=CAPTION      captions left to right (I from 0)
//   button_code.I=N       the code stored with each button (its control id)
//   button_rect.I=X,Y,W,H in client coordinates
//   default_button=I      the button with the default-button look (-1 for none)
//   focus=I               the button with the keyboard focus (-1 for none)
//   window=X,Y,W,H        window rectangle on the screen
//   client=W,H            client area size
//   text_rect=X,Y,W,H     message control in client coordinates
//   text_align=left|right
//   text_rtl=0|1          right-to-left reading order
//   topmost=0|1
//   close_greyed=0|1|?    state of the system menu's Close item (? when it cannot be read)
//   owner=0|1             the box has an owner window
//   owner_enabled=0|1     whether that owner accepted input while the box was up
//   action=SPEC RESULT    one per action; RESULT is "open" or "closed" (seen after the action:
//                         the last action waits up to the time-out for the box to close, others
//                         500 ms), for send: the reply first ("send:X 1 open")
//   end=1                 the record is complete
// Exit code: 0 all boxes answered and closed, 1 a box did not appear, 2 bad arguments, 3 a box
// did not close after its last action.
#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/dialog_record.h"

namespace {

using velkor::test::EscapeRecordValue;

struct Options {
  std::string out;
  DWORD timeout_ms = 15000;
  DWORD pid = 0;
  int count = 0;
  std::vector<std::vector<std::string>> boxes;
};

std::vector<std::string> SplitActions(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    if (comma > start) out.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return out;
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char* prefix) { return a.substr(std::string(prefix).size()); };
    if (a.rfind("--out=", 0) == 0) o->out = value("--out=");
    else if (a.rfind("--timeout=", 0) == 0) o->timeout_ms = std::strtoul(value("--timeout=").c_str(), nullptr, 10);
    else if (a.rfind("--pid=", 0) == 0) o->pid = std::strtoul(value("--pid=").c_str(), nullptr, 10);
    else if (a.rfind("--count=", 0) == 0) o->count = std::atoi(value("--count=").c_str());
    else if (a.rfind("--box=", 0) == 0) o->boxes.push_back(SplitActions(value("--box=")));
    else return false;
  }
  if (o->out.empty()) return false;
  if (o->boxes.empty()) o->boxes.push_back({"index:0"});
  if (o->count <= 0) o->count = static_cast<int>(o->boxes.size());
  return true;
}

struct FindBox {
  DWORD pid;
  HWND found = nullptr;
};

BOOL CALLBACK FindBoxProc(HWND window, LPARAM lparam) {
  FindBox* f = reinterpret_cast<FindBox*>(lparam);
  char cls[64];
  if (!GetClassNameA(window, cls, sizeof cls) || std::string(cls) != "VMsgBox") return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (f->pid && pid != f->pid) return TRUE;
  f->found = window;
  return FALSE;
}

HWND WaitForBox(const Options& o) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < o.timeout_ms) {
    FindBox f{o.pid};
    EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&f));
    if (f.found) {
      // The box sets its focus just after it becomes visible.
      Sleep(150);
      return f.found;
    }
    Sleep(20);
  }
  return nullptr;
}

bool WaitClosed(HWND box, DWORD ms) {
  const DWORD start = GetTickCount();
  while (IsWindow(box)) {
    if (GetTickCount() - start >= ms) return false;
    Sleep(10);
  }
  return true;
}

std::string Text(HWND window) {
  LRESULT n = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  if (n <= 0) return "";
  std::string buf(static_cast<std::size_t>(n) + 1, '\0');
  LRESULT got = SendMessageA(window, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return buf;
}

std::string ClassOf(HWND window) {
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  return cls;
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top);
}

RECT RectInClient(HWND parent, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Bold runs of a rich-edit control in another process: the character format has to be read
// through memory of that process.
std::string BoldRuns(HWND edit, DWORD pid, const std::string& text) {
  const int length = static_cast<int>(text.size());
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return "?";
  void* remote = VirtualAllocEx(process, nullptr, sizeof(CHARFORMATA), MEM_COMMIT, PAGE_READWRITE);
  std::string runs;
  if (remote) {
    int run_start = -1;
    for (int i = 0; i <= length; ++i) {
      bool bold = false;
      if (i < length) {
        CHARFORMATA cf{};
        cf.cbSize = sizeof cf;
        SIZE_T moved = 0;
        WriteProcessMemory(process, remote, &cf, sizeof cf, &moved);
        SendMessageA(edit, EM_SETSEL, i, i + 1);
        SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote, &cf, sizeof cf, &moved);
        bold = (cf.dwMask & CFM_BOLD) && (cf.dwEffects & CFE_BOLD) && text[i] != '\r' &&
               text[i] != '\n';
      }
      if (bold && run_start < 0) run_start = i;
      if (!bold && run_start >= 0) {
        if (!runs.empty()) runs += ",";
        runs += std::to_string(run_start) + "-" + std::to_string(i);
        run_start = -1;
      }
    }
    SendMessageA(edit, EM_SETSEL, 0, 0);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  } else {
    runs = "?";
  }
  CloseHandle(process);
  return runs;
}

struct BoxView {
  HWND text = nullptr;
  std::vector<HWND> buttons;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM lparam) {
  BoxView* v = reinterpret_cast<BoxView*>(lparam);
  std::string cls = ClassOf(child);
  if (lstrcmpiA(cls.c_str(), "Button") == 0) v->buttons.push_back(child);
  else if (!v->text) v->text = child;
  return TRUE;
}

BoxView Collect(HWND box, bool rtl_parent) {
  BoxView v;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&v));
  // Left to right on the screen, whatever order the children were created in.
  for (std::size_t i = 1; i < v.buttons.size(); ++i)
    for (std::size_t j = i; j > 0; --j) {
      RECT a, b;
      GetWindowRect(v.buttons[j - 1], &a);
      GetWindowRect(v.buttons[j], &b);
      if ((b.left < a.left) != rtl_parent) std::swap(v.buttons[j - 1], v.buttons[j]);
    }
  return v;
}

std::string CloseItemState(HWND box) {
  HMENU menu = GetSystemMenu(box, FALSE);
  if (!menu) return "?";
  UINT state = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
  if (state == static_cast<UINT>(-1)) return "?";
  return (state & (MF_GRAYED | MF_DISABLED)) ? "1" : "0";
}

HWND FocusOf(HWND box) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD thread = GetWindowThreadProcessId(box, nullptr);
  if (GetGUIThreadInfo(thread, &info) && info.hwndFocus) return info.hwndFocus;
  return nullptr;
}

void PostKey(HWND target, UINT down, UINT up, WPARAM vk, LPARAM flags) {
  UINT scan = MapVirtualKeyA(static_cast<UINT>(vk), 0);
  LPARAM l = 1 | (static_cast<LPARAM>(scan) << 16) | flags;
  PostMessageA(target, down, vk, l);
  PostMessageA(target, up, vk, l | (static_cast<LPARAM>(3) << 30));
}

struct Key {
  const char* name;
  WPARAM vk;
};
constexpr Key kNamedKeys[] = {{"return", VK_RETURN}, {"enter", VK_RETURN}, {"tab", VK_TAB},
                              {"left", VK_LEFT},     {"right", VK_RIGHT},  {"up", VK_UP},
                              {"down", VK_DOWN},     {"space", VK_SPACE},  {"escape", VK_ESCAPE}};

// Performs one action; false for an action the driver does not know.
bool Act(HWND box, const BoxView& view, const std::string& action, std::string* reply) {
  HWND focus = FocusOf(box);
  HWND key_target = focus ? focus : box;
  if (action.rfind("index:", 0) == 0) {
    std::size_t i = std::strtoul(action.c_str() + 6, nullptr, 10);
    if (i >= view.buttons.size()) return false;
    PostMessageA(view.buttons[i], BM_CLICK, 0, 0);
    return true;
  }
  if (action.rfind("click:", 0) == 0) {
    std::string want = action.substr(6);
    for (HWND b : view.buttons) {
      std::string caption = Text(b), bare;
      for (char c : caption)
        if (c != '&') bare += c;
      if (caption == want || bare == want) {
        PostMessageA(b, BM_CLICK, 0, 0);
        return true;
      }
    }
    return false;
  }
  if (action == "close") {
    PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  }
  if (action.rfind("send:", 0) == 0) {
    UINT msg = RegisterWindowMessageA(action.substr(5).c_str());
    DWORD_PTR result = 0;
    SendMessageTimeoutA(box, msg, 0, 0, SMTO_NORMAL, 5000, &result);
    *reply = std::to_string(result);
    return true;
  }
  if (action.rfind("wait:", 0) == 0) {
    Sleep(std::strtoul(action.c_str() + 5, nullptr, 10));
    return true;
  }
  if (action == "none") return true;
  if (action.rfind("key:", 0) != 0) return false;
  std::string key = action.substr(4);
  for (const Key& k : kNamedKeys)
    if (lstrcmpiA(key.c_str(), k.name) == 0) {
      PostKey(key_target, WM_KEYDOWN, WM_KEYUP, k.vk, 0);
      return true;
    }
  if (lstrcmpiA(key.c_str(), "alt+f4") == 0) {
    PostKey(key_target, WM_SYSKEYDOWN, WM_SYSKEYUP, VK_F4, static_cast<LPARAM>(1) << 29);
    return true;
  }
  if (key.size() == 5 && key.compare(0, 4, "alt+") == 0) {
    // What the keyboard gives for Alt + a key once translated: a system character message.
    UINT scan = MapVirtualKeyA(VkKeyScanA(key[4]) & 0xFF, 0);
    PostMessageA(key_target, WM_SYSCHAR, static_cast<unsigned char>(key[4]),
                 1 | (static_cast<LPARAM>(scan) << 16) | (static_cast<LPARAM>(1) << 29));
    return true;
  }
  if (key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0]))) {
    char c = key[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    PostKey(key_target, WM_KEYDOWN, WM_KEYUP, static_cast<WPARAM>(c), 0);
    return true;
  }
  return false;
}

bool AppendFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) return false;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, &o)) return 2;
  if (FILE* f = std::fopen(o.out.c_str(), "wb")) std::fclose(f);

  for (int n = 0; n < o.count; ++n) {
    HWND box = WaitForBox(o);
    if (!box) return 1;
    std::string rec;
    auto put = [&rec](const std::string& key, const std::string& value) {
      rec += key + "=" + EscapeRecordValue(value) + "\n";
    };
    DWORD pid = 0;
    GetWindowThreadProcessId(box, &pid);
    const LONG_PTR ex_style = GetWindowLongPtrA(box, GWL_EXSTYLE);
    BoxView view = Collect(box, false);

    put("box", std::to_string(n + 1));
    put("pid", std::to_string(pid));
    put("title", Text(box));
    if (view.text) {
      const std::string cls = ClassOf(view.text);
      const std::string text = Text(view.text);
      const LONG_PTR style = GetWindowLongPtrA(view.text, GWL_STYLE);
      const LONG_PTR text_ex = GetWindowLongPtrA(view.text, GWL_EXSTYLE);
      put("text_class", cls);
      put("text", text);
      put("bold", lstrcmpiA(cls.c_str(), "RICHEDIT") == 0
                      ? BoldRuns(view.text, pid, text)
                      : "");
      put("text_rect", RectText(RectInClient(box, view.text)));
      put("text_align", (style & ES_RIGHT) ? "right" : "left");
      put("text_rtl", (text_ex & WS_EX_RTLREADING) ? "1" : "0");
    }
    put("button_count", std::to_string(view.buttons.size()));
    int default_button = -1, focus = -1;
    HWND focused = FocusOf(box);
    for (std::size_t i = 0; i < view.buttons.size(); ++i) {
      HWND b = view.buttons[i];
      put("button." + std::to_string(i), Text(b));
      put("button_code." + std::to_string(i), std::to_string(GetDlgCtrlID(b)));
      put("button_rect." + std::to_string(i), RectText(RectInClient(box, b)));
      if ((GetWindowLongPtrA(b, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON && default_button < 0)
        default_button = static_cast<int>(i);
      if (b == focused) focus = static_cast<int>(i);
    }
    put("default_button", std::to_string(default_button));
    put("focus", std::to_string(focus));
    RECT wr, cr;
    GetWindowRect(box, &wr);
    GetClientRect(box, &cr);
    put("window", RectText(wr));
    put("client", std::to_string(cr.right) + "," + std::to_string(cr.bottom));
    put("topmost", (ex_style & WS_EX_TOPMOST) ? "1" : "0");
    put("close_greyed", CloseItemState(box));
    HWND owner = GetWindow(box, GW_OWNER);
    put("owner", owner ? "1" : "0");
    if (owner) put("owner_enabled", IsWindowEnabled(owner) ? "1" : "0");

    const std::vector<std::string>& actions =
        o.boxes[std::min<std::size_t>(static_cast<std::size_t>(n), o.boxes.size() - 1)];
    bool closed = false;
    for (std::size_t i = 0; i < actions.size(); ++i) {
      std::string reply;
      if (!Act(box, view, actions[i], &reply)) {
        AppendFile(o.out, rec);
        return 2;
      }
      const bool last = i + 1 == actions.size();
      if (actions[i] == "none" && last) {
        closed = !IsWindow(box);
      } else {
        closed = WaitClosed(box, last ? o.timeout_ms : 500);
      }
      put("action", actions[i] + (reply.empty() ? "" : " " + reply) + (closed ? " closed" : " open"));
    }
    put("end", "1");
    AppendFile(o.out, rec);
    const bool left_open_on_purpose = !actions.empty() && actions.back() == "none";
    if (!closed && !left_open_on_purpose) return 3;
  }
  return 0;
}
