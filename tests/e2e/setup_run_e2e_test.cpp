// Whole setup runs: real packages written with the package writer, the real stub started as its
// own process, the helper engine recording what it saw.
#include <functional>
#include <string>

#include "setup_e2e_fixture.h"

namespace velkor {
namespace {

using namespace e2e;  // NOLINT: the shared fixtures and helpers of these tests
TEST_F(SetupRunE2E, PlainPackageUnpacksStartsTheEngineAndPassesItsExitCodeOn) {
  const std::string setup = Write(Layout("plain.exe"));
  SetEngineOptions("/exit=7");
  ASSERT_EQ(RunSetupFile(setup, "/lang=x"), 7);

  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  const EngineRecord& r = records[0];
  const std::string folder = SetupFolderFor(setup);
  const std::string token = r.values.at("token");
  ASSERT_FALSE(token.empty());
  EXPECT_EQ(r.values.at("cmdline"), folder + "\\Engine.exe /lang=x /TH_ID=" + token +
                                        " /OriginExe=\"" + setup + "\"");
  EXPECT_EQ(r.values.at("exe"), folder + "\\Engine.exe");
  EXPECT_EQ(r.values.at("atom"), "1");  // the run token's atom exists while the engine runs
  // Unpacked files keep their packed dates.
  bool readme_seen = false;
  for (const std::string& f : r.files)
    if (f.rfind("readme.txt|", 0) == 0) {
      readme_seen = true;
      EXPECT_EQ(f, "readme.txt|9|" + std::to_string(kReadmeDate));
    }
  EXPECT_TRUE(readme_seen);
  EXPECT_FALSE(FolderExists(folder)) << "the setup folder is removed after the run";
}

TEST_F(SetupRunE2E, HiddenRunAsksNothingAndStartsTheEngineHidden) {
  pack::PackageSpec layout = Layout("hidden.exe");
  layout.confirm_temp_drive = true;  // would ask, but "/hide" keeps the run silent
  const std::string setup = Write(layout);
  ASSERT_EQ(RunSetupFile(setup, "/hide"), 0);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  const EngineRecord& r = records[0];
  EXPECT_NE(r.values.at("cmdline").find("\\Engine.exe /hide /TH_ID=_"), std::string::npos)
      << r.values.at("cmdline");
  EXPECT_EQ(r.values.at("show"), "0");
}

TEST_F(SetupRunE2E, EngineCrashExitCodeIsPassedOnAndAtomLeftMeansNotCompleted) {
  const std::string setup = Write(Layout("keep.exe"));
  // 259 is the value the system reports for a process still running: the stub must not take
  // it for "still running" once the engine has ended.
  SetEngineOptions("/keepatom /exit=259");
  ASSERT_EQ(RunSetupFile(setup, "/hide"), 259);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  const std::string atom = "JbeiSwsbnwGwflHrvjcOzTzqvfg" + records[0].values.at("token");
  // The stub deletes a left-over atom itself.
  EXPECT_EQ(GlobalFindAtomA(atom.c_str()), 0);
}

TEST_F(SetupRunE2E, StubWaitsForTheEngineDialogWindow) {
  const std::string setup = Write(Layout("dialog.exe"));
  SetEngineOptions("/dialog=2000");
  const DWORD start = GetTickCount();
  ASSERT_EQ(RunSetupFile(setup, "/hide"), 0);
  EXPECT_GE(GetTickCount() - start, 2000u);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  const std::string cls = ".SDialog_Class_Name." + records[0].values.at("token");
  EXPECT_EQ(FindWindowA(cls.c_str(), nullptr), nullptr);
}

TEST_F(SetupRunE2E, SecondStartOfTheSameSetupFileEndsAtOnce) {
  const std::string setup = Write(Layout("twice.exe"));
  SetEngineOptions("/sleep=4000");
  Process first;
  ASSERT_TRUE(first.Start("\"" + setup + "\" /hide"));
  // Wait until the first run's window exists (its class is the setup file's path).
  for (int i = 0; i < 100 && !FindWindowA(setup.c_str(), nullptr); ++i) Sleep(100);
  ASSERT_NE(FindWindowA(setup.c_str(), nullptr), nullptr);
  const DWORD start = GetTickCount();
  EXPECT_EQ(RunSetupFile(setup, "/hide"), 0);
  EXPECT_LT(GetTickCount() - start, 3000u);
  DWORD code = 1;
  ASSERT_TRUE(first.Wait(kRunTimeoutMs, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Records().size(), 1u);
}

TEST_F(SetupRunE2E, MultiVolumePackageWithAllVolumesPresent) {
  // Incompressible content so that the set needs several volumes.
  const std::string big_src = dir_.File("big.src");
  ASSERT_TRUE(WriteWholeFile(big_src, Noise(300000, 12345)));
  pack::PackageSpec layout = Layout("multi.exe");
  layout.files.push_back({"big.bin", big_src, std::nullopt});
  layout.volume_size = test::ReadWholeFile(BinPath("velkor-stub.exe")).size() + 150000;
  layout.block_size = 50000;
  pack::PackResult result = pack::WritePackage(layout);
  ASSERT_TRUE(result.ok()) << result.error;
  ASSERT_GE(result.written.size(), 2u);
  const std::string setup = layout.output.string();
  // The engine keeps the folder for a moment so its content can be compared.
  SetEngineOptions("/sleep=3000");
  Process run;
  ASSERT_TRUE(run.Start("\"" + setup + "\" /hide"));
  const std::string unpacked = SetupFolderFor(setup) + "\\big.bin";
  ASSERT_TRUE(test::WaitForFile(dir_.File("record.txt"), kRunTimeoutMs) ||
              FileExists(unpacked));
  DWORD code = 1;
  ASSERT_TRUE(run.Wait(kRunTimeoutMs, &code));
  EXPECT_EQ(code, 0u);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  bool seen = false;
  for (const std::string& f : records[0].files)
    if (f.rfind("big.bin|", 0) == 0) {
      seen = true;
      EXPECT_EQ(f.substr(0, f.rfind('|')), "big.bin|300000");
    }
  EXPECT_TRUE(seen);
}

TEST_F(SetupRunE2E, PackageWithAgentWritesTheAgentCopyBesideTheEngine) {
  pack::PackageSpec layout = Layout("withagent.exe");
  layout.has_agent = true;
  layout.agent_exe_name = "agent.exe";
  layout.info_url = "http://127.0.0.1/u";
  layout.info_file_name = "tool.info";
  const std::string setup = Write(layout);
  SetEngineOptions("/sleep=3000");
  Process run;
  ASSERT_TRUE(run.Start("\"" + setup + "\" /hide"));
  const std::string agent = SetupFolderFor(setup) + "\\agent.exe";
  ASSERT_TRUE(test::WaitForFile(agent, kRunTimeoutMs));
  Sleep(500);  // the copy is written in one go; give it time to be closed
  const std::string copy = ReadWholeFile(agent);
  const std::string original = ReadWholeFile(setup);
  DWORD code = 1;
  ASSERT_TRUE(run.Wait(kRunTimeoutMs, &code));
  ASSERT_GT(copy.size(), 512u);
  ASSERT_LT(copy.size(), original.size());
  const pack::TrailerFields own = pack::DecodeTrailer(original.substr(original.size() - 74));
  // Stub image and descriptor strings, then the trailer with the agent flag.
  EXPECT_EQ(pack::GetLE32(copy, pack::kEndOffsetLow), 0u);
  EXPECT_EQ(copy.substr(0, pack::kEndOffsetLow), original.substr(0, pack::kEndOffsetLow));
  EXPECT_EQ(copy.substr(256, 1000), original.substr(256, 1000));
  const std::string trailer = copy.substr(copy.size() - 74);
  EXPECT_EQ(static_cast<unsigned char>(trailer[69]), 1);
  EXPECT_EQ(pack::GetLE32(trailer, 70), 74u);
  EXPECT_EQ(pack::GetLE32(trailer, 12), own.magic);
}

}  // namespace
}  // namespace velkor

namespace velkor {
namespace {

TEST_F(DialogRunE2E, ChecksumFailureShowsTheMessageAndStartsNoEngine) {
  const std::string setup = Write(Layout("badsum.exe"));
  Damage(setup, PayloadMiddle(setup), "XXXX", false);
  EXPECT_EQ(RunWithDriver(setup, "--count=1"), 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].at("text").find("Bad CRC!"), std::string::npos) << boxes[0].at("text");
  EXPECT_NE((boxes[0].at("title") + boxes[0].at("text")).find("Error"), std::string::npos)
      << boxes[0].at("title");
  EXPECT_TRUE(Records().empty());
  EXPECT_FALSE(FolderExists(SetupFolderFor(setup)));
}

TEST_F(DialogRunE2E, StubWithoutPackageEndsWithTheChecksumMessage) {
  const std::string bare = dir_.File("bare.exe");
  ASSERT_TRUE(CopyFileA(BinPath("velkor-stub.exe").c_str(), bare.c_str(), FALSE));
  EXPECT_EQ(RunWithDriver(bare, "--count=1"), 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].at("text").find("Bad CRC!"), std::string::npos);
}

TEST_F(DialogRunE2E, BlockThatDoesNotInflateEndsTheRunWithoutEngine) {
  const std::string setup = Write(Layout("badzip.exe"));
  Damage(setup, PayloadMiddle(setup), std::string(64, '\xFF'), true);
  EXPECT_EQ(RunWithDriver(setup, "--count=2"), 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].at("text").find("error"), std::string::npos) << boxes[0].at("text");
  EXPECT_NE(boxes[1].at("text").find("Bad CRC!"), std::string::npos) << boxes[1].at("text");
  EXPECT_TRUE(Records().empty());
}

