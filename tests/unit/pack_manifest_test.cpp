// The INI manifest: parsing, overrides and the checks that turn mistakes into one clear line.

#include <gtest/gtest.h>

#include "manifest.h"
#include "pack_fixture.h"

namespace velkor::pack::testing {
namespace {

TEST(PackIni, ReadsSectionsKeysAndValues) {
  IniDocument doc;
  ASSERT_EQ(ParseIni("\xEF\xBB\xBF; comment\r\n[Package]\r\n  Engine =  setup.exe \r\n# more\n"
                     "EngineArgs=\"  /a /b \"\nInfoUrl=\n[Files]\na.txt=src/a.txt\n",
                     "m.ini", doc),
            "");
  ASSERT_EQ(doc.sections.size(), 2u);
  const auto& e = doc.sections[0].entries;
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].key, "Engine");
  EXPECT_EQ(e[0].value, "setup.exe");
  EXPECT_EQ(e[0].line, 3);
  EXPECT_EQ(e[1].value, "  /a /b ");  // quotes keep inner blanks
  EXPECT_EQ(e[2].value, "");
  EXPECT_EQ(doc.sections[1].entries[0].value, "src/a.txt");
}

TEST(PackIni, RejectsMalformedLinesWithTheirLineNumber) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"Engine=a\n", "m.ini:1: key outside a section"},
      {"[Package]\nEngine\n", "m.ini:2: expected key=value"},
      {"[Package\n", "m.ini:1: section line without ']'"},
      {"[Package]\nEngine=a\nengine=b\n", "m.ini:3: key engine given twice"},
      {"[Package]\n[package]\n", "m.ini:2: section [package] given twice"},
      {"[Package]\n=x\n", "m.ini:2: empty key"},
  };
  for (const Case& c : cases) {
    IniDocument doc;
    EXPECT_EQ(ParseIni(c.text, "m.ini", doc).rfind(c.error, 0), 0u) << c.text << " -> " << ParseIni(c.text, "m.ini", doc);
  }
}

TEST(PackIni, OverridesReplaceOrAdd) {
  IniDocument doc;
  ASSERT_EQ(ParseIni("[Package]\nCompressionLevel=6\n", "m.ini", doc), "");
  EXPECT_EQ(ApplyOverride("package/compressionlevel=9", doc), "");
  EXPECT_EQ(ApplyOverride("Language GERMAN/s0=Hallo = Welt", doc), "");
  EXPECT_EQ(doc.sections[0].entries.size(), 1u);
  EXPECT_EQ(doc.sections[0].entries[0].value, "9");
  EXPECT_EQ(doc.sections[1].name, "Language GERMAN");
  EXPECT_EQ(doc.sections[1].entries[0].value, "Hallo = Welt");
  for (const char* bad : {"Package.Level=9", "Package/Level", "/Level=1", "Package/=1"})
    EXPECT_NE(ApplyOverride(bad, doc), "") << bad;
}

