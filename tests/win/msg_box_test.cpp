// The message box on screen, driven from outside by dialog_driver (as a user or a later test
// would) and, for what only the owning process can see, from a timer inside the box's own loop.
#include "ui/msg_box_win.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/dialog_record.h"
#include "common/test_env_win.h"

namespace velkor::test {
namespace {

struct BoxRun {
  std::map<std::string, std::string> result;  // what msgbox_show wrote
  std::vector<DialogRecord> boxes;            // what the driver saw
  long driver_exit = -1;
};

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// Shows one box with msgbox_show (`show_args` plus the text) and answers it with dialog_driver
// (`box_actions`, or no driver at all when empty).
BoxRun ShowAndDrive(std::vector<std::string> show_args, const std::string& text,
                    const std::string& box_actions) {
  ScratchDir dir("msgbox");
  BoxRun run;
  EXPECT_TRUE(WriteWholeFile(dir.File("text.txt"), text));
  std::string cmd = Quote(BinPath("msgbox_show.exe"));
  show_args.push_back("--text-file=" + dir.File("text.txt"));
  show_args.push_back("--out=" + dir.File("result.txt"));
  for (const std::string& a : show_args) cmd += " " + Quote(a);
  Process show;
  if (!show.Start(cmd)) {
    ADD_FAILURE() << "cannot start " << cmd;
    return run;
  }
  if (!box_actions.empty()) {
    run.driver_exit = RunAndWait(Quote(BinPath("dialog_driver.exe")) + " " +
                                     Quote("--out=" + dir.File("boxes.txt")) + " --pid=" +
                                     std::to_string(show.id()) + " --timeout=10000 " +
                                     Quote("--box=" + box_actions),
                                 30000);
    run.boxes = ReadDialogRecords(dir.File("boxes.txt"));
  }
  if (!show.Wait(15000)) {
    show.Kill();
    ADD_FAILURE() << "the box did not end: " << cmd;
  }
  run.result = ReadKeyValueFile(dir.File("result.txt"));
  return run;
}

TEST(MsgBox, ErrorBoxWithHeadingAndDefaults) {
  BoxRun run = ShowAndDrive({"--kind=error", "--mode=0"}, "Disk <b>C:</b> full<p>Try again.",
                            "key:return");
  ASSERT_EQ(run.driver_exit, 0);
  ASSERT_EQ(run.boxes.size(), 1u);
  const DialogRecord& b = run.boxes[0];
  EXPECT_EQ(run.result["done"], "1");
  EXPECT_EQ(b.Get("title"), "Error");
  EXPECT_EQ(b.Get("text_class"), "RICHEDIT");
  EXPECT_EQ(b.Get("text"), "ERROR\r\n\r\nDisk C: full\r\nTry again.\r\n");
  EXPECT_EQ(b.Get("bold"), "0-5,14-16");
  EXPECT_EQ(b.GetInt("button_count"), 1);
  EXPECT_EQ(b.Get("button.0"), "&OK");
  EXPECT_EQ(b.GetInt("button_code.0"), 1);
  EXPECT_EQ(b.GetInt("default_button"), 0);
  EXPECT_EQ(b.GetInt("focus"), 0);
  EXPECT_EQ(b.Get("topmost"), "1");
  EXPECT_EQ(b.Get("text_align"), "left");
  EXPECT_EQ(b.Get("text_rtl"), "0");
  EXPECT_EQ(b.actions, (std::vector<std::string>{"key:return closed"}));
}

TEST(MsgBox, LayoutFollowsTheClientArea) {
  BoxRun run = ShowAndDrive({"--kind=okcancel", "--mode=1"}, "Insert disk 2.", "index:0");
  ASSERT_EQ(run.boxes.size(), 1u);
  const DialogRecord& b = run.boxes[0];
  int cw = 0, ch = 0, x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(sscanf(b.Get("client").c_str(), "%d,%d", &cw, &ch), 2);
  ASSERT_EQ(sscanf(b.Get("window").c_str(), "%d,%d,%d,%d", &x, &y, &w, &h), 4);
  EXPECT_EQ(w, 360);  // a short text gives the minimum width
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(x, work.left + (work.right - work.left - w) / 2);
  EXPECT_EQ(y, work.top + (work.bottom - work.top - h) / 2);
  // Buttons 70 x 23, 29 above the bottom, the rightmost at R - 80, no gap.
  EXPECT_EQ(b.Get("button_rect.0"), std::to_string(cw - 150) + "," + std::to_string(ch - 29) + ",70,23");
  EXPECT_EQ(b.Get("button_rect.1"), std::to_string(cw - 80) + "," + std::to_string(ch - 29) + ",70,23");
  int tx = 0, ty = 0, tw = 0, th = 0;
  ASSERT_EQ(sscanf(b.Get("text_rect").c_str(), "%d,%d,%d,%d", &tx, &ty, &tw, &th), 4);
  EXPECT_EQ(th, ch - ty - 39);
  EXPECT_EQ(tx, (cw - 54 - tw) / 2 + 54);
}

struct ShortcutCase {
  const char* name;
  std::vector<std::string> args;
  const char* actions;
  const char* title;
  std::vector<std::string> buttons;
  const char* key;  // result key written by msgbox_show
  const char* value;
};

TEST(MsgBox, ShortcutsButtonsAndKeys) {
  const std::vector<std::string> yes_no{"&Yes", "&No"};
  const std::vector<std::string> ok_cancel{"&OK", "&Cancel"};
  const ShortcutCase cases[] = {
      {"Y chooses Yes", {"--kind=confirm"}, "key:y", "Confirm", yes_no, "result", "1"},
      {"Alt+Y chooses Yes", {"--kind=confirm"}, "key:alt+y", "Confirm", yes_no, "result", "1"},
      {"N chooses No", {"--kind=confirm"}, "key:n", "Confirm", yes_no, "result", "0"},
      {"click No", {"--kind=confirm"}, "click:No", "Confirm", yes_no, "result", "0"},
      {"Close command is a no", {"--kind=confirm"}, "close", "Confirm", yes_no, "result", "0"},
      {"Return on the first button", {"--kind=confirm"}, "key:return", "Confirm", yes_no, "result", "1"},
      {"Tab then Return", {"--kind=confirm"}, "key:tab,key:return", "Confirm", yes_no, "result", "0"},
      {"Left wraps to the last", {"--kind=okcancel"}, "key:left,key:return", "Confirm", ok_cancel, "result", "0"},
      {"Right twice wraps back", {"--kind=okcancel"}, "key:right,key:right,key:return", "Confirm", ok_cancel, "result", "1"},
      {"Alt+O chooses OK", {"--kind=okcancel"}, "key:alt+o", "Confirm", ok_cancel, "result", "1"},
      {"O chooses OK", {"--kind=okcancel"}, "key:o", "Confirm", ok_cancel, "result", "1"},
      {"C chooses Cancel", {"--kind=okcancel"}, "key:c", "Confirm", ok_cancel, "result", "0"},
      {"Space on the focused button", {"--kind=okcancel"}, "key:tab,key:space", "Confirm", ok_cancel, "result", "0"},
      {"attention box", {"--kind=attention", "--caption=Careful"}, "key:alt+o", "Careful", {"&OK"}, "done", "1"},
      {"general call gives the code", {"--kind=show", "--style=36", "--caption=Q"}, "index:1", "Q", yes_no, "code", "7"},
      {"general call closed gives 0", {"--kind=show", "--style=1", "--caption=Q"}, "key:alt+f4", "Q", ok_cancel, "code", "0"},
      {"captions without ampersand: plain letter", {"--kind=confirm", "--buttons=|Okay|Abbrechen|Ja|Nein|"}, "key:j", "Confirm", {"Ja", "Nein"}, "result", "1"},
      {"captions without ampersand: Alt compares the second letter", {"--kind=confirm", "--buttons=|Okay|Abbrechen|Ja|Nein|"}, "key:alt+j,key:alt+e", "Confirm", {"Ja", "Nein"}, "result", "0"},
  };
  for (const ShortcutCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    args.push_back("--mode=1");
    BoxRun run = ShowAndDrive(args, "Continue?", c.actions);
    EXPECT_EQ(run.driver_exit, 0);
    ASSERT_EQ(run.boxes.size(), 1u);
    const DialogRecord& b = run.boxes[0];
    EXPECT_EQ(b.Get("title"), c.title);
    EXPECT_EQ(b.Get("text"), "Continue?");  // mode 1: no heading
    std::vector<std::string> captions;
    for (int i = 0; i < b.GetInt("button_count", 0); ++i) captions.push_back(b.Get("button." + std::to_string(i)));
    EXPECT_EQ(captions, c.buttons);
    EXPECT_EQ(run.result[c.key], c.value);
  }
}

TEST(MsgBox, ModeTwoCannotBeClosedWithoutAButton) {
  BoxRun run = ShowAndDrive({"--kind=confirm", "--mode=2"}, "Abort the setup?",
                            "close,key:alt+f4,key:escape,key:alt+n");
  ASSERT_EQ(run.boxes.size(), 1u);
  const DialogRecord& b = run.boxes[0];
  EXPECT_EQ(b.Get("text"), "Abort the setup?");
  EXPECT_EQ(b.actions, (std::vector<std::string>{"close open", "key:alt+f4 open", "key:escape open",
                                                 "key:alt+n closed"}));
  EXPECT_EQ(run.result["result"], "0");
  // Menus of another process cannot be read everywhere; the in-process test below covers it.
  if (b.Get("close_greyed") != "?") {
    EXPECT_EQ(b.Get("close_greyed"), "1");
  }
}

TEST(MsgBox, HebrewCharsetReadsRightToLeft) {
  BoxRun run = ShowAndDrive({"--kind=confirm", "--mode=1", "--charset=177"}, "\xF9\xEC\xE5\xED", "index:0");
  ASSERT_EQ(run.boxes.size(), 1u);
  const DialogRecord& b = run.boxes[0];
  EXPECT_EQ(b.Get("text_align"), "right");
  EXPECT_EQ(b.Get("text_rtl"), "1");
  EXPECT_EQ(b.Get("button.0"), "&Yes");  // buttons keep their order
  EXPECT_EQ(run.result["result"], "1");

  BoxRun latin = ShowAndDrive({"--kind=confirm", "--mode=1", "--charset=238"}, "x", "index:0");
  ASSERT_EQ(latin.boxes.size(), 1u);
  EXPECT_EQ(latin.boxes[0].Get("text_align"), "left");
}

TEST(MsgBox, SizeFollowsTheText) {
  const std::string wide(300, 'W');
  BoxRun run = ShowAndDrive({"--kind=attention", "--mode=1"}, "short<p>" + wide, "key:return");
  ASSERT_EQ(run.boxes.size(), 1u);
  int tx = 0, ty = 0, tw = 0, th = 0, x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(sscanf(run.boxes[0].Get("text_rect").c_str(), "%d,%d,%d,%d", &tx, &ty, &tw, &th), 4);
  ASSERT_EQ(sscanf(run.boxes[0].Get("window").c_str(), "%d,%d,%d,%d", &x, &y, &w, &h), 4);
  EXPECT_EQ(tw, 610);
  EXPECT_EQ(w, 610 + 54 + 2 * 32 + 2 * GetSystemMetrics(SM_CXSIZEFRAME));

  // The wide line counts as several lines: the box is taller than for a short second line.
  BoxRun narrow = ShowAndDrive({"--kind=attention", "--mode=1"}, "short<p>short", "key:return");
  ASSERT_EQ(narrow.boxes.size(), 1u);
  int nx = 0, ny = 0, nw = 0, nh = 0;
  ASSERT_EQ(sscanf(narrow.boxes[0].Get("window").c_str(), "%d,%d,%d,%d", &nx, &ny, &nw, &nh), 4);
  EXPECT_GT(h, nh);
  EXPECT_EQ(nw, 360);

  // An empty message still gives a box of one line, at the minimum width.
  BoxRun empty = ShowAndDrive({"--kind=attention", "--mode=1"}, "", "key:return");
  ASSERT_EQ(empty.boxes.size(), 1u);
  EXPECT_EQ(empty.boxes[0].Get("text"), "");
  ASSERT_EQ(sscanf(empty.boxes[0].Get("window").c_str(), "%d,%d,%d,%d", &nx, &ny, &nw, &nh), 4);
  EXPECT_EQ(nw, 360);
}

TEST(MsgBox, BoldHeadingDoesNotWidenAFittingBox) {
  // The heading's line break at the end must not send the box to its widest widening step.
  BoxRun heading = ShowAndDrive({"--kind=error", "--mode=0"}, "Disk full.", "key:return");
  BoxRun plain = ShowAndDrive({"--kind=error", "--mode=1"}, "ERROR<p><p>Disk full.<p>", "key:return");
  ASSERT_EQ(heading.boxes.size(), 1u);
  ASSERT_EQ(plain.boxes.size(), 1u);
  int a[4], b[4];
  ASSERT_EQ(sscanf(heading.boxes[0].Get("text_rect").c_str(), "%d,%d,%d,%d", &a[0], &a[1], &a[2], &a[3]), 4);
  ASSERT_EQ(sscanf(plain.boxes[0].Get("text_rect").c_str(), "%d,%d,%d,%d", &b[0], &b[1], &b[2], &b[3]), 4);
  EXPECT_LE(a[2], b[2] + 30);
}

TEST(MsgBox, TimeOutChoosesTheFirstButton) {
  BoxRun confirm = ShowAndDrive({"--kind=confirm", "--mode=1", "--timeout=300"}, "Update now?", "");
  EXPECT_EQ(confirm.result["result"], "1");
  BoxRun attention = ShowAndDrive({"--kind=attention", "--mode=1", "--timeout=200"}, "Done.", "");
  EXPECT_EQ(attention.result["done"], "1");
}

TEST(MsgBox, OwnerIsDisabledWhileTheBoxIsUp) {
  BoxRun run = ShowAndDrive({"--kind=okcancel", "--mode=1", "--owner"}, "Retry?", "index:0");
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].Get("owner"), "1");
  EXPECT_EQ(run.boxes[0].Get("owner_enabled"), "0");
  EXPECT_EQ(run.result["owner_enabled"], "1");
  EXPECT_EQ(run.result["result"], "1");
}

