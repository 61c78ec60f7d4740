#include "setup/setup_run_win.h"

#include <array>
#include <optional>

#include "package/disk_space_win.h"
#include "package/trailer.h"
#include "process/process_win.h"
#include "setup/internet_setup_win.h"
#include "setup/setup_run.h"
#include "setup/unpack.h"
#include "setup/unpack_host_win.h"
#include "stub/main_window_win.h"
#include "stub/stub_state.h"
#include "support/files_win.h"
#include "support/ini_registry_win.h"
#include "support/pump_win.h"
#include "support/switches_win.h"
#include "support/text.h"
#include "support/text_win.h"
#include "support/trace.h"
#include "ui/msg_box_win.h"

namespace velkor {

namespace {

constexpr DWORD kStillActive = 259;

struct SetupFolders {
  std::optional<std::string> setup_folder;
  std::string alt_temp_base;
  std::optional<std::string> alt_temp_folder;
} g_folders;

bool FolderExists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlainFileExists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string SystemTempFolder() {
  char buf[MAX_PATH * 2];
  const DWORD n = GetTempPathA(sizeof buf, buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

std::uint32_t FileDosDate(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !FileTimeToDosDateTime(&local, &date, &time))
    return 0;
  return (static_cast<std::uint32_t>(date) << 16) | time;
}

// A fresh folder: whatever was there is removed first (read-only files included).
std::string FreshFolder(const std::string& path) {
  if (FolderExists(path)) DeleteFolderTree(path, true);
  CreateFolderWithParents(path);
  return path;
}

// Measures the free space of a fixed drive through a probe folder that it writes and removes
// again; 0 when the drive is not fixed or the probe cannot be written.
double MeasureTempDrive(char letter) {
  const std::string root = std::string(1, letter) + ":\\";
  if (GetDriveTypeA(root.c_str()) != DRIVE_FIXED) return 0;
  std::string probe = std::string(1, letter) + ":\\TEMP";
  if (FolderExists(probe)) probe += "\\TEMP" + RandomRangeText(10000, 100000);
  CreateFolderWithParents(probe);
  double free_bytes = 0;
  if (WriteStringToFile(probe + "\\~aa.tmp", "aa") && PlainFileExists(probe + "\\~aa.tmp"))
    free_bytes = DiskFreeBytes(probe);
  DeleteFolderTree(probe, false);
  return free_bytes;
}

// The shortcuts a completed update asks to remove; read before the engine runs, since the
// engine may rewrite the files.
struct ShortcutRemoval {
  std::string startup_link;
  std::string check_link;
};

ShortcutRemoval ShortcutsToRemove() {
  const TGFileInfo& own = OwnDescriptor();
  const std::string folder = ExeDir(true);
  const std::string state_file = folder + own.OriginalFileName();
  const std::string info_file = folder + own.InfoFileName();
  ShortcutRemoval r;
  if (ReadIniString(info_file, "NewSetup", "RemoveStartUpShortcut", "0") == "1")
    r.startup_link = ReadIniString(state_file, "UnInstall", "StartUpLink", "");
  if (ReadIniString(info_file, "NewSetup", "RemoveCheckForNewUpdateShortcut", "0") == "1")
    r.check_link = ReadIniString(state_file, "UnInstall", "CheckforNewUpdateLink", "");
  return r;
}

void RemoveShortcut(const std::string& link) {
  if (!link.empty() && PlainFileExists(link)) DeleteFileA(link.c_str());
}

// Starts the engine and waits for it and its dialog; true when it consumed the run token.
bool LaunchEngine(const std::string& folder, const std::string& main_entry,
                  const std::string& switches, bool foreground) {
  EngineLineInput in;
  in.folder = folder;
  in.main_entry = main_entry;
  in.switches = switches;
  in.token = RunToken(GetCurrentThreadId());
  in.own_exe = ExePath();
  in.is_agent = Stub().ThisIs_AutoUpdateProg;
  const std::string line = EngineCommandLine(in);
  ViewerWriteLine(GetCurrentProcessId(), " ==== WinExec(Engine.exe) >>", line, "<<");

  const ShortcutRemoval shortcuts = ShortcutsToRemove();
  const std::string atom_name = RunAtomName(in.token);
  GlobalAddAtomA(atom_name.c_str());
  HANDLE engine = RunProgram(EngineProgramPath(folder, main_entry), line,
                             foreground ? SW_SHOW : SW_HIDE);
  ShowWindow(MainWindow(), SW_HIDE);
  WaitPumping(1000);
  WaitForProcessExit(engine);
  DWORD exit_code = 0;
  if (!engine || !GetExitCodeProcess(engine, &exit_code)) exit_code = 0;
  if (engine) CloseHandle(engine);
  Stub().exit_code = exit_code;

  WaitWhileWindowExists(EngineDialogClass(in.token).c_str(), nullptr);
  WaitPumping(1000);
  const ATOM atom = GlobalFindAtomA(atom_name.c_str());
  const bool completed = atom == 0;
  if (atom) GlobalDeleteAtom(atom);
  if (completed) {
    RemoveShortcut(shortcuts.startup_link);
    RemoveShortcut(shortcuts.check_link);
  }
  return completed;
}

}  // namespace

std::string GetSetupFolder() {
  if (!g_folders.setup_folder)
    g_folders.setup_folder = FreshFolder(SetupFolderPath(SystemTempFolder(), FileDosDate(ExePath())));
  return *g_folders.setup_folder;
}

bool ChooseTempDrive() {
  if (!g_folders.alt_temp_base.empty()) return true;
  std::array<double, 3> free_bytes{};
  for (std::size_t i = 0; i < kTempDriveLetters.size(); ++i)
    free_bytes[i] = MeasureTempDrive(kTempDriveLetters[i]);
  const std::string temp = SystemTempFolder();
  const char letter = ChooseTempDriveLetter(temp.empty() ? 'C' : temp[0], free_bytes);
  if (letter != 0) {
    const std::string base = AltTempBaseFor(letter, false);
    g_folders.alt_temp_base = AltTempBaseFor(letter, FolderExists(base));
  }
  return !g_folders.alt_temp_base.empty();
}

std::string GetAltTempFolder() {
  if (g_folders.alt_temp_base.empty()) return "";
  if (!g_folders.alt_temp_folder)
    g_folders.alt_temp_folder =
        FreshFolder(g_folders.alt_temp_base + "_" + RandomRangeText(10000, 100000));
  return *g_folders.alt_temp_folder;
}

void RemoveAltTempFolder() {
  const std::string folder = GetAltTempFolder();
  if (!folder.empty()) DeleteFolderTree(folder, false);
}

bool CheckDestinationSpace(const std::string& folder, const TGFileInfo& package) {
  return RequiredSpace(package, folder) < DiskFreeBytes(folder) && FolderExists(folder);
}

bool ConfirmTempSpace(const std::string& folder, const TGFileInfo& package) {
  TempSpaceTexts texts;
  texts.confirm = package.GetLangText("s2", "Velkor will extract files to your Temp Drive (<DRIVE>)<P>");
  texts.short_text =
      package.GetLangText("s3", "Limited Free Space on your Temp Drive! (<DRIVE>)<P>");
  texts.required = package.GetLangText(
      "s4", "<P>Estimated space required on your Temp drive is: <T>  <SPACE_REQ> MB<P>");
  texts.available =
      package.GetLangText("s5", "Free space available on your Temp drive is: <T>  <SPACE_AVAIL> MB<P>");
  texts.question = package.GetLangText("s6", "<P>Continue with Setup?<P>");
  const std::string text = TempSpaceQuestion(folder, RequiredSpace(package, folder),
                                             DiskFreeBytes(folder), package.ConfirmTempDrive(), texts);
  if (text.empty()) return true;
  return ConfirmBox(0, text, package.GetLangText("Confirm", "Confirm"), 0, package.LangCharset(),
                    package.GetLangText("BtnText", "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|"));
}

bool IsForcePrompt() {
  return ReadRegString("HKEY_CURRENT_USER\\Software\\Mirelund\\Velkor\\SpanDisk", "ForcePrompt",
                       "0", false) == "1";
}

HANDLE RunProgram(const std::string& program, const std::string& command_line, int show) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION pi{};
  std::string line = command_line;  // CreateProcessA may write into the command line
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

void WaitForProcessExit(HANDLE process) {
  // The process handle says when the process has ended; its exit code cannot, since an engine
  // may well end with the code that also means "still running".
  do {
    WaitPumping(500);
  } while (process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT);
}

bool RunSetup(const std::string& folder_in, const std::string& package_file,
              const std::string& agent_name, const std::string& switches, bool foreground) {
  bool result = false;
  std::string folder = folder_in;
  const TGFileInfo package(package_file);
  if (package.ShowActivityBar()) ShowActivityBar();
  SetStatusText(StatusWindow(), package.GetLangText("s1", "Extracting Files..."),
                package.LangFontName(), package.LangFontSize(), package.LangCharset());
  if (!CheckDestinationSpace(folder, package) && ChooseTempDrive()) folder = GetAltTempFolder();
  ViewerWriteLine("========= ForegroundOp=", foreground ? "TRUE" : "FALSE", " ==========");
  if (!foreground || ConfirmTempSpace(folder, package)) {
    UnpackOptions options;
    options.disk_prompt = package.GetLangText(
        "s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue");
    options.prompt_caption = package.GetLangText("Attention", "Attention");
    options.buttons =
        package.GetLangText("BtnText", "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|");
    options.charset = static_cast<uint8_t>(package.LangCharset());
    options.force_prompt = IsForcePrompt();
    if (foreground) ShowWindow(MainWindow(), SW_SHOW);
    WaitPumping(1000, 1);
    WinUnpackHost host;
    const UnpackResult unpacked = UnpackPackage(host, package_file, folder, agent_name, options);
    WaitPumping(1000);
    // Only a complete, sound unpacking starts the engine: a checksum failure, a block that does
    // not inflate, a refused file name or a file that could not be saved all end here.
    if (!unpacked.main_entry.empty() && unpacked.checksum_ok)
      result = LaunchEngine(folder, unpacked.main_entry, switches, foreground);
    if (!unpacked.checksum_ok)
      ErrorBox(0,
               package.GetLangText(
                   "s7", "Bad CRC!<P>This indicates that your setup file might be corrupted..."),
               package.GetLangText("Error", "Error"), options.charset, options.buttons);
  }
  RemoveAltTempFolder();
  return result;
}

void SetupTimerTick(HWND main_window) {
  KillTimer(main_window, kMainTimerId);
  const TGFileInfo& own = OwnDescriptor();
  std::string url = own.SetupUrl();
  const std::string agent_name = own.HasAgent() ? own.AgentExeName() : "";
  if (own.InternetPackage()) {
    if (!agent_name.empty()) {
      const std::string own_path = ExePath();
      const std::string image = ReadFileToString(own_path);
      const std::uint32_t end = static_cast<std::uint32_t>(ReadEndOffsetInImage(image));
      WriteStringToFile(GetSetupFolder() + "\\" + agent_name, AgentCopyFromOwnImage(image, end),
                        FileDosDate(own_path));
    }
    if (!own.AlwaysDownload() && PlainFileExists(ExeDir(true) + own.SetupFileName()))
      url = ExeDir(false);
    DownloadInternetSetup(GetSetupFolder(), url, own.SetupFileName());
  } else {
    std::string package_file = ExePath();
    const std::string first_volume = GetSwitchValue(kSpanFirstVolumeSwitch);
    if (!first_volume.empty()) package_file = first_volume;
    const bool hidden = HasSwitch(kHideSwitch) || own.RunHidden();
    RunSetup(GetSetupFolder(), package_file, agent_name, GetCommandTail(), !hidden);
  }
  DeleteFolderTree(GetSetupFolder(), false);
  PostQuitMessage(0);
  // The quit message may be taken by a nested pumping wait; end the loop either way.
  EndMessageLoop();
}

}  // namespace velkor
