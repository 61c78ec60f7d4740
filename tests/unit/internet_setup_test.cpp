#include "setup/internet_setup.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace velkor {
namespace {

TEST(DownloadQuestionTest, SizeIsShownInMegabytes) {
  struct Case {
    const char* question;
    const char* size;
    const char* want;
  } cases[] = {
      {"Size: <SIZE> MB", "5242880", "Size: 5.00 MB"},
      {"Size: <SIZE> MB", "17997344", "Size: 17.2 MB"},
      {"Size: <SIZE> MB", "500000", "Size: 0.477 MB"},
      // Not a number, or negative: 0.
      {"Size: <SIZE> MB", "", "Size: 0.000 MB"},
      {"Size: <SIZE> MB", "12abc", "Size: 0.000 MB"},
      {"Size: <SIZE> MB", "-5", "Size: 0.000 MB"},
      // Every occurrence, with case: a translator's lower-case placeholder is left as written.
      {"<SIZE>/<SIZE> <size>", "1048576", "1.00/1.00 <size>"},
  };
  for (const Case& c : cases) EXPECT_EQ(DownloadQuestion(c.question, c.size), c.want) << c.size;
}

TEST(NoConnectionTextTest, ReasonFollowsAfterTwoBreaksWhenThereIsOne) {
  EXPECT_EQ(NoConnectionText("Offline", "The network is down."), "Offline<P><P>The network is down.");
  EXPECT_EQ(NoConnectionText("Offline", ""), "Offline");
}

// Records every call as one line, answers as configured.
class FakeHost : public InternetSetupHost {
 public:
  std::set<std::string> existing;
  bool answer_yes = true;
  bool connected = true;
  std::string reason;
  std::string download_error;
  bool same_token = true;
  std::string html_text;  // what DescribeHtmlErrorPage finds; "" gives the default
  std::vector<std::string> calls;