TEST(MsgBox, AnswersTheAutoPlayQueryOnceRegistered) {
  BoxRun registered = ShowAndDrive({"--kind=attention", "--mode=1", "--autoplay"}, "Insert disk 2.",
                                   "send:QueryCancelAutoPlay,index:0");
  ASSERT_EQ(registered.boxes.size(), 1u);
  EXPECT_EQ(registered.boxes[0].actions[0], "send:QueryCancelAutoPlay 1 open");

  BoxRun not_registered = ShowAndDrive({"--kind=attention", "--mode=1"}, "x",
                                       "send:QueryCancelAutoPlay,index:0");
  ASSERT_EQ(not_registered.boxes.size(), 1u);
  EXPECT_EQ(not_registered.boxes[0].actions[0], "send:QueryCancelAutoPlay 0 open");
}

TEST(MsgBox, PlainTextWhenTheRichEditControlIsMissing) {
  BoxRun run = ShowAndDrive({"--kind=error", "--mode=0", "--no-richedit"}, "Disk <b>C:</b> full",
                            "key:o");
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].Get("text_class"), "Static");
  EXPECT_EQ(run.boxes[0].Get("text"), "ERROR\r\n\r\nDisk C: full\r\n");
  EXPECT_EQ(run.result["done"], "1");
}

