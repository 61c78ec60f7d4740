// Packages from the writer, read by the stub's own reader: descriptor strings, tokens, checksum,
// space table, for every layout, with and without data appended after the package.

#include <gtest/gtest.h>

#include "pack_fixture.h"
#include "package/file_info.h"
#include "package/package_reader.h"

namespace velkor::pack::testing {
namespace {

class PackRoundTrip : public PackTest {
 protected:
  PackageSpec Full() {
    PackageSpec spec = Spec({{"a.txt", TextBytes(30000)}, {"b.bin", NoiseBytes(7000)}});
    spec.block_size = 8192;
    spec.info_url = "http://updates.test/product";
    spec.info_file_name = "info/product-update.ini";
    spec.agent_exe_name = "agent.exe";
    spec.has_agent = true;
    spec.package_token = "PRODUCT-TOKEN-1";
    spec.run_hidden = true;
    spec.confirm_temp_drive = true;
    spec.trace_log = true;
    spec.languages = {{"GERMAN", {{"s0", "Installation"}, {"BtnText", "|&OK|&Abbrechen|"}}},
                      {"ENGLISH", {{"s0", "Setup"}}}};
    spec.internet_info = InternetInfoSpec{"", "", false, "SETUP-TOKEN-1", ""};
    return spec;
  }

  // Every file of the set passes the stub's trailer and checksum test.
  static void ExpectEveryVolumePasses(const std::vector<fs::path>& files) {
    for (const fs::path& f : files) {
      Trailer t;
      ASSERT_TRUE(ReadTrailer(f.string(), &t)) << f;
      EXPECT_TRUE(t.HasMagic()) << f;
      EXPECT_EQ(t.TrailerSize, 74) << f;
      const uint32_t computed = PackageChecksum(f.string(), t.TrailerSize);
      EXPECT_NE(computed, kChecksumSkip) << f;
      EXPECT_EQ(computed, t.Checksum) << f;
    }
  }

