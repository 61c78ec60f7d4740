#include "process/process_win.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/test_env_win.h"

namespace velkor {
namespace {

using test::Process;
using test::ScratchDir;

// A copy of the fake product under a name of the test's choosing, started with the given
// switches; ended by force (if still running) when the object goes away.
class FakeProduct {
 public:
  FakeProduct(const std::string& exe_path, const std::string& ready_path)
      : exe_(exe_path), ready_(ready_path) {}
  ~FakeProduct() {
    DWORD code;
    if (process_.handle() && !process_.Wait(0, &code)) process_.Kill();
  }

  // Copies the helper to the exe path (once) and starts it; true when its windows exist.
  bool Start(const std::string& switches) {
    if (!test::FileExists(exe_) &&
        !CopyFileA(test::BinPath("fake_product.exe").c_str(), exe_.c_str(), FALSE))
      return false;
    DeleteFileA(ready_.c_str());
    if (!process_.Start("\"" + exe_ + "\" /Ready=\"" + ready_ + "\" " + switches)) return false;
    if (!test::WaitForFile(ready_, 20000)) return false;
    // "pid=<id>" then "<class>=<handle>" lines.
    std::string text = test::ReadWholeFile(ready_);
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find("\r\n", pos);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(pos, end - pos);
      size_t eq = line.find('=');
      if (eq != std::string::npos)
        values_[line.substr(0, eq)] = std::stoull(line.substr(eq + 1));
      pos = end + 2;
    }
    return values_["pid"] == process_.id();
  }

  HWND Window(const std::string& class_name) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(values_[class_name]));
  }
  DWORD id() const { return process_.id(); }
  Process& process() { return process_; }
  bool Running() {
    DWORD code;
    return !process_.Wait(0, &code);
  }

 private:
  std::string exe_;
  std::string ready_;
  Process process_;
  std::map<std::string, unsigned long long> values_;
};

