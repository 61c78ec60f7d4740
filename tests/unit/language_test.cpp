#include "package/language.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "package/file_info.h"

namespace velkor {
namespace {

TEST(LanguageIdTable, HasEveryRowInOrder) {
  const std::string& t = LanguageIdTable();
  EXPECT_EQ(t.rfind("|AFRIKAANS    = 54|ALBANIAN     = 28|", 0), 0u);
  EXPECT_NE(t.find("|CHINESE(SIMPLIFIED)  = 2052|"), std::string::npos);
  EXPECT_EQ(t.substr(t.size() - 7), "= 3098|");
  EXPECT_EQ(std::count(t.begin(), t.end(), '|'), 52);
}

TEST(SystemLanguageName, FindsTheRowByDigits) {
  struct Case {
    std::uint32_t locale;
    const char* name;
  } cases[] = {
      {0x0407, "GERMAN"}, {0x0409, "ENGLISH"}, {0x0809, "ENGLISH"}, {7, "GERMAN"},
      {0, "ENGLISH"},  // no language part at all reads as English
      {0x0400, ""},    // primary id 0 but a sublanguage: no row has "00"
      {1, "ARABIC"}, {10, "SPANISH"}, {26, "CROATIAN"}, {43, "DUTCH(STANDARD)"},
      {46, "PORTUGUESE(BRAZIL)"}, {52, "CHINESE(SIMPLIFIED)"}, {67, "DUTCH(FLEMISH)"},
      {70, "PORTUGUESE(PORTUGAL)"}, {74, "SERBIAN(LATIN)"}, {98, "SERBIAN(CYRILIC)"},
      {102, "CHINESE(TRADITIONAL)"}, {104, "DUTCH(STANDARD)"}, {205, "CHINESE(SIMPLIFIED)"},
      {206, "DUTCH(FLEMISH)"}, {207, "PORTUGUESE(PORTUGAL)"}, {309, "SERBIAN(CYRILIC)"},
      {99, ""}, {1023, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(SystemLanguageName(c.locale), c.name);
  }
}

TEST(FindLanguageEntry, MatchesNamesAndFallsBackToASingleEntry) {
  const std::string two = "|~GERMAN~s0=Hallo~|^ english ^s0=Hello^|";
  EXPECT_EQ(FindLanguageEntry("English", two), "^ english ^s0=Hello^");
  EXPECT_EQ(FindLanguageEntry(" german ", two), "~GERMAN~s0=Hallo~");
  EXPECT_EQ(FindLanguageEntry("FRENCH", two), "*");
  EXPECT_EQ(FindLanguageEntry("FRENCH", "|~GERMAN~s0=Hallo~|"), "~GERMAN~s0=Hallo~");
  EXPECT_EQ(FindLanguageEntry("ENGLISH", "*"), "*");
  EXPECT_EQ(FindLanguageEntry("ENGLISH", ""), "*");
}

class LangText : public ::testing::Test {
 protected:
  void SetUp() override { ResetCurrentLanguageEntry(); }
  void TearDown() override {
    ResetCurrentLanguageEntry();
    SetSystemLocaleId(0);
  }
};

TEST_F(LangText, ChoosesTheEntryForTheSystemLanguage) {
  constexpr std::uint32_t kEnglish = 0x0409, kFrench = 0x040C, kGerman = 0x0407;
  struct Case {
    const char* name;
    std::uint32_t locale;
    std::string table;
    const char* key;
    std::string expected;
  } cases[] = {
      {"no entries", kGerman, "*", "s0", "default"},
      {"single entry for any language", kEnglish, "|~GERMAN~s0=Hallo~|", "s0", "Hallo"},
      {"own language", kGerman, "|~ENGLISH~s0=Hello~|~GERMAN~s0=Hallo~|", "s0", "Hallo"},
      {"English fallback", kFrench, "|~GERMAN~s0=Hallo~|~ENGLISH~s0=Hello~|", "s0", "Hello"},
      {"no fallback", kFrench, "|~GERMAN~s0=Hallo~|~SPANISH~s0=Hola~|", "s0", "default"},
      {"empty value", kEnglish, "|~ENGLISH~s1=~s0=x~|", "s1", ""},
      {"missing key", kEnglish, "|~ENGLISH~s1=a~|", "s0", "default"},
      {"key in capitals", kEnglish, "|~ENGLISH~S0=Big~|", "s0", "Big"},
      {"blanks around the key", kEnglish, "|~ENGLISH~ s0 =Spaced~|", "s0", "Spaced"},
      {"unknown system language", 0x0400, "|~GERMAN~s0=Hallo~|~ENGLISH~s0=Hello~|", "s0", "Hello"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetCurrentLanguageEntry();
    SetSystemLocaleId(c.locale);
    TGFileInfo info;
    info.LanguageTable = c.table;
    EXPECT_EQ(info.GetLangText(c.key, "default"), c.expected);
  }
}

TEST_F(LangText, FirstDescriptorFixesTheLanguageForTheProcess) {
  SetSystemLocaleId(0x0407);
  TGFileInfo own, downloaded;
  own.LanguageTable = "|~ENGLISH~s0=Hello~|~GERMAN~s0=Hallo~|";
  downloaded.LanguageTable = "|~ENGLISH~s0=Hi~|";
  EXPECT_EQ(own.GetLangText("s0", "d"), "Hallo");
  EXPECT_EQ(downloaded.GetLangText("s0", "d"), "Hallo");
  EXPECT_EQ(CurrentLanguageEntry(), "~GERMAN~s0=Hallo~");

  // "*" (nothing applies) is kept as well: a later table with entries is not consulted.
  ResetCurrentLanguageEntry();
  TGFileInfo none;
  none.LanguageTable = "*";
  EXPECT_EQ(none.GetLangText("s0", "d"), "d");
  EXPECT_EQ(CurrentLanguageEntry(), "*");
  EXPECT_EQ(own.GetLangText("s0", "d"), "d");
}

TEST_F(LangText, FontAndCharsetValues) {
  TGFileInfo info;
  info.LanguageTable = "|~ENGLISH~Charset=177~FontSize=abc~|";
  EXPECT_EQ(info.LangCharset(), 177);
  EXPECT_EQ(info.LangFontSize(), 8);
  EXPECT_EQ(info.LangFontName(), "Tahoma");
  ResetCurrentLanguageEntry();
  TGFileInfo other;
  other.LanguageTable = "|~ENGLISH~Charset=x~FontSize=12~FontName=Arial~|";
  EXPECT_EQ(other.LangCharset(), 0);
  EXPECT_EQ(other.LangFontSize(), 12);
  EXPECT_EQ(other.LangFontName(), "Arial");
}

}  // namespace
}  // namespace velkor