TEST_F(DialogRunE2E, FileNameLeavingTheSetupFolderIsRefusedAndNoEngineStarts) {
  pack::PackageSpec layout = Layout("escape.exe");
  layout.level = 0;  // stored blocks: the name can be changed in place
  layout.files.push_back({"xxxevil.txt", readme_, kReadmeDate});
  const std::string setup = Write(layout);
  const std::string data = ReadWholeFile(setup);
  const size_t at = data.find("xxxevil.txt");
  ASSERT_NE(at, std::string::npos);
  Damage(setup, at, "..\\evil.txt", true);
  const std::string escaped = TempFolder() + "evil.txt";
  DeleteFileA(escaped.c_str());
  EXPECT_EQ(RunWithDriver(setup, "--count=2"), 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].at("text").find("Unsafe file name"), std::string::npos);
  EXPECT_NE(boxes[1].at("text").find("Bad CRC!"), std::string::npos);
  EXPECT_FALSE(FileExists(escaped));
  EXPECT_TRUE(Records().empty());
}

TEST_F(MultiVolumeE2E, MissingSecondVolumeCancelledEndsWithoutEngineOrMessage) {
  const std::string setup = WriteSet("mv_cancel.exe");
  const std::string second = setup + ".002";
  ASSERT_TRUE(MoveFileA(second.c_str(), (second + ".away").c_str()));
  // A further box (the checksum message) would be left unanswered and stop the run.
  EXPECT_EQ(RunWithDriver(setup, "--count=1 --box=click:Cancel", 40000), 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].at("text").find("DISK #2"), std::string::npos) << boxes[0].at("text");
  EXPECT_TRUE(Records().empty());
}