std::string ShortPath(const std::string& path) {
  char buf[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : "";
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Process ids in the order each back-end enumerates them, read here without the code under test.
std::vector<DWORD> PsapiOrder() {
  std::vector<DWORD> ids(4096);
  DWORD bytes = 0;
  if (!K32EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes))
    return {};
  ids.resize(bytes / sizeof(DWORD));
  return ids;
}

std::vector<DWORD> ToolhelpOrder() {
  std::vector<DWORD> ids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 e{};
  e.dwSize = sizeof e;
  for (BOOL more = Process32First(snap, &e); more; more = Process32Next(snap, &e))
    ids.push_back(e.th32ProcessID);
  CloseHandle(snap);
  return ids;
}

class ProcessFinderBothWays : public ::testing::TestWithParam<ProcessBackend> {
 protected:
  void SetUp() override { SetProcessBackendForTesting(GetParam()); }
  void TearDown() override { SetProcessBackendForTesting(ProcessBackend::kAuto); }
};

TEST_P(ProcessFinderBothWays, FindsByFullPathShortPathAndFileName) {
  ScratchDir dir("find");
  const std::string folder = dir.File("Long Folder Name");
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string exe = folder + "\\Fake Product App.exe";
  FakeProduct product(exe, dir.File("ready.txt"));
  ASSERT_TRUE(product.Start("/Window=FP_Find|Find|V"));
  const std::string short_exe = ShortPath(exe);
  ASSERT_FALSE(short_exe.empty());
  ASSERT_NE(Lower(short_exe), Lower(exe));

  struct Case {
    const char* what;
    std::string name;
    bool full_path_only;
    bool found;
  } cases[] = {
      {"full path", exe, true, true},
      {"full path, other case and blanks", "  " + Lower(exe) + " ", true, true},
      {"short path", short_exe, true, true},
      {"file name", "fake product app.EXE", false, true},
      {"file name, full path only", "Fake Product App.exe", true, false},
      {"same name in a folder that does not exist", dir.File("Nowhere\\Fake Product App.exe"),
       false, false},
      {"other program", dir.File("Long Folder Name\\Other.exe"), false, false},
      {"empty name", "", false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindProcessId(c.name, c.full_path_only), c.found ? product.id() : 0u) << c.what;

  EXPECT_TRUE(IsProcessRunning(" \"" + exe + "\" "));

  product.process().Kill();
  EXPECT_EQ(FindProcessId(exe, true), 0u);
  EXPECT_FALSE(IsProcessRunning(exe));
}

TEST_P(ProcessFinderBothWays, TwoInstancesTheOneEnumeratedLastWins) {
  ScratchDir dir("two");
  const std::string exe = dir.File("twice.exe");
  FakeProduct first(exe, dir.File("ready1.txt"));
  FakeProduct second(exe, dir.File("ready2.txt"));
  ASSERT_TRUE(first.Start("/Window=FP_Two1|One|V"));
  ASSERT_TRUE(second.Start("/Window=FP_Two2|Two|V"));

  std::vector<DWORD> order =
      GetParam() == ProcessBackend::kPsapi ? PsapiOrder() : ToolhelpOrder();
  DWORD expected = 0;
  for (DWORD id : order)
    if (id == first.id() || id == second.id()) expected = id;
  ASSERT_NE(expected, 0u);
  EXPECT_EQ(FindProcessId(exe, true), expected);
  EXPECT_EQ(FindProcessId("TWICE.EXE", false), expected);
}

TEST_P(ProcessFinderBothWays, WaitForProcessEndReturnsOnceItHasEnded) {
  ScratchDir dir("wait");
  const std::string exe = dir.File("ends soon.exe");
  FakeProduct product(exe, dir.File("ready.txt"));
  ASSERT_TRUE(product.Start("/Window=FP_Wait|Wait|V /Limit=2500"));

  // The wait keeps this thread's messages flowing: a thread timer must tick meanwhile.
  static int ticks;
  ticks = 0;
  struct Tick {
    static void CALLBACK Proc(HWND, UINT, UINT_PTR, DWORD) { ++ticks; }
  };
  UINT_PTR timer = SetTimer(nullptr, 0, 10, &Tick::Proc);
  WaitForProcessEnd("\"" + exe + "\"", 0);
  KillTimer(nullptr, timer);

  DWORD code = 0;
  EXPECT_TRUE(product.process().Wait(0, &code)) << "returned while the product still ran";
  EXPECT_EQ(code, 1u);
  EXPECT_GT(ticks, 0);
}

TEST_P(ProcessFinderBothWays, WaitForProcessEndGivesUpAtItsLimit) {
  ScratchDir dir("limit");
  const std::string exe = dir.File("stays.exe");
  FakeProduct product(exe, dir.File("ready.txt"));
  ASSERT_TRUE(product.Start("/Window=FP_Stay|Stay|V /Limit=60000"));
  WaitForProcessEnd(exe, 1500);
  EXPECT_TRUE(product.Running());
}

INSTANTIATE_TEST_SUITE_P(Backends, ProcessFinderBothWays,
                         ::testing::Values(ProcessBackend::kPsapi, ProcessBackend::kToolhelp),
                         [](const auto& info) {
                           return info.param == ProcessBackend::kPsapi ? "Psapi" : "Toolhelp";
                         });

TEST(ProcessFinder, ListsProcessIdsAndFollowsOneById) {
  std::vector<DWORD> ids = ListProcessIds();
  EXPECT_GT(ids.size(), 1u);
  EXPECT_TRUE(ProcessIdExists(GetCurrentProcessId()));

  ScratchDir dir("ids");
  FakeProduct product(dir.File("short lived.exe"), dir.File("ready.txt"));
  ASSERT_TRUE(product.Start("/Window=FP_Ids|Ids|V"));
  const DWORD id = product.id();
  EXPECT_TRUE(ProcessIdExists(id));
  product.process().Kill();
  EXPECT_FALSE(ProcessIdExists(id));
}

TEST(ProcessFinder, ChoosesTheMainWindow) {
  struct Case {
    const char* what;
    const char* windows;
    const char* main_class;
  } cases[] = {
      // Created in this order, the dialog and the helper lie above the main window and are
      // enumerated before it: the choice must come from the scores, not the order.
      {"owner of a dialog", "/Window=FP_Main|Product|V \"/Window=FP_Dialog|Options dialog|VO\" "
       "/Window=FP_Helper||", "FP_Main"},
      // A hidden program such as a running agent: its titled window beats untitled ones.
      {"hidden titled window", "/Window=FP_Agent|Agent| /Window=FP_Untitled||", "FP_Agent"},
  };
  for (const Case& c : cases) {
    ScratchDir dir("main");
    const std::string exe = dir.File("windows.exe");
    FakeProduct product(exe, dir.File("ready.txt"));
    ASSERT_TRUE(product.Start(c.windows)) << c.what;
    HWND main = product.Window(c.main_class);
    ASSERT_NE(main, nullptr) << c.what;
    EXPECT_EQ(FindProcessMainWindow(exe, true), main) << c.what;
    EXPECT_EQ(FindProcessMainWindow("windows.exe", false), main) << c.what;
  }
  EXPECT_EQ(FindProcessMainWindow("no such program.exe", false), nullptr);
}

TEST(ProcessFinder, PostedCloseAndQuitReachTheMainWindow) {
  struct Case {
    const char* what;
    bool (*post)(const std::string&, bool);
    const char* message;
    DWORD exit_code;
  } cases[] = {
      {"close", PostCloseToProcess, "WM_CLOSE", 16},
      {"quit", PostQuitToProcess, "WM_QUIT", 18},
  };
  for (const Case& c : cases) {
    ScratchDir dir("post");
    const std::string exe = dir.File("post me.exe");
    const std::string log = dir.File("log.txt");
    FakeProduct product(exe, dir.File("ready.txt"));
    ASSERT_TRUE(product.Start("/Window=FP_Post|Post|V \"/Window=FP_PostDlg|Dialog|VO\" \"/Log=" +
                              log + "\""))
        << c.what;
    ASSERT_TRUE(c.post(exe, true)) << c.what;
    DWORD code = 0;
    ASSERT_TRUE(product.process().Wait(20000, &code)) << c.what;
    EXPECT_EQ(code, c.exit_code) << c.what;
    const std::string main = std::to_string(reinterpret_cast<UINT_PTR>(product.Window("FP_Post")));
    EXPECT_EQ(test::ReadWholeFile(log), std::string(c.message) + " " + main + " 15 255\r\n")
        << c.what;
  }
}

TEST(ProcessFinder, PostFindsNothingToPostToWhenNoProgramMatches) {
  ScratchDir dir("none");
  EXPECT_FALSE(PostCloseToProcess(dir.File("not running.exe"), true));
  EXPECT_FALSE(PostProcessMessage("", false, WM_USER, 0, 0));
}

TEST(ProcessFinder, TerminatesAProgramThatIgnoresCloseAndQuit) {
  ScratchDir dir("term");
  const std::string exe = dir.File("stubborn.exe");
  FakeProduct product(exe, dir.File("ready.txt"));
  ASSERT_TRUE(product.Start("/Window=FP_Term|Stubborn|V /OnClose=ignore /OnQuit=ignore"));
  EXPECT_TRUE(TerminateProcessByName("STUBBORN.EXE", false));
  DWORD code = 99;
  ASSERT_TRUE(product.process().Wait(20000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(TerminateProcessByName(exe, true));
}

// Top-level windows of this test process: a <- b <- c (each owned by the one before).
TEST(ProcessFinder, TopOwnerWindowFollowsTheWholeChain) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VelkorOwnerChainTest";
  RegisterClassA(&wc);
  auto make = [&](HWND owner) {
    return CreateWindowExA(0, wc.lpszClassName, "", owner ? WS_POPUP : WS_OVERLAPPEDWINDOW, 0, 0,
                           10, 10, owner, nullptr, wc.hInstance, nullptr);
  };
  HWND a = make(nullptr);
  HWND b = make(a);
  HWND c = make(b);
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(TopOwnerWindow(a), nullptr);
  EXPECT_EQ(TopOwnerWindow(b), a);
  EXPECT_EQ(TopOwnerWindow(c), a);
  DestroyWindow(a);  // takes its owned windows with it
}

TEST(ProcessFinder, WaitWhileWindowExistsReturnsWhenItIsGone) {
  ScratchDir dir("window");
  FakeProduct product(dir.File("window.exe"), dir.File("ready.txt"));
  const std::string cls = "FP_Gone_" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(product.Start("\"/Window=" + cls + "|Going away|V\" /Limit=2000"));
  ASSERT_NE(FindWindowA(cls.c_str(), "Going away"), nullptr);
  WaitWhileWindowExists(cls.c_str(), "Going away");
  EXPECT_EQ(FindWindowA(cls.c_str(), nullptr), nullptr);
  // Nothing to wait for: returns at once.
  WaitWhileWindowExists(cls.c_str(), nullptr);
}

TEST(ProcessFinder, OnlyHiddenUntitledWindowsGiveNoMainWindow) {
  ScratchDir dir("hidden");
  const std::string exe = dir.File("hidden.exe");
  FakeProduct product(exe, dir.File("ready.txt"));
  ASSERT_TRUE(product.Start("/Window=FP_Hidden|| /Window=FP_Hidden2||"));
  // Every thread with windows also has the system's titled "Default IME" window: it must not
  // be taken for the program's main window.
  EXPECT_EQ(FindProcessMainWindow(exe, true), nullptr);
  EXPECT_FALSE(PostCloseToProcess(exe, true));
  EXPECT_TRUE(product.Running());
}

}  // namespace
}  // namespace velkor
