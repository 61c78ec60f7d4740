// Language choice and text lookups over a package's language table (descriptor string 1 of a
// downloaded or damaged package) and any locale id.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "package/language.h"

using namespace velkor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  const auto locale = fdp.ConsumeIntegral<std::uint32_t>();
  const std::string name = fdp.ConsumeRandomLengthString(64);
  const std::string key = fdp.ConsumeRandomLengthString(32);
  const std::string table = fdp.ConsumeRemainingBytesAsString();

  const std::string system_name = SystemLanguageName(locale);
  if (!system_name.empty())
    VELKOR_FUZZ_CHECK(LanguageIdTable().find(system_name) != std::string::npos);

  const std::string entry = FindLanguageEntry(name, table);
  VELKOR_FUZZ_CHECK(entry == "*" || entry.size() <= table.size());

  ResetCurrentLanguageEntry();
  SetSystemLocaleId(locale);
  const std::string text = LangTextFrom(table, key, "default");
  VELKOR_FUZZ_CHECK(text == "default" || text.size() <= table.size());
  // Once chosen, the entry stays for the process, whatever table is asked next. (A table whose
  // only entry is empty leaves nothing chosen, and the next table chooses afresh.)
  const std::string chosen = CurrentLanguageEntry();
  if (!chosen.empty()) VELKOR_FUZZ_CHECK(ChooseLanguageEntry("|ENGLISH~s0=x~|") == chosen);
  return 0;
}