TEST_F(MultiVolumeE2E, MissingSecondVolumePutInPlaceAndOkContinues) {
  const std::string setup = WriteSet("mv_ok.exe");
  const std::string second = setup + ".002";
  ASSERT_TRUE(MoveFileA(second.c_str(), (second + ".away").c_str()));
  Process run;
  ASSERT_TRUE(run.Start("\"" + setup + "\""));
  StartDriver("--count=1 --box=wait:2500,click:OK", run.id());
  ASSERT_TRUE(WaitForBoxOf(run.id()));
  ASSERT_TRUE(MoveFileA((second + ".away").c_str(), second.c_str()));
  DWORD code = 1;
  ASSERT_TRUE(run.Wait(kRunTimeoutMs, &code));
  EXPECT_EQ(code, 0u);
  ASSERT_EQ(Boxes().size(), 1u);
  ASSERT_EQ(Records().size(), 1u);
}

TEST_F(MultiVolumeE2E, ForcePromptFromTheRegistryAsksEvenWhenTheVolumeIsThere) {
  const std::string setup = WriteSet("mv_force.exe");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Mirelund\\Velkor\\SpanDisk", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "ForcePrompt", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
  const long code = RunWithDriver(setup, "--count=1 --box=click:OK");
  RegDeleteValueA(key, "ForcePrompt");
  RegCloseKey(key);
  EXPECT_EQ(code, 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].at("text").find("DISK #2"), std::string::npos);
  EXPECT_EQ(Records().size(), 1u);
}

