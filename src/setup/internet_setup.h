#pragma once
// The course of an internet package's run, apart from the system: where the setup file comes
// from, the question before the download, the connection test, the token check, the run and the
// clean-up. The Windows side (setup/internet_setup_win.h) supplies the outside world through
// InternetSetupHost.
#include <cstdint>
#include <string>

namespace velkor {

// Everything the course needs from outside. Paths and texts are byte strings.
class InternetSetupHost {
 public:
  virtual ~InternetSetupHost() = default;
  // A localised text of the own package, `def` when the package has none.
  virtual std::string LangText(const std::string& key, const std::string& def) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // Puts the download status text on the main window's status line.
  virtual void ShowStatus(const std::string& text) = 0;
  // Asks the question with Yes and No; true for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // True when the system reports a connection; otherwise `reason` says why (may be empty).
  virtual bool IsConnected(std::string& reason) = 0;
  virtual void ClearDownloadAbort() = 0;
  // The system's temporary folder, with its trailing backslash.
  virtual std::string TempFolder() = 0;
  // Downloads `url` into `target`; the error text, "" only when the whole file arrived.
  virtual std::string Download(const std::string& url, const std::string& target) = 0;
  // The pause after a download attempt, with the progress bars set back.
  virtual void SettleProgress() = 0;
  // True when `file` is a package with the same (valid) setup token as the own package.
  virtual bool SameSetupToken(const std::string& file) = 0;
  // The "404" text naming `url` when `file` is an HTML error page, else `def`.
  virtual std::string DescribeHtmlErrorPage(const std::string& file, const std::string& url,
                                            const std::string& def) = 0;
  // The ordinary setup run of `file`.
  virtual void RunSetup(const std::string& file) = 0;
  virtual void RemoveFile(const std::string& file) = 0;
  virtual void ShowError(const std::string& text) = 0;
};

struct InternetSetupOptions {
  std::string base;        // the setup address, or the folder that holds a local copy
  std::string file_name;   // the setup file's name
  std::string setup_size;  // its size in bytes, as the package states it
  bool ask = false;        // the package asks before downloading
  bool hidden = false;     // "/hide" or a package that runs hidden
};

// What one call ended with, for the caller and for tests.
struct InternetSetupOutcome {
  std::string setup_file;  // the file that was (or would have been) run
  std::string error;       // "" when the setup ran; "!" when the user declined
  bool downloaded = false;
  bool ran = false;
};

// The error value that stands for a declined download: it ends the call without a message.
inline constexpr const char* kDeclinedError = "!";

// The question before the download with every "<SIZE>" replaced by the size in megabytes;
// a size that is not a decimal number counts as 0.
std::string DownloadQuestion(const std::string& question, const std::string& setup_size);

// The no-connection message: the localised text, then the system's reason when there is one.
std::string NoConnectionText(const std::string& text, const std::string& reason);

// The download address of `file_name` under `base`.
std::string SetupDownloadUrl(const std::string& base, const std::string& file_name);

// Gets the setup file (the local copy or a download), checks that it belongs to this package,
// runs it and cleans up; failures are shown through the host.
InternetSetupOutcome RunInternetSetup(InternetSetupHost& host, const InternetSetupOptions& options);

}  // namespace velkor
