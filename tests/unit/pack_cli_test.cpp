// The velkor-pack program itself: exit codes, one-line errors, nothing left behind.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

#include "pack_fixture.h"
#include "scramble.h"

namespace velkor::pack::testing {
namespace {

struct ToolRun {
  int code = -1;
  std::string out, err;
};

class PackCli : public PackTest {
 protected:
  ToolRun Pack(const std::string& args) {
    const std::string err_file = (dir_ / "stderr.txt").string();
    const std::string command = std::string(VELKOR_BINARY_DIR "/bin/velkor-pack ") + args + " 2>" + err_file;
    ToolRun r;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadFile(err_file);
    fs::remove(err_file);
    return r;
  }

  std::string Manifest(const std::string& extra) {
    Put("engine.exe", "ENGINE");
    Put("a.txt", NoiseBytes(5000));
    return Put("m" + std::to_string(++manifests_) + ".ini", "[Package]\nOutput=out/setup.exe\nStub=stub.exe\nEngine=engine.exe\nPackageToken=PT-5\n"
                        "[Files]\nengine.exe=\na.txt=\n" + extra).string();
  }
  int manifests_ = 0;
};

TEST_F(PackCli, PackThenListSucceeds) {
  const ToolRun pack = Pack("pack " + Manifest("") + " --level 9");
  ASSERT_EQ(pack.code, 0) << pack.err;
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"setup.exe"});
  const ToolRun list = Pack("list " + (dir_ / "out/setup.exe").string());
  EXPECT_EQ(list.code, 0) << list.out;
  EXPECT_NE(list.out.find("PackageToken=\"PT-5\""), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("engine.exe  [start: engine.exe*]"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("Package is valid"), std::string::npos);
}

TEST_F(PackCli, OverridesOnTheCommandLine) {
  const std::string m = Manifest("");
  const ToolRun pack = Pack("pack " + m + " -o " + (dir_ / "out/other.exe").string() +
                        " --volume-size 3000 --set Package/ShowActivityBar=1");
  ASSERT_EQ(pack.code, 0) << pack.err;
  const auto d = ReadDescriptor(dir_ / "out/other.exe", nullptr);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->trailer.flags, kFlagMultiVolume | kFlagShowActivityBar);
  EXPECT_TRUE(fs::exists(dir_ / "out/other.exe.002"));
}

TEST_F(PackCli, ErrorsAreOneLineAndLeaveNothing) {
  struct Case {
    std::string args;
    const char* error;
  } cases[] = {
      {"pack " + (dir_ / "none.ini").string(), "velkor-pack: cannot read manifest"},
      {"pack " + Manifest("[Internet]\nColour=blue\n"), "unknown key Colour in [Internet]"},
      {"pack " + Manifest("[Package2]\n"), "unknown section [Package2]"},
      {"pack " + Manifest("sub/b.txt=a.txt\n"), "'sub/b.txt' has a folder part"},
      {"pack " + Manifest("missing.txt=\n"), "file not found: "},
      {"pack " + Manifest("") + " --volume-size 900", "volume size 900 is too small"},
      {"pack " + Manifest("") + " --stub " + (dir_ / "nostub.exe").string(), "stub image not found"},
      {"list " + (dir_ / "stub.exe").string(), "Package is NOT valid"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Pack(c.args);
    EXPECT_EQ(r.code, 1) << c.args;
    const std::string text = r.err.empty() ? r.out : r.err;
    EXPECT_NE(text.find(c.error), std::string::npos) << c.args << "\n" << text;
    if (!r.err.empty()) {
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    EXPECT_TRUE(OutFiles().empty()) << c.args;
  }
  EXPECT_EQ(Pack("frobnicate").code, 2);
  EXPECT_EQ(Pack("pack").code, 2);
}

TEST_F(PackCli, ScramblesTokensAndTexts) {
  const ToolRun token = Pack("scramble-token 'PROD 1'");
  ASSERT_EQ(token.code, 0);
  EXPECT_EQ(UnscrambleTokenChecked(token.out.substr(0, token.out.size() - 1)), "PROD 1");
  const ToolRun text = Pack("scramble-text '|T1|a|b|Hello'");
  ASSERT_EQ(text.code, 0);
  ASSERT_EQ(text.out.rfind("Scrambled=01", 0), 0u);
  const std::string body = text.out.substr(13, text.out.size() - 14);
  EXPECT_EQ(ScrambleText(body, text.out[12]).substr(13), "|T1|a|b|Hello");
}

TEST_F(PackCli, InternetPackage) {
  ASSERT_EQ(Pack("pack " + Manifest("[Internet]\nSetupToken=S-3\n")).code, 0);
  const ToolRun r = Pack("internet " + (dir_ / "out/setup.exe").string() + " --url http://h/d --ask -o " +
                     (dir_ / "out/web.exe").string() + " --stub " + (dir_ / "stub.exe").string());
  ASSERT_EQ(r.code, 0) << r.err;
  const ToolRun list = Pack("list " + (dir_ / "out/web.exe").string());
  EXPECT_EQ(list.code, 0) << list.out;
  EXPECT_NE(list.out.find("SetupUrl=http://h/d SetupFileName=setup.exe AlwaysDownload=0 SetupToken=\"S-3\""),
            std::string::npos)
      << list.out;
}

}  // namespace
}  // namespace velkor::pack::testing

#endif
