// Feeds arbitrary bytes to the list, switch, path and scrambling routines. Besides the sanitizers'
// checks it asserts the properties callers rely on: a set item reads back, other items survive a
// set, and scrambling round-trips.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/bar_list.h"
#include "support/scrambled_text.h"
#include "support/switches.h"
#include "support/text.h"

using namespace velkor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int index = static_cast<int>(data[0] % 12) - 2;
  const std::string all(reinterpret_cast<const char*>(data + 1), size - 1);
  // The rest of the input, cut into three texts of (nearly) equal length.
  const std::size_t a = all.size() / 3;
  const std::string list = all.substr(0, a);
  const std::string value = all.substr(a, a);
  const std::string other = all.substr(2 * a);

  const int count = BarListCount(list);
  const std::string set = BarListSetItem(list, index, value);
  if (index >= 0 && set != list) {
    // A value holding NUL cannot be read back past the count's NUL stop; everything else must.
    if (!value.empty() && value.find('\0') == std::string::npos &&
        BarListItem(set, index, "") != value) {
      std::abort();
    }
    for (int i = 0; i < count && i < 8; ++i) {
      if (i != index && BarListItem(set, i, "") != BarListItem(list, i, "")) std::abort();
    }
  }
  (void)BarListItemInt(list, index, -1);
  (void)BarListValue(list, value, "d");

  (void)GetCommandTail(list, value);
  (void)GetSwitchValue(list, value);
  (void)GetSwitchInt(list, value, 0);

  (void)ReplaceStr(list, value, other);
  (void)ReplaceText(list, value, other);
  (void)PosTextFrom(value, list, static_cast<std::size_t>(data[0]));
  (void)ReversedPosText(value, list);
  (void)StripEnclosing(list, value.empty() ? '"' : value[0], data[0] & 1, data[0] & 2);
  (void)ExpandEscapes(list);
  (void)HexToInt64(list);
  (void)CollapseBackslashes(list, data[0] & 1);
  (void)CollapseBackslashes(list, data[0] & 2, [](unsigned char b) { return b >= 0x81; });
  (void)SetTrailingSlash(list, data[0] & 1);

  if (UnscrambleText(ScrambleText(value, static_cast<char>(data[0]))) != value) std::abort();
  (void)UnscrambleText(list);
  return 0;
}
