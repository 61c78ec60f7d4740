// Bar lists: descriptor strings, language entries, button captions and settings values are all
// bar lists read from files. Reading must stay inside the text, and setting an item must keep
// every other item as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "support/bar_list.h"

using namespace velkor;

namespace {

// Separators counted over the whole list, NUL bytes included.
std::size_t FullCount(const std::string& list) {
  if (list.empty() || list.front() != list.back()) return 0;
  std::size_t n = 0;
  for (std::size_t i = 1; i < list.size(); ++i) n += list[i] == list[0];
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  // Indexes come from the program, never from input, so a small range covers them.
  const int index = fdp.ConsumeIntegralInRange<int>(-2, 300);
  const std::string value = fdp.ConsumeRandomLengthString(64);
  const std::string name = fdp.ConsumeRandomLengthString(32);
  const std::string list = fdp.ConsumeRemainingBytesAsString();

  const int count = BarListCount(list);
  VELKOR_FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) <= list.size());
  for (int i = -1; i <= count; ++i) {
    const std::string item = BarListItem(list, i, "\x01");
    VELKOR_FUZZ_CHECK(item == "\x01" || item.size() < list.size());
    (void)BarListItemInt(list, i, -7);
  }
  const std::string v = BarListValue(list, name, "\x01");
  VELKOR_FUZZ_CHECK(v == "\x01" || v.size() < list.size());
  VELKOR_FUZZ_CHECK(PosText(name, list) <= list.size());

  const std::string set = BarListSetItem(list, index, value);
  if (set == list) return 0;  // no separator free: left unchanged on purpose, even when empty
  VELKOR_FUZZ_CHECK(!set.empty() && set.front() == set.back());
  if (index >= 0) {
    VELKOR_FUZZ_CHECK(BarListItem(set, index, "\x01") == (value.empty() ? "\x01" : value));
    const std::size_t expected =
        FullCount(list) > static_cast<std::size_t>(index) ? FullCount(list) : index + 1u;
    VELKOR_FUZZ_CHECK(FullCount(set) == expected);
  }
  // In a well-formed list every other item survives the change.
  for (std::size_t i = 0; i < FullCount(list); ++i) {
    if (static_cast<int>(i) == index) continue;
    VELKOR_FUZZ_CHECK(BarListItem(set, static_cast<int>(i), "") ==
                      BarListItem(list, static_cast<int>(i), ""));
  }
  return 0;
}