TEST(PackIni, Sizes) {
  struct Case {
    const char* text;
    bool ok;
    uint64_t value;
  } cases[] = {{"0", true, 0},      {"1457664", true, 1457664}, {"64K", true, 65536}, {"2m", true, 2u << 20},
               {"1G", true, 1u << 30}, {"", false, 0},          {"1.5M", false, 0},  {"-1", false, 0},
               {"K", false, 0},     {"999999999999G", false, 0}};
  for (const Case& c : cases) {
    uint64_t v = 12345;
    EXPECT_EQ(ParseSize(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

class PackManifest : public PackTest {
 protected:
  std::string Build(const std::string& text, PackageSpec& spec) {
    IniDocument doc;
    if (auto e = ParseIni(text, "m.ini", doc); !e.empty()) return e;
    return BuildPackageSpec(doc, "m.ini", dir_, "/stubs/x86.exe", "/stubs/x64.exe", spec);
  }
};

TEST_F(PackManifest, EveryKeyReachesTheSpec) {
  fs::create_directories(dir_ / "payload");
  Put("payload/b.dat", "b");
  Put("payload/a.dat", "a");
  PackageSpec spec;
  ASSERT_EQ(Build("[Package]\nOutput=out/setup.exe\nArch=x64\nFolder=payload\nEngine=engine.exe\n"
                  "EngineArgs=/x\nCompressionLevel=9\nBlockSize=64K\nVolumeSize=1M\nSpan=1\n"
                  "ConfirmTempDrive=1\nShowActivityBar=yes\nTraceLog=true\nHasAgent=1\n"
                  "InfoUrl=http://h/u\nInfoFileName=u.ini\nAgentExeName=agent.exe\nPackageToken=T-1\n"
                  "RunHidden=1\n[Files]\nengine.exe=bin/eng.exe\nreadme.txt=\n"
                  "[Internet]\nSetupToken=S-1\nSetupUrl=http://h/s\nSetupFileName=s.exe\nAlwaysDownload=1\n"
                  "[Language german]\ns0=Titel\nbtntext=|&OK|\n",
                  spec),
            "");
  EXPECT_EQ(spec.output, dir_ / "out/setup.exe");
  EXPECT_EQ(spec.stub, "/stubs/x64.exe");
  ASSERT_EQ(spec.files.size(), 4u);
  EXPECT_EQ(spec.files[0].source, dir_ / "bin/eng.exe");
  EXPECT_EQ(spec.files[1].source, dir_ / "readme.txt");  // empty value: the name itself
  EXPECT_EQ(spec.files[2].name, "a.dat");                 // folder contents in name order
  EXPECT_EQ(spec.files[3].name, "b.dat");
  EXPECT_EQ(spec.engine_args, "/x");
  EXPECT_EQ(spec.level, 9);
  EXPECT_EQ(spec.block_size, 65536u);
  EXPECT_EQ(spec.volume_size, 1u << 20);
  EXPECT_TRUE(spec.span && spec.confirm_temp_drive && spec.show_activity_bar && spec.trace_log &&
              spec.has_agent && spec.run_hidden);
  EXPECT_EQ(spec.info_url, "http://h/u");
  EXPECT_EQ(spec.info_file_name, "u.ini");
  EXPECT_EQ(spec.agent_exe_name, "agent.exe");
  EXPECT_EQ(spec.package_token, "T-1");
  ASSERT_TRUE(spec.internet_info);
  EXPECT_EQ(spec.internet_info->setup_token, "S-1");
  EXPECT_TRUE(spec.internet_info->always_download);
  ASSERT_EQ(spec.languages.size(), 1u);
  EXPECT_EQ(spec.languages[0].name, "GERMAN");
  EXPECT_EQ(spec.languages[0].texts[1].second, "|&OK|");

  PackageSpec plain;
  const fs::path absolute = dir_ / "elsewhere" / "o.exe";
  ASSERT_EQ(Build("[Package]\nOutput=" + absolute.string() + "\nEngine=e.exe\n", plain), "");
  EXPECT_EQ(plain.stub, "/stubs/x86.exe");  // the shipped 32-bit stub by default
  EXPECT_EQ(plain.output, absolute);
}

TEST_F(PackManifest, MistakesAreRefusedWithOneLine) {
  fs::create_directories(dir_ / "nested/sub");
  const std::string head = "[Package]\nOutput=o.exe\nEngine=e.exe\n";
  struct Case {
    std::string text;
    const char* error;
  } cases[] = {
      {head + "Compression=9\n", "m.ini:4: unknown key Compression in [Package]"},
      {head + "[Extras]\n", "m.ini:4: unknown section [Extras]"},
      {head + "[Language KLINGON]\n", "m.ini:4: unknown language 'KLINGON'"},
      {head + "[Language GERMAN]\ns9=x\n", "m.ini:5: unknown key s9 in [Language GERMAN]"},
      {head + "[Internet]\nToken=x\n", "m.ini:5: unknown key Token in [Internet]"},
      {head + "Span=maybe\n", "m.ini:4: Span: expected 0 or 1"},
      {head + "CompressionLevel=13\n", "m.ini:4: CompressionLevel: expected 0 to 12"},
      {head + "BlockSize=0\n", "m.ini:4: BlockSize: expected a size"},
      {head + "Arch=arm\n", "m.ini:4: Arch: expected x86 or x64"},
      {head + "[Files]\nsub/a.txt=x\n", "m.ini:5: 'sub/a.txt' has a folder part"},
      {head + "[Files]\nsub\\a.txt=x\n", "m.ini:5: 'sub\\a.txt' has a folder part"},
      {head + "Folder=nested\n", "m.ini:4: Folder: "},
      {head + "Folder=absent\n", "m.ini:4: Folder: no such folder"},
      {"[Package]\nEngine=e.exe\n", "m.ini: no Output given"},
      {"[Package]\nOutput=o.exe\n", "m.ini: no Engine given"},
      {"[Files]\n", "m.ini: no [Package] section"},
  };
  for (const Case& c : cases) {
    PackageSpec spec;
    const std::string error = Build(c.text, spec);
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " -> " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST_F(PackManifest, LoadAppliesOverridesBeforeChecking) {
  const fs::path m = Put("m.ini", "[Package]\nOutput=o.exe\nEngine=e.exe\n");
  PackageSpec spec;
  const fs::path out = dir_ / "y.exe";
  EXPECT_EQ(LoadManifest(m, {"Package/CompressionLevel=0", "Package/Output=" + out.string()}, "a", "b", spec), "");
  EXPECT_EQ(spec.level, 0);
  EXPECT_EQ(spec.output, out);
  PackageSpec bad;
  EXPECT_EQ(LoadManifest(m, {"Package/Colour=red"}, "a", "b", bad).rfind(m.string() + ": unknown key Colour", 0), 0u);
  EXPECT_EQ(LoadManifest(dir_ / "none.ini", {}, "a", "b", bad).rfind("cannot read manifest", 0), 0u);
}

}  // namespace
}  // namespace velkor::pack::testing
