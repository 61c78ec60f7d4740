// msgbox_show: shows one message box through the stub's own code and writes what the call
// returned, so tests can drive the box from outside with dialog_driver.
//
// Command line:
//   --out=FILE          result file, "key=value" lines (written when the box is gone):
//                         code=N            (kind "show": the button code)
//                         result=0|1        (kinds "confirm" and "okcancel")
//                         done=1            (always, last)
//                         owner_enabled=0|1 (with --owner: the owner window after the box)
//   --kind=K            error | attention | confirm | okcancel | show (MsgBoxShow itself)
//   --mode=N            0, 1 or 2 (default 1)
//   --text=T | --text-file=PATH   the markup text (the file is read as bytes)
//   --caption=C  --timeout=MS  --charset=N  --buttons=LIST  --style=N (kind "show")
//   --font=FACE  --size=N  --font-charset=N   SetMsgBoxFont before the box
//   --owner             create and activate a visible window first, so the box has an owner
//   --no-richedit       make the rich-edit control unavailable (the fallback text is shown)
//   --autoplay          register the AutoPlay-cancel message first
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/test_env_win.h"
#include "support/pump_win.h"
#include "ui/msg_box_win.h"

namespace {

std::string Arg(int argc, char** argv, const std::string& name, const std::string& fallback = "") {
  const std::string prefix = "--" + name + "=";
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).rfind(prefix, 0) == 0) return std::string(argv[i]).substr(prefix.size());
  return fallback;
}

bool Flag(int argc, char** argv, const std::string& name) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--" + name) return true;
  return false;
}

int Int(int argc, char** argv, const std::string& name, int fallback) {
  std::string v = Arg(argc, argv, name);
  return v.empty() ? fallback : std::atoi(v.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velkor;
  const std::string out = Arg(argc, argv, "out");
  const std::string kind = Arg(argc, argv, "kind", "show");
  const int mode = Int(argc, argv, "mode", 1);
  std::string text = Arg(argc, argv, "text");
  const std::string text_file = Arg(argc, argv, "text-file");
  if (!text_file.empty()) text = test::ReadWholeFile(text_file);
  const std::string caption = Arg(argc, argv, "caption");
  const DWORD timeout = static_cast<DWORD>(Int(argc, argv, "timeout", 0));
  const int charset = Int(argc, argv, "charset", 1);
  const std::string buttons = Arg(argc, argv, "buttons");

  if (!Arg(argc, argv, "font").empty() || !Arg(argc, argv, "size").empty())
    SetMsgBoxFont(Arg(argc, argv, "font", "Tahoma"), Int(argc, argv, "size", 0),
                  Int(argc, argv, "font-charset", 1));
  if (Flag(argc, argv, "no-richedit")) SetMsgBoxEditClassForTesting("NoSuchEditClass");
  if (Flag(argc, argv, "autoplay")) RegisterAutoPlayQuery();

  HWND owner = nullptr;
  if (Flag(argc, argv, "owner")) {
    owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetActiveWindow(owner);
  }

  std::string result;
  if (kind == "error") {
    ErrorBox(mode, text, caption, charset, buttons);
  } else if (kind == "attention") {
    AttentionBox(mode, text, caption, timeout, charset, buttons);
  } else if (kind == "confirm") {
    result = "result=" + std::string(ConfirmBox(mode, text, caption, timeout, charset, buttons) ? "1" : "0") + "\n";
  } else if (kind == "okcancel") {
    result = "result=" + std::string(OkCancelBox(mode, text, caption, charset, buttons) ? "1" : "0") + "\n";
  } else {
    const UINT style = static_cast<UINT>(Int(argc, argv, "style", 0));
    result = "code=" + std::to_string(MsgBoxShow(mode, text, caption, timeout, style, charset,
                                                 buttons.empty() ? "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|" : buttons)) + "\n";
  }
  if (owner) result += std::string("owner_enabled=") + (IsWindowEnabled(owner) ? "1" : "0") + "\n";
  result += "done=1\n";
  if (!out.empty()) test::WriteWholeFile(out, result);
  return 0;
}