TEST_F(DialogRunE2E, ConfirmTempDriveAsksAndNoEndsTheRun) {
  pack::PackageSpec layout = Layout("confirm.exe");
  layout.confirm_temp_drive = true;
  const std::string setup = Write(layout);
  EXPECT_EQ(RunWithDriver(setup, "--count=1 --box=click:No"), 0);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  const std::string& text = boxes[0].at("text");
  const std::string drive = TempFolder().substr(0, 2);
  EXPECT_NE(text.find("Velkor will extract files to your Temp Drive (" + drive + ")"),
            std::string::npos) << text;
  EXPECT_NE(text.find("Estimated space required on your Temp drive is:"), std::string::npos);
  EXPECT_NE(text.find("Continue with Setup?"), std::string::npos);
  EXPECT_EQ(text.find("<SPACE_REQ>"), std::string::npos);
  EXPECT_TRUE(Records().empty());
}

TEST_F(DialogRunE2E, LocalisedTextsAndRightToLeftStatusLine) {
  pack::PackageSpec layout = Layout("german.exe");
  layout.confirm_temp_drive = true;
  layout.languages.push_back(
      {"GERMAN",
       {{"s2", "Dateien werden auf Laufwerk <DRIVE> entpackt<P>"},
        {"s6", "<P>Weiter?<P>"},
        {"Confirm", "Bestaetigen"},
        {"BtnText", "|&OK|&Abbrechen|&Ja|&Nein|&Abbruch|&Wiederholen|&Ignorieren|"},
        {"Charset", "177"}}});
  const std::string setup = Write(layout);
  // The question is answered only after the status line was examined.
  Process run;
  ASSERT_TRUE(run.Start("\"" + setup + "\""));
  StartDriver("--count=1 --box=wait:2000,click:Nein", run.id());
  ASSERT_TRUE(WaitForBoxOf(run.id()));
  HWND main = FindWindowA(setup.c_str(), nullptr);
  ASSERT_NE(main, nullptr);
  HWND status = FindWindowExA(main, nullptr, "Static", nullptr);
  ASSERT_NE(status, nullptr);
  RECT r;
  GetWindowRect(status, &r);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 122);
  EXPECT_TRUE(GetWindowLongA(status, GWL_EXSTYLE) & WS_EX_RTLREADING);
  EXPECT_TRUE(GetWindowLongA(status, GWL_STYLE) & SS_RIGHT);
  DWORD code = 1;
  ASSERT_TRUE(run.Wait(kRunTimeoutMs, &code));
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].at("text").find("Dateien werden auf Laufwerk"), std::string::npos)
      << boxes[0].at("text");
  EXPECT_NE(boxes[0].at("text").find("Weiter?"), std::string::npos);
  EXPECT_NE(boxes[0].at("text").find("Bestaetigen"), std::string::npos);
  EXPECT_TRUE(Records().empty());
}

}  // namespace
}  // namespace velkor

namespace velkor {
namespace {

bool WaitUntil(DWORD timeout_ms, const std::function<bool()>& done) {
  for (DWORD waited = 0; waited < timeout_ms; waited += 100) {
    if (done()) return true;
    Sleep(100);
  }
  return done();
}

TEST_F(SetupRunE2E, SpanPackageRelaunchesFromACopyThatRemovesItselfAtTheEnd) {
  pack::PackageSpec layout = Layout("span.exe");
  layout.span = true;
  pack::PackResult result = pack::WritePackage(layout);
  ASSERT_TRUE(result.ok()) << result.error;
  const std::string setup = layout.output.string();
  ASSERT_TRUE(FileExists(setup + ".001"));
  // The first level copies itself into the setup folder and ends at once.
  EXPECT_EQ(RunSetupFile(setup, "/lang=de"), 0);
  const std::string folder = SetupFolderFor(setup);
  ASSERT_TRUE(WaitUntil(kRunTimeoutMs, [&] { return Records().size() == 1; }));
  const EngineRecord r = Records()[0];
  // The second level runs from the copy; its private switches do not reach the engine, the
  // origin it was given does.
  EXPECT_EQ(r.values.at("cmdline"), folder + "\\Engine.exe /lang=de /OriginExe=\"" + setup +
                                        "\" /TH_ID=" + r.values.at("token"));
  // The copy deletes itself and the setup folder once it has ended.
  EXPECT_TRUE(WaitUntil(30000, [&] { return !FolderExists(folder); }));
}

// A window in this process that receives the stub's listener notifications.
class Listener {
 public:
  static constexpr UINT kMessage = WM_APP + 17;
  Listener() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "velkor_e2e_listener";
    RegisterClassA(&wc);
    window_ = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
  }
  ~Listener() { DestroyWindow(window_); }
  HWND window() const { return window_; }
  // (wParam, lParam) of every notification waiting.
  std::vector<std::pair<WPARAM, LPARAM>> Take() {
    std::vector<std::pair<WPARAM, LPARAM>> got;
    MSG m;
    while (PeekMessageA(&m, window_, kMessage, kMessage, PM_REMOVE)) got.emplace_back(m.wParam, m.lParam);
    return got;
  }

