#include "platform/shown_name.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(ShownNameTest, ControlCharactersShowAsQuestionMarks) {
  // Every unit below U+00A0 and the escaped bytes of that range, against
  // the rule written out once.
  for (char32_t u = 0; u < 0xA0; ++u) {
    bool control = u < 0x20 || (u >= 0x7F && u <= 0x9F);
    std::u16string name = u"a" + std::u16string(1, static_cast<char16_t>(u)) + u"b";
    EXPECT_EQ(ShownName(name)[1], control ? u'?' : static_cast<char16_t>(u)) << int(u);
  }
  EXPECT_EQ(ShownName(std::u16string_view(u"\xDC9B\xDCA0日\x3000")), u"?\xDCA0日\x3000");
  EXPECT_EQ(ShownName(std::string_view("x\x1b[8m\xc2\x85\x9b\xff 日.txt")), "x?[8m??\xff 日.txt");
}

}  // namespace
}  // namespace tv
