// Package tokens and announcement records: texts that come from downloaded files.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "package/token.h"

using namespace velkor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::string plain;
  const bool valid = TryUnscrambleToken(text, &plain);
  if (valid) {
    // The token is cut out of the decoded bytes: two hex digits per byte.
    VELKOR_FUZZ_CHECK(plain.size() <= text.size() / 2 + 1);
    VELKOR_FUZZ_CHECK(UnscrambleToken(text) == plain);
    VELKOR_FUZZ_CHECK(SameToken(text, text));
  } else {
    VELKOR_FUZZ_CHECK(!SameToken(text, text));
    const std::string random = UnscrambleToken(text);
    VELKOR_FUZZ_CHECK(!random.empty() && random.size() <= 5);
    for (char c : random) VELKOR_FUZZ_CHECK(c >= '0' && c <= '9');
  }

  const TokenRecord record = SplitTokenRecord(text);
  VELKOR_FUZZ_CHECK(record.body.size() <= text.size());
  VELKOR_FUZZ_CHECK(record.token_field.size() <= text.size());
  std::string token, body;
  SplitTokenRecord(text, &token, &body);
  VELKOR_FUZZ_CHECK(body == record.body);

  // Whatever a builder scrambles must come back unchanged, under any seed.
  FuzzedDataProvider fdp(data, size);
  const auto seed = fdp.ConsumeIntegral<std::uint32_t>();
  const std::string original = fdp.ConsumeRemainingBytesAsString();
  const std::string scrambled = ScrambleToken(original, seed);
  std::string back;
  VELKOR_FUZZ_CHECK(TryUnscrambleToken(scrambled, &back));
  VELKOR_FUZZ_CHECK(back == original);
  return 0;
}
