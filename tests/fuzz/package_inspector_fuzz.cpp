// velkor-pack's reader of existing packages (list, check, extract): the same layout as the stub
// reads, walked block by block with inflate, over one or two volume files.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "package_inspector.h"

using namespace velkor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFile first("inspect.exe");
  static fuzz::ScratchFile second("inspect.exe");
  FuzzedDataProvider fdp(data, size);
  // A second volume for the multi-volume walk: the tail of the input, cut where the first byte
  // says; none when that byte is 0.
  const auto split = fdp.ConsumeIntegral<std::uint8_t>();
  std::string bytes = fdp.ConsumeRemainingBytesAsString();
  const std::string volume2_path = first.path() + ".002";
  std::remove(volume2_path.c_str());
  if (split != 0 && bytes.size() > 2) {
    const std::size_t at = bytes.size() * split / 256;
    std::FILE* f = std::fopen(volume2_path.c_str(), "wb");
    if (f == nullptr) fuzz::Fail("cannot write the second volume");
    std::fwrite(bytes.data() + at, 1, bytes.size() - at, f);
    std::fclose(f);
    bytes.resize(at);
  }
  first.Write(bytes);

  std::uint64_t content = 0;
  const pack::PackageReport report =
      pack::InspectPackage(first.path(), [&](const pack::BlockInfo& block, std::string_view piece) {
        VELKOR_FUZZ_CHECK(block.data_size <= size);
        content += piece.size();
      });
  for (const pack::VolumeReport& volume : report.volumes) {
    for (const pack::BlockInfo& block : volume.blocks) {
      VELKOR_FUZZ_CHECK(block.data_size <= size);
      VELKOR_FUZZ_CHECK(block.name.size() <= block.header.size());
    }
  }
  (void)pack::FormatReport(report);
  std::remove(volume2_path.c_str());
  (void)content;
  return 0;
}
