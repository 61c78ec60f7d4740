// Whole package files: trailer, end offset, descriptor strings, checksum, and every accessor the
// stub reads from them. The file-based readers are checked against the in-memory ones, which must
// agree on every input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "package/file_info.h"
#include "package/language.h"
#include "package/package_reader.h"
#include "package/read_only_file.h"
#include "package/token.h"
#include "package/trailer.h"

using namespace velkor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFile scratch("package");
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string& path = scratch.Write(bytes);

  {
    ReadOnlyFile file(path);
    VELKOR_FUZZ_CHECK(file.is_open());
    VELKOR_FUZZ_CHECK(file.size() == static_cast<std::int64_t>(size));
    VELKOR_FUZZ_CHECK(IsPEImage(file) == IsPEImageHead(bytes));
    VELKOR_FUZZ_CHECK(ReadEndOffset(file) == ReadEndOffsetInImage(bytes));
  }

  Trailer record;
  const bool found = ReadTrailer(path, &record);
  if (found) {
    VELKOR_FUZZ_CHECK(record.TrailerSize >= 4 && record.TrailerSize <= 74);
    VELKOR_FUZZ_CHECK(record.DescriptorCount != 0);
    // The stub sums the file in blocks from disk, the writer sums its image in memory: a
    // difference would reject good packages or accept damaged ones.
    VELKOR_FUZZ_CHECK(PackageChecksum(path, record.TrailerSize) ==
                      PackageChecksumOfImage(bytes, record.TrailerSize));
  }

  // Each input starts with no language chosen, so the choice itself is exercised too.
  ResetCurrentLanguageEntry();
  const TGFileInfo info(path);
  if (!info.HasPackage()) {
    VELKOR_FUZZ_CHECK(info.LanguageTable.empty() && info.PackageInfo.empty() &&
                      info.InternetInfo.empty());
  } else {
    VELKOR_FUZZ_CHECK(found);
    const std::size_t strings =
        info.LanguageTable.size() + info.PackageInfo.size() + info.InternetInfo.size();
    VELKOR_FUZZ_CHECK(strings <= size);
    VELKOR_FUZZ_CHECK(info.trailer.DataOffset >= 0 &&
                      static_cast<std::size_t>(info.trailer.DataOffset) <= size);
  }

  // Every accessor, as the start-up, setup run and agent call them.
  std::size_t sink = 0;
  sink += info.InfoUrl().size() + info.InfoFileName().size() + info.OriginalFileName().size();
  sink += info.AgentExeName().size() + info.PackageToken(false).size();
  sink += info.PackageToken(true).size() + info.SetupUrl().size() + info.SetupFileName().size();
  sink += info.SetupSize().size() + info.SetupToken(false).size() + info.SetupToken(true).size();
  sink += info.RunHidden() + info.AlwaysDownload() + info.ConfirmTempDrive() + info.MultiVolume();
  sink += info.SpanCd() + info.ShowActivityBar() + info.TraceLog() + info.InternetPackage();
  sink += info.AskBeforeDownload() + info.HasAgent() + info.ThisIs_AutoUpdateProg();
  VELKOR_FUZZ_CHECK(info.OriginalFileName().size() >= 9);
  const bool valid_setup_token = [&] {
    std::string plain;
    return TryUnscrambleToken(info.SetupToken(false), &plain);
  }();
  VELKOR_FUZZ_CHECK(info.SameSetupToken(info) == valid_setup_token);
  for (std::uint64_t cluster : {0ull, 511ull, 512ull, 4096ull, 65536ull, 1ull << 40})
    sink += static_cast<std::size_t>(info.RequiredSpaceForClusterSize(cluster) > 0);
  for (const char* key : {"s0", "s1", "s8", "s11", "BtnText", "Attention"})
    sink += info.GetLangText(key, "default").size();
  sink += static_cast<std::size_t>(info.LangCharset() + info.LangFontSize());
  sink += info.LangFontName().size();
  (void)sink;
  return 0;
}
