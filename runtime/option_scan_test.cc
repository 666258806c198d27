#include "runtime/option_scan.h"

#include <gtest/gtest.h>

#include <string>

namespace tv {
namespace {

TEST(OptionScanTest, ScansLikeTheFilters) {
  struct Case {
    std::u16string line;
    bool help;
    std::u16string set;       // letters expected, upper case
    const char16_t* file;     // expected file argument text, or null
  } cases[] = {
      {u"", false, u"", nullptr},
      {u"a.txt", false, u"", u"a.txt"},
      {u"/R/U", false, u"RU", nullptr},
      {u"/r /u  a.txt", false, u"RU", u"a.txt"},
      {u"/Ua.txt", false, u"U", u"a.txt"},
      {u"/X a.txt", false, u"", u"X a.txt"},     // unknown letter begins the name
      {u"/ /R a", false, u"R", u"a"},            // a slash before a blank is skipped
      {u"//R", false, u"R", nullptr},
      {u"/R /", false, u"R", nullptr},           // final slash ignored
      {u"/R /H a.txt", true, u"R", nullptr},
      {u"/h", true, u"", nullptr},
      {u"a.txt /H", false, u"", u"a.txt /H"},    // after the name, all is name
      {u"\t/q\tb", false, u"Q", u"b"},
  };
  for (const Case& c : cases) {
    OptionScan scan = ScanOptions(c.line.c_str(), u"RUQ");
    EXPECT_EQ(scan.help, c.help) << std::string(c.line.begin(), c.line.end());
    if (c.help) continue;
    for (char16_t letter : std::u16string(u"RUQ")) {
      EXPECT_EQ(scan.Has(letter), c.set.find(letter) != std::u16string::npos);
    }
    if (c.file == nullptr) {
      EXPECT_EQ(scan.file_argument, nullptr);
    } else {
      ASSERT_NE(scan.file_argument, nullptr);
      EXPECT_EQ(std::u16string(scan.file_argument), c.file);
    }
  }
}

TEST(OptionScanTest, LettersOfAnotherToolAreNotOptions) {
  OptionScan scan = ScanOptions(u"/R a", u"U");
  EXPECT_FALSE(scan.Has(u'R'));
  ASSERT_NE(scan.file_argument, nullptr);
  EXPECT_EQ(std::u16string(scan.file_argument), u"R a");
}

}  // namespace
}  // namespace tv
