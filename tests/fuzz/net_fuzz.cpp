// What a web server sends back: the body of a would-be file (tested for an HTML error page), a
// Content-Range answer to a resumed download, sizes and dates from headers that end up in the
// progress texts and the partial file's name.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "net/download_progress.h"

using namespace velkor;

namespace {

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  const auto remote_size = fdp.ConsumeIntegral<std::int32_t>();
  const auto date = fdp.ConsumeIntegral<std::int32_t>();
  const auto offset = fdp.ConsumeIntegral<std::int32_t>();
  const auto status = fdp.ConsumeIntegral<std::int32_t>();
  const auto now = fdp.ConsumeIntegral<std::uint32_t>();
  const std::string header = fdp.ConsumeRandomLengthString(64);
  const std::string body = fdp.ConsumeRemainingBytesAsString();

  // Tags are found in any case.
  VELKOR_FUZZ_CHECK(IsHtmlErrorPage(body) == IsHtmlErrorPage(LowerAscii(body)));

  // Only the exact answer to our own range request resumes a download.
  const bool resumes = ResumeAnswerMatches(status, header, offset, remote_size);
  if (resumes) {
    VELKOR_FUZZ_CHECK(status == 206 && offset > 0 && offset < remote_size);
    VELKOR_FUZZ_CHECK(header == "bytes " + std::to_string(offset) + "-" +
                                    std::to_string(remote_size - 1) + "/" +
                                    std::to_string(remote_size));
  }
  if (offset > 0 && offset < remote_size) {
    const std::string exact = "bytes " + std::to_string(offset) + "-" +
                              std::to_string(remote_size - 1) + "/" + std::to_string(remote_size);
    VELKOR_FUZZ_CHECK(ResumeAnswerMatches(206, exact, offset, remote_size));
    VELKOR_FUZZ_CHECK(!ResumeAnswerMatches(200, exact, offset, remote_size));
  }

  // The partial file keeps the target's name in front, and its number is the wrapped sum.
  const std::string partial = PartialFileName(header, remote_size, date);
  const auto sum = static_cast<std::int32_t>(static_cast<std::uint32_t>(remote_size) +
                                             static_cast<std::uint32_t>(date));
  VELKOR_FUZZ_CHECK(partial == header + "." + std::to_string(sum));

  // The client computes the chunk from the size it was told and the positions from what is on
  // disk, which can be anything up to the size.
  const std::int32_t chunk = DownloadChunkSize(remote_size);
  VELKOR_FUZZ_CHECK(chunk >= 1 && chunk <= kMaxDownloadChunk);
  if (remote_size > 0) {
    const std::int32_t range = DownloadProgressRange(remote_size, chunk);
    VELKOR_FUZZ_CHECK(range >= 1);
    if (offset >= 0 && offset <= remote_size) {
      const std::int32_t position = DownloadProgressPosition(offset, chunk);
      VELKOR_FUZZ_CHECK(position >= 0 && position <= range);
    }
  }

  DownloadSpeedWindow window;
  window.Reset(now - 1000);
  const std::string text = window.Update(offset, remote_size, chunk, now);
  const std::string head = std::to_string(offset) + "/" + std::to_string(remote_size) + " Bytes   ";
  VELKOR_FUZZ_CHECK(text.compare(0, head.size(), head) == 0);
  for (int i = 0; i < 6; ++i) (void)window.Update(offset, remote_size, date, now + i);
  (void)RangeRequestHeader(offset);
  (void)PackFileDate(status, offset, date, remote_size, now, fdp.ConsumeIntegral<int>());
  return 0;
}
