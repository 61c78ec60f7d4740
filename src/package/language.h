#pragma once
// Language choice for the texts a package carries. One language entry is chosen per process, at
// the first text lookup, from the system's language with English as the fallback, and kept.
#include <cstdint>
#include <string>

namespace velkor {

// Every known language as a bar list of rows "NAME    = code", in the order they are searched.
const std::string& LanguageIdTable();

// Name of the language of `locale_id` as found in LanguageIdTable ("" when no row matches). The
// primary id is the low 10 bits, 9 (English) when the language part (low 16 bits) is 0; rows are
// searched by the id's decimal digits (at least two) anywhere in the row.
std::string SystemLanguageName(std::uint32_t locale_id);

// The locale id the process read at start; the stub sets it from the thread's locale before the
// first text lookup (0 until then, which reads as English).
void SetSystemLocaleId(std::uint32_t locale_id);
std::uint32_t SystemLocaleId();
// SystemLanguageName of SystemLocaleId().
std::string SystemLanguageName();

// The entry of `language_table` whose item 0 equals `name` (trimmed, ignoring ASCII case); "*"
// when none does, except that a table of exactly one entry answers every name with that entry.
std::string FindLanguageEntry(const std::string& name, const std::string& language_table);

// The process-wide chosen entry: "" until the first lookup, "*" when no entry applies.
const std::string& CurrentLanguageEntry();
// Fills CurrentLanguageEntry from `language_table` unless it is already set; returns it.
const std::string& ChooseLanguageEntry(const std::string& language_table);
// Forgets the chosen entry, so the next lookup chooses again (tests start each case clean).
void ResetCurrentLanguageEntry();

// The text for `key` in the chosen entry, or `def` (a key with an empty value gives "").
std::string LangTextFrom(const std::string& language_table, const std::string& key,
                         const std::string& def);

}  // namespace velkor