// Timer procedures run inside the box's own loop, so this process can look at its box.
struct InProcess {
  static inline std::string close_item;
  static inline bool open_after_close = false;
  static inline int ticks = 0;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowA("VMsgBox", nullptr);
    if (!box) return;
    ++ticks;
    if (ticks == 1) {
      UINT state = GetMenuState(GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND);
      close_item = state == static_cast<UINT>(-1) ? "missing" : (state & MF_GRAYED) ? "greyed" : "enabled";
      PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (ticks == 3) {
      open_after_close = IsWindow(box) != FALSE;
      KillTimer(nullptr, id);
      PostMessageA(box, WM_CLOSE, 0, 0);
    }
  }
};

TEST(MsgBox, ModeTwoGreysTheCloseItemAndModeOneDoesNot) {
  for (int mode : {2, 1}) {
    SCOPED_TRACE(mode);
    InProcess::close_item.clear();
    InProcess::open_after_close = false;
    InProcess::ticks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 150, InProcess::Tick);
    const int code = MsgBoxShow(mode, "x", "t", 0, MB_YESNO, 1, "|&OK|&Cancel|&Yes|&No|");
    KillTimer(nullptr, timer);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(InProcess::close_item, mode == 2 ? "greyed" : "enabled");
    EXPECT_EQ(InProcess::open_after_close, mode == 2);
    EXPECT_EQ(FindWindowA("VMsgBox", nullptr), nullptr);
  }
}

}  // namespace
}  // namespace velkor::test
