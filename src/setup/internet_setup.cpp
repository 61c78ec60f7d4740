#include "setup/internet_setup.h"

#include "setup/setup_run.h"
#include "support/text.h"

namespace velkor {

namespace {

constexpr const char* kDownloadingDefault = "Downloading File...";
constexpr const char* kQuestionDefault =
    "<b>INTERNET DOWNLOAD</b><p><p>Velkor will download the Setup File from the Internet...<p>"
    "Please make sure your Internet connection is properly set.<p><p>Continue with Setup?<p><P>"
    "Size: <SIZE> MB<P>";
constexpr const char* kNoConnectionDefault =
    "No valid Internet Connection.<p>Can not Download File!";
constexpr const char* kBadTokenText = "Bad Secret Token!";

}  // namespace

std::string DownloadQuestion(const std::string& question, const std::string& setup_size) {
  const double bytes = static_cast<double>(StrToInt64Def(setup_size, 0));
  return ReplaceStr(question, "<SIZE>", FormatMegabytes(bytes));
}

std::string NoConnectionText(const std::string& text, const std::string& reason) {
  return reason.empty() ? text : text + "<P><P>" + reason;
}

std::string SetupDownloadUrl(const std::string& base, const std::string& file_name) {
  return base + "/" + file_name;
}

InternetSetupOutcome RunInternetSetup(InternetSetupHost& host, const InternetSetupOptions& options) {
  InternetSetupOutcome out;
  const std::string url = SetupDownloadUrl(options.base, options.file_name);
  const std::string local = SetTrailingSlash(options.base, true) + options.file_name;

  if (host.FileExists(local)) {
    out.setup_file = local;
  } else {
    host.ShowStatus(host.LangText("s10", kDownloadingDefault));
    if (options.ask && !options.hidden) {
      const std::string question =
          DownloadQuestion(host.LangText("s11", kQuestionDefault), options.setup_size);
      // Assigned from a temporary: gcc 12 warns wrongly about the plain char* assignment here.
      if (!host.Confirm(question)) out.error = std::string(kDeclinedError);
    }
    // Tested even after a No: an offline machine is worth telling about either way.
    std::string reason;
    if (!host.IsConnected(reason))
      out.error = NoConnectionText(host.LangText("s12", kNoConnectionDefault), reason);
    host.ClearDownloadAbort();
    out.setup_file = host.TempFolder() + options.file_name;
    if (out.error.empty()) {
      // The client reports an error for anything short of the whole file (aborted, cut off,
      // unwritable), so an unfinished download never reaches the token check or the run, and
      // its partial file stays for the next run to resume.
      out.error = host.Download(url, out.setup_file);
      out.downloaded = out.error.empty();
    }
    host.SettleProgress();
  }

  if (out.error.empty() && !host.SameSetupToken(out.setup_file))
    out.error = host.DescribeHtmlErrorPage(out.setup_file, url, kBadTokenText);
  if (out.error.empty()) {
    host.RunSetup(out.setup_file);
    out.ran = true;
  }
  if (out.downloaded) host.RemoveFile(out.setup_file);
  if (!out.error.empty() && out.error != kDeclinedError) host.ShowError(out.error);
  return out;
}

}  // namespace velkor
