#include "setup/internet_setup_win.h"

#include <windows.h>

#include <utility>

#include "net/http_win.h"
#include "package/file_info.h"
#include "setup/internet_setup.h"
#include "setup/setup_run.h"
#include "setup/setup_run_win.h"
#include "stub/main_window_win.h"
#include "stub/stub_state.h"
#include "support/pump_win.h"
#include "support/switches_win.h"
#include "ui/msg_box_win.h"

namespace velkor {

namespace {

constexpr const char* kButtonsDefault = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";

class WinInternetSetupHost final : public InternetSetupHost {
 public:
  WinInternetSetupHost(const TGFileInfo& own, std::string setup_folder, bool hidden)
      : own_(own), setup_folder_(std::move(setup_folder)), hidden_(hidden) {}

  std::string LangText(const std::string& key, const std::string& def) override {
    return own_.GetLangText(key, def);
  }
  bool FileExists(const std::string& path) override {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  void ShowStatus(const std::string& text) override {
    SetStatusText(StatusWindow(), text, own_.LangFontName(), own_.LangFontSize(),
                  own_.LangCharset());
  }
  bool Confirm(const std::string& text) override {
    return ConfirmBox(0, text, LangText("Confirm", "Confirm"), 0, own_.LangCharset(), Buttons());
  }
  bool IsConnected(std::string& reason) override { return IsInternetConnected(reason); }
  void ClearDownloadAbort() override { SetDownloadAbort(false); }
  std::string TempFolder() override {
    char buf[MAX_PATH * 2];
    const DWORD n = GetTempPathA(sizeof buf, buf);
    return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
  }
  std::string Download(const std::string& url, const std::string& target) override {
    std::string error;
    std::string content;
    // A hidden run shows nothing: the client shows the window it is given.
    HTTP_DownloadFile_Incremental(hidden_ ? nullptr : MainWindow(), url, target, error,
                                  &UpdateProgressBars, content);
    return error;
  }
  void SettleProgress() override {
    WaitPumping(300);
    UpdateProgressBars(0, 0, 10, "", 1, 0);
    WaitPumping(700);
  }
  bool SameSetupToken(const std::string& file) override {
    const TGFileInfo downloaded(file);
    return own_.SameSetupToken(downloaded);
  }
  std::string DescribeHtmlErrorPage(const std::string& file, const std::string& url,
                                    const std::string& def) override {
    return velkor::DescribeHtmlErrorPage(file, "", url, def);
  }
  void RunSetup(const std::string& file) override {
    velkor::RunSetup(setup_folder_, file, "", GetCommandTail(), !hidden_);
  }
  void RemoveFile(const std::string& file) override { DeleteFileA(file.c_str()); }
  void ShowError(const std::string& text) override {
    ErrorBox(0, text, LangText("Error", "Error"), own_.LangCharset(), Buttons());
  }

 private:
  std::string Buttons() { return LangText("BtnText", kButtonsDefault); }

  const TGFileInfo& own_;
  std::string setup_folder_;
  bool hidden_;
};

}  // namespace

void DownloadInternetSetup(const std::string& setup_folder, const std::string& url,
                           const std::string& file_name) {
  const TGFileInfo& own = OwnDescriptor();
  InternetSetupOptions options;
  options.base = url;
  options.file_name = file_name;
  options.setup_size = own.SetupSize();
  options.ask = own.AskBeforeDownload();
  options.hidden = HasSwitch(kHideSwitch) || own.RunHidden();
  WinInternetSetupHost host(own, setup_folder, options.hidden);
  RunInternetSetup(host, options);
}

}  // namespace velkor