  std::string LangText(const std::string& key, const std::string& def) override {
    return key == "s12" ? "S12" : def;
  }
  bool FileExists(const std::string& path) override { return existing.count(path) != 0; }
  void ShowStatus(const std::string& text) override { calls.push_back("status " + text); }
  bool Confirm(const std::string& text) override {
    calls.push_back("ask " + text.substr(text.find("Size:")));
    return answer_yes;
  }
  bool IsConnected(std::string& why) override {
    why = reason;
    return connected;
  }
  void ClearDownloadAbort() override { calls.push_back("clear abort"); }
  std::string TempFolder() override { return "T:\\tmp\\"; }
  std::string Download(const std::string& url, const std::string& target) override {
    calls.push_back("download " + url + " > " + target);
    return download_error;
  }
  void SettleProgress() override { calls.push_back("settle"); }
  bool SameSetupToken(const std::string& file) override {
    calls.push_back("token " + file);
    return same_token;
  }
  std::string DescribeHtmlErrorPage(const std::string& file, const std::string& url,
                                    const std::string& def) override {
    calls.push_back("html " + file + " " + url);
    return html_text.empty() ? def : html_text;
  }
  void RunSetup(const std::string& file) override { calls.push_back("run " + file); }
  void RemoveFile(const std::string& file) override { calls.push_back("delete " + file); }
  void ShowError(const std::string& text) override { calls.push_back("error " + text); }
};

InternetSetupOptions Options(bool ask = true, bool hidden = false) {
  InternetSetupOptions o;
  o.base = "http://h/d";
  o.file_name = "real.exe";
  o.setup_size = "5242880";
  o.ask = ask;
  o.hidden = hidden;
  return o;
}

using Calls = std::vector<std::string>;

TEST(RunInternetSetupTest, AnsweredYesDownloadsChecksRunsAndDeletes) {
  FakeHost host;
  const InternetSetupOutcome out = RunInternetSetup(host, Options());
  EXPECT_EQ(host.calls, (Calls{"status Downloading File...", "ask Size: 5.00 MB<P>", "clear abort",
                               "download http://h/d/real.exe > T:\\tmp\\real.exe", "settle",
                               "token T:\\tmp\\real.exe", "run T:\\tmp\\real.exe",
                               "delete T:\\tmp\\real.exe"}));
  EXPECT_TRUE(out.ran);
  EXPECT_EQ(out.error, "");
}

TEST(RunInternetSetupTest, QuestionOnlyWhenAskedForAndNotHidden) {
  struct Case {
    bool ask, hidden, asked;
  } cases[] = {{true, false, true}, {true, true, false}, {false, false, false}};
  for (const Case& c : cases) {
    FakeHost host;
    RunInternetSetup(host, Options(c.ask, c.hidden));
    EXPECT_EQ(host.calls[1] == "ask Size: 5.00 MB<P>", c.asked) << c.ask << c.hidden;
    EXPECT_EQ(host.calls.back(), "delete T:\\tmp\\real.exe");
  }
}

TEST(RunInternetSetupTest, DeclinedOrOfflineNeverDownloads) {
  struct Case {
    const char* name;
    bool yes, connected;
    const char* reason;
    const char* shown;  // "" when no box is shown
  } cases[] = {
      {"declined", false, true, "", ""},
      {"offline", true, false, "No route.", "error S12<P><P>No route."},
      // The offline message wins over the user's No.
      {"declined offline", false, false, "No route.", "error S12<P><P>No route."},
      {"offline without reason", true, false, "", "error S12"},
  };
  for (const Case& c : cases) {
    FakeHost host;
    host.answer_yes = c.yes;
    host.connected = c.connected;
    host.reason = c.reason;
    const InternetSetupOutcome out = RunInternetSetup(host, Options());
    Calls want{"status Downloading File...", "ask Size: 5.00 MB<P>", "clear abort", "settle"};
    if (*c.shown) want.push_back(c.shown);
    EXPECT_EQ(host.calls, want) << c.name;
    EXPECT_FALSE(out.ran) << c.name;
    EXPECT_FALSE(out.downloaded) << c.name;
  }
}

TEST(RunInternetSetupTest, FailedDownloadStopsBeforeTheTokenAndKeepsThePartialFile) {
  for (const char* failure : {"Download Aborted", "Download Incomplete (10/20 Bytes) <P>URL: u",
                              "http://h/d/real.exe<P><P>File Not Found !"}) {
    FakeHost host;
    host.download_error = failure;
    const InternetSetupOutcome out = RunInternetSetup(host, Options(false));
    EXPECT_EQ(host.calls, (Calls{"status Downloading File...", "clear abort",
                                 "download http://h/d/real.exe > T:\\tmp\\real.exe", "settle",
                                 std::string("error ") + failure}));
    EXPECT_FALSE(out.ran);
  }
}

TEST(RunInternetSetupTest, ForeignOrHtmlFileIsReportedAndDeleted) {
  struct Case {
    const char* html_text;
    const char* shown;
  } cases[] = {{"", "error Bad Secret Token!"}, {"<B>404</B>", "error <B>404</B>"}};
  for (const Case& c : cases) {
    FakeHost host;
    host.same_token = false;
    host.html_text = c.html_text;
    RunInternetSetup(host, Options(false));
    EXPECT_EQ(host.calls, (Calls{"status Downloading File...", "clear abort",
                                 "download http://h/d/real.exe > T:\\tmp\\real.exe", "settle",
                                 "token T:\\tmp\\real.exe",
                                 "html T:\\tmp\\real.exe http://h/d/real.exe",
                                 "delete T:\\tmp\\real.exe", c.shown}));
  }
}

TEST(RunInternetSetupTest, LocalCopyIsCheckedAndRunButNeverDeleted) {
  struct Case {
    const char* base;
    const char* local;
  } cases[] = {{"C:\\dist", "C:\\dist\\real.exe"}, {"C:\\dist\\", "C:\\dist\\real.exe"}};
  for (const Case& c : cases) {
    FakeHost host;
    host.existing.insert(c.local);
    InternetSetupOptions o = Options();
    o.base = c.base;
    const InternetSetupOutcome out = RunInternetSetup(host, o);
    EXPECT_EQ(host.calls, (Calls{std::string("token ") + c.local, std::string("run ") + c.local}));
    EXPECT_FALSE(out.downloaded);

    FakeHost foreign;
    foreign.existing.insert(c.local);
    foreign.same_token = false;
    RunInternetSetup(foreign, o);
    EXPECT_EQ(foreign.calls.back(), "error Bad Secret Token!");
    for (const std::string& call : foreign.calls) EXPECT_NE(call.rfind("delete", 0), 0u) << call;
  }
}

}  // namespace
}  // namespace velkor
