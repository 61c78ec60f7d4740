#pragma once
// Bar lists: a string whose first character is its separator, items between consecutive
// separators, numbered from 0, the list ending with its separator ("|&OK|&Cancel|" holds two
// items; "|" holds none, "||" one empty item). A named list holds items of the form Name=Value.
// An item cannot contain the list's separator; setting such an item switches the whole list to
// another separator, which every reader follows because it is the first character.
#include <cstddef>
#include <cstdint>
#include <string>

namespace velkor {

// Number of items: the separators after the first character, counted up to the first NUL byte;
// 0 for an empty list and for a malformed one whose last character differs from its first.
int BarListCount(const std::string& list);

// Item `index` (from 0); `def` for an empty list, a negative or too large index, and an empty item.
// Text after the last separator is never an item.
std::string BarListItem(const std::string& list, int index, const std::string& def);

// Item `index` converted as a signed 32-bit decimal; `def` when it is missing or does not convert.
std::int32_t BarListItemInt(const std::string& list, int index, std::int32_t def);

// A new list in which item `index` holds `value`, growing with empty items up to the index (a
// negative index only rebuilds the list). The separator is the first of "|^!~@#$&*" and byte 0xFF
// that occurs in no item; when every candidate occurs, the list is returned unchanged.
std::string BarListSetItem(const std::string& list, int index, const std::string& value);

// Value of the item "Name=Value" whose name matches `name` without regard to case (a blank after
// the separator and before "=" is allowed); `def` when absent or the list is malformed. A name
// that is present with nothing after "=" gives "".
std::string BarListValue(const std::string& list, const std::string& name, const std::string& def);

// Position (1-based) of the first occurrence of `sub` in `text`, both upper-cased (ASCII only);
// 0 if absent or `sub` is empty.
std::size_t PosText(const std::string& sub, const std::string& text);

}  // namespace velkor