 private:
  HWND window_ = nullptr;
};

TEST_F(SetupRunE2E, ListenerIsToldTheWindowAndTheEndOfTheLoop) {
  const std::string setup = Write(Layout("listen.exe"));
  SetEngineOptions("/sleep=3000");
  Listener listener;
  ASSERT_NE(listener.window(), nullptr);
  Process run;
  ASSERT_TRUE(run.Start("\"" + setup + "\" /hide"));
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil(20000, [&] { return (main = FindWindowA(setup.c_str(), nullptr)) != nullptr; }));
  PostMessageA(main, 1124, reinterpret_cast<WPARAM>(listener.window()), Listener::kMessage);
  std::vector<std::pair<WPARAM, LPARAM>> got;
  ASSERT_TRUE(WaitUntil(20000, [&] {
    for (auto& n : listener.Take()) got.push_back(n);
    return got.size() >= 2;
  }));
  EXPECT_EQ(got[0], std::make_pair(WPARAM{50}, reinterpret_cast<LPARAM>(main)));
  EXPECT_EQ(got[1], std::make_pair(WPARAM{51}, LPARAM{1125}));
  DWORD code = 1;
  ASSERT_TRUE(run.Wait(kRunTimeoutMs, &code));
  ASSERT_TRUE(WaitUntil(5000, [&] {
    for (auto& n : listener.Take()) got.push_back(n);
    return got.size() >= 3;
  }));
  EXPECT_EQ(got[2], std::make_pair(WPARAM{43}, LPARAM{0}));
}

TEST_F(SetupRunE2E, ViewerReceivesTheStartEngineAndEndLines) {
  const std::string setup = Write(Layout("viewer.exe"));
  const std::string lines_file = dir_.File("viewer.txt");
  Process viewer;
  ASSERT_TRUE(viewer.Start("\"" + BinPath("debug_viewer.exe") + "\" " + lines_file + " 60000"));
  ASSERT_TRUE(test::WaitForFile(lines_file + ".ready", 20000));
  Process run;
  ASSERT_TRUE(run.Start("\"" + setup + "\" /hide"));
  DWORD code = 1;
  ASSERT_TRUE(run.Wait(kRunTimeoutMs, &code));
  const DWORD pid = run.id();
  PostMessageA(FindWindowA(".VDebug.", nullptr), WM_CLOSE, 0, 0);
  viewer.Wait(10000);
  const std::string lines = ReadWholeFile(lines_file);
  const std::string p = std::to_string(pid);
  EXPECT_NE(lines.find(p + " ==== STUB START ====> \"" + setup + "\" /hide<\n"), std::string::npos)
      << lines;
  EXPECT_NE(lines.find(p + " ==== ThisIs_AutoUpdateProg=FALSE\n"), std::string::npos);
  EXPECT_NE(lines.find("========= ForegroundOp=FALSE ==========\n"), std::string::npos);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(lines.find(p + " ==== WinExec(Engine.exe) >>" + records[0].values.at("cmdline") +
                       "<<\n"),
            std::string::npos);
  EXPECT_NE(lines.find(p + " ==== STUB END ====> \"" + setup + "\" /hide<\n\n"), std::string::npos);
}

}  // namespace
}  // namespace velkor
