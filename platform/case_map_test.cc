#include "platform/case_map.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace tv {
namespace {

struct Case {
  char16_t unit, upper;
};

const Case kCases[] = {
    {u'a', u'A'}, {u'z', u'Z'}, {u'A', u'A'}, {u'é', u'É'}, {u'ａ', u'Ａ'},
    {u'ω', u'Ω'}, {u'ÿ', u'Ÿ'}, {u'ı', u'I'}, {u'ſ', u'S'}, {u'µ', u'Μ'},
    {u'ǆ', u'Ǆ'}, {u'ǅ', u'Ǆ'},  // title case goes to upper case too
    {u'ß', u'ß'},                // its upper case "SS" is two characters
    {u'ŉ', u'ŉ'}, {u'ΐ', u'ΐ'},  // likewise only full mappings
    {u'ⓐ', u'Ⓐ'}, {u'ⴀ', u'Ⴀ'}, {u'ꭰ', u'Ꭰ'}, {u'ᲀ', u'В'},
    {u'0', u'0'}, {u'9', u'9'}, {u'_', u'_'}, {u'\0', u'\0'},
    {u'あ', u'あ'}, {u'ア', u'ア'}, {u'ｱ', u'ｱ'}, {u'日', u'日'},
    {0xE000, 0xE000}, {0xFFFF, 0xFFFF},
};

void CheckCases() {
  for (const Case& c : kCases) {
    EXPECT_EQ(ToUpperUnit(c.unit), c.upper) << std::hex << static_cast<int>(c.unit);
  }
}

TEST(CaseMapTest, SimpleUpperCase) { CheckCases(); }

TEST(CaseMapTest, SameInEveryLocale) {
  std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"C", "C.UTF-8", "tr_TR.UTF-8", "ja_JP.UTF-8"}) {
    if (!std::setlocale(LC_ALL, name)) continue;  // not installed here
    SCOPED_TRACE(name);
    CheckCases();
  }
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(CaseMapTest, SurrogatesUnchanged) {
  for (char32_t unit = 0xD800; unit <= 0xDFFF; ++unit) {
    ASSERT_EQ(ToUpperUnit(static_cast<char16_t>(unit)), unit);
  }
}

TEST(CaseMapTest, UpperCaseIsStable) {
  // Mapping an upper case again changes nothing, for every unit: catches a
  // table that is shifted or built from the wrong column.
  int changed = 0;
  for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
    char16_t upper = ToUpperUnit(static_cast<char16_t>(unit));
    if (upper != unit) ++changed;
    ASSERT_EQ(ToUpperUnit(upper), upper) << std::hex << static_cast<int>(unit);
  }
  EXPECT_GT(changed, 1000);
}

}  // namespace
}  // namespace tv
