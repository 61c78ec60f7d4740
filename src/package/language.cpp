#include "package/language.h"

#include "support/bar_list.h"
#include "support/text.h"

namespace velkor {


namespace {

struct LanguageRow {
  const char* name;
  const char* code;
};

constexpr LanguageRow kLanguages[] = {
    {"AFRIKAANS", "54"},  {"ALBANIAN", "28"},   {"ARABIC", "01"},     {"BASQUE", "45"},
    {"BELARUSIAN", "35"}, {"BULGARIAN", "02"},  {"CATALAN", "03"},    {"CHINESE", "04"},
    {"CROATIAN", "26"},   {"CZECH", "05"},      {"DANISH", "06"},     {"DUTCH", "19"},
    {"ENGLISH", "09"},    {"ESTONIAN", "37"},   {"FAEROESE", "56"},   {"FARSI", "41"},
    {"FINNISH", "11"},    {"FRENCH", "12"},     {"GERMAN", "07"},     {"GREEK", "08"},
    {"HEBREW", "13"},     {"HUNGARIAN", "14"},  {"ICELANDIC", "15"},  {"INDONESIAN", "33"},
    {"ITALIAN", "16"},    {"JAPANESE", "17"},   {"KOREAN", "18"},     {"LATVIAN", "38"},
    {"LITHUANIAN", "39"}, {"NORWEGIAN", "20"},  {"POLISH", "21"},     {"PORTUGUESE", "22"},
    {"ROMANIAN", "24"},   {"RUSSIAN", "25"},    {"SERBIAN", "26"},    {"SLOVAK", "27"},
    {"SLOVENIAN", "36"},  {"SPANISH", "10"},    {"SWEDISH", "29"},    {"THAI", "30"},
    {"TURKISH", "31"},    {"UKRAINIAN", "34"},  {"VIETNAMESE", "42"},
    {"CHINESE(SIMPLIFIED)", "2052"},  {"CHINESE(TRADITIONAL)", "1028"},
    {"DUTCH(FLEMISH)", "2067"},       {"DUTCH(STANDARD)", "1043"},
    {"PORTUGUESE(PORTUGAL)", "2070"}, {"PORTUGUESE(BRAZIL)", "1046"},
    {"SERBIAN(LATIN)", "2074"},       {"SERBIAN(CYRILIC)", "3098"},
};

std::string BuildLanguageIdTable() {
  std::string table = "|";
  for (const LanguageRow& row : kLanguages) {
    std::string name = row.name;
    // Short names share one column, the long ones with a country another.
    const std::size_t column = name.size() <= 12 ? 13 : 21;
    name.resize(column, ' ');
    table += name + "= " + row.code + "|";
  }
  return table;
}

struct LanguageState {
  std::uint32_t locale_id = 0;
  std::string current_entry;
};

LanguageState& State() {
  static LanguageState state;
  return state;
}

}  // namespace

const std::string& LanguageIdTable() {
  static const std::string table = BuildLanguageIdTable();
  return table;
}

std::string SystemLanguageName(std::uint32_t locale_id) {
  std::uint32_t primary = locale_id & 0x3FF;
  if ((locale_id & 0xFFFF) == 0) primary = 9;
  std::string digits = std::to_string(primary);
  if (digits.size() < 2) digits = "0" + digits;
  const std::string& table = LanguageIdTable();
  const int rows = BarListCount(table);
  for (int i = 0; i < rows; ++i) {
    const std::string row = BarListItem(table, i, "");
    if (row.find(digits) == std::string::npos) continue;
    return Trim(row.substr(0, row.find('=')));
  }
  return "";
}

void SetSystemLocaleId(std::uint32_t locale_id) { State().locale_id = locale_id; }
std::uint32_t SystemLocaleId() { return State().locale_id; }
std::string SystemLanguageName() { return SystemLanguageName(State().locale_id); }

std::string FindLanguageEntry(const std::string& name, const std::string& language_table) {
  const int n = BarListCount(language_table);
  const std::string wanted = UpperAscii(Trim(name));
  for (int i = 0; i < n; ++i) {
    const std::string entry = BarListItem(language_table, i, "");
    if (UpperAscii(Trim(BarListItem(entry, 0, ""))) == wanted) return entry;
  }
  // A package with a single language uses it for every system language.
  if (n == 1) return BarListItem(language_table, 0, "");
  return "*";
}

const std::string& CurrentLanguageEntry() { return State().current_entry; }

const std::string& ChooseLanguageEntry(const std::string& language_table) {
  std::string& entry = State().current_entry;
  if (entry.empty()) {
    entry = FindLanguageEntry(SystemLanguageName(), language_table);
    if (entry == "*") entry = FindLanguageEntry("English", language_table);
  }
  return entry;
}

void ResetCurrentLanguageEntry() { State().current_entry.clear(); }

std::string LangTextFrom(const std::string& language_table, const std::string& key,
                         const std::string& def) {
  const std::string& entry = ChooseLanguageEntry(language_table);
  if (entry.size() > 1) return BarListValue(entry, key, def);
  return def;
}

}  // namespace velkor