  // The descriptor the stub reads from a first volume carries what the PackageSpec said.
  static void ExpectDescriptor(const TGFileInfo& info, const PackageSpec& spec, std::string_view language_table) {
    EXPECT_TRUE(info.HasPackage());
    EXPECT_EQ(info.LanguageTable, language_table);
    EXPECT_EQ(info.InfoUrl(), spec.info_url);
    EXPECT_EQ(info.InfoFileName(), "product-update.ini");
    EXPECT_EQ(info.OriginalFileName(), "product-update.original");
    EXPECT_EQ(info.AgentExeName(), "agent.exe");
    EXPECT_EQ(info.PackageToken(true), "PRODUCT-TOKEN-1");
    EXPECT_EQ(info.SetupToken(true), "SETUP-TOKEN-1");
    EXPECT_TRUE(info.RunHidden());
    EXPECT_TRUE(info.ConfirmTempDrive());
    EXPECT_TRUE(info.TraceLog());
    EXPECT_TRUE(info.HasAgent());
    EXPECT_FALSE(info.ShowActivityBar());
    EXPECT_FALSE(info.ThisIs_AutoUpdateProg());
  }
};

TEST_F(PackRoundTrip, EveryLayoutReadsBackThroughTheStubsReader) {
  struct Layout {
    const char* name;
    uint64_t volume_size;
    bool span;
    bool append;
  } layouts[] = {
      {"plain", 0, false, false},
      {"plain with data appended", 0, false, true},
      {"multi-volume", 6000, false, false},
      {"multi-volume with data appended to the first volume", 6000, false, true},
      {"span", 0, true, false},
      {"span over several volumes, data appended", 6000, true, true},
  };
  for (const Layout& l : layouts) {
    SCOPED_TRACE(l.name);
    fs::remove_all(dir_ / "out");
    fs::create_directories(dir_ / "out");
    PackageSpec spec = Full();
    spec.volume_size = l.volume_size;
    spec.span = l.span;
    const PackResult r = WritePackage(spec);
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.written.size() > (l.span ? 2u : 1u), l.volume_size != 0);
    if (l.append) {
      // Signing tools and download wrappers add bytes after the package of a stub image.
      const fs::path first = l.span ? r.written[1] : r.written[0];
      WriteFile(first, ReadFile(first) + NoiseBytes(3333, 9));
    }
    ExpectEveryVolumePasses(r.written);

    const std::string table = BuildLanguageTable(spec.languages, nullptr);
    const TGFileInfo own(spec.output.string());
    ExpectDescriptor(own, spec, table);
    EXPECT_EQ(own.SpanCd(), l.span);
    if (l.span) {
      EXPECT_FALSE(own.MultiVolume());
      const TGFileInfo first(r.written[1].string());  // what the second span level unpacks
      ExpectDescriptor(first, spec, table);
      EXPECT_FALSE(first.SpanCd());
      EXPECT_EQ(first.MultiVolume(), r.written.size() > 2);
      EXPECT_EQ(first.trailer.FilesCount, r.file_blocks);
    } else {
      EXPECT_EQ(own.MultiVolume(), r.written.size() > 1);
      EXPECT_EQ(own.trailer.FilesCount, r.file_blocks);
    }
    // The space table as the stub picks its entries: engine 12 bytes, a.txt 30000, b.bin 7000, and
    // the agent copy (stub image + descriptor strings + trailer).
    const uint64_t agent = 1536 + 8 + own.LanguageTable.size() + own.PackageInfo.size() + 4 +
                           own.InternetInfo.size() + 74;
    auto rounded = [&](uint64_t cluster) {
      auto up = [&](uint64_t n) { return (n + cluster - 1) / cluster * cluster; };
      return static_cast<double>(up(12) + up(30000) + up(7000) + up(agent));
    };
    EXPECT_EQ(own.RequiredSpaceForClusterSize(4096), rounded(4096));
    EXPECT_EQ(own.RequiredSpaceForClusterSize(512), rounded(512));
    EXPECT_EQ(own.RequiredSpaceForClusterSize(0), rounded(65536));

    const auto files = Contents(spec.output);
    EXPECT_EQ(files.at("a.txt"), TextBytes(30000));
    EXPECT_EQ(files.at("b.bin"), NoiseBytes(7000));
  }
}

TEST_F(PackRoundTrip, InternetPackageMatchesItsRealSetupFile) {
  PackageSpec real = Full();
  real.output = dir_ / "real-setup.exe";
  ASSERT_TRUE(WritePackage(real).ok());
  InternetPackageSpec spec;
  spec.stub = dir_ / "stub.exe";
  spec.output = dir_ / "out" / "web.exe";
  spec.real_setup = real.output;
  spec.setup_url = "http://downloads.test/product/";
  spec.always_download = true;
  const PackResult r = WriteInternetPackage(spec);
  ASSERT_TRUE(r.ok()) << r.error;
  WriteFile(spec.output, ReadFile(spec.output) + "appended");
  ExpectEveryVolumePasses({spec.output});

  const TGFileInfo web(spec.output.string());
  const TGFileInfo downloaded(real.output.string());
  EXPECT_TRUE(web.InternetPackage());
  EXPECT_FALSE(web.AskBeforeDownload());
  EXPECT_EQ(web.SetupUrl(), "http://downloads.test/product");
  EXPECT_EQ(web.SetupFileName(), "real-setup.exe");
  EXPECT_TRUE(web.AlwaysDownload());
  EXPECT_EQ(web.SetupSize(), std::to_string(fs::file_size(real.output)));
  EXPECT_TRUE(web.SameSetupToken(downloaded));
  EXPECT_EQ(web.PackageToken(true), "PRODUCT-TOKEN-1");
  EXPECT_EQ(web.AgentExeName(), "agent.exe");
  EXPECT_TRUE(web.HasAgent());
  EXPECT_EQ(web.trailer.FilesCount, 0);

  // A real file of another product does not match.
  PackageSpec other = Full();
  other.output = dir_ / "other.exe";
  other.internet_info->setup_token = "SETUP-TOKEN-2";
  ASSERT_TRUE(WritePackage(other).ok());
  EXPECT_FALSE(web.SameSetupToken(TGFileInfo(other.output.string())));
}

}  // namespace
}  // namespace velkor::pack::testing
