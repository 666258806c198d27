#include "platform/utf16.h"

#include <gtest/gtest.h>

#include <random>

namespace tv {
namespace {

TEST(Utf16Test, DecodesAndEncodesValidText) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"", u""},
      {"abc", u"abc"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", u"日本"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xC3\xA9\xEF\xBD\x81", u"éａ"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
  }
}

TEST(Utf16Test, InvalidBytesBecomeEscapesAndComeBack) {
  struct Case {
    std::string bytes;
    std::u16string expected;
  } cases[] = {
      {"\xFF", u"\xDCFF"},
      {"a\x80z", u"a\xDC80z"},
      {"\xC0\xAF", u"\xDCC0\xDCAF"},              // overlong slash
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},    // encoded surrogate
      {"\xE6\x97", u"\xDCE6\xDC97"},              // cut sequence
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
      {"\x93\xFA\x96\x7B", u"\xDC93\xDCFA\xDC96\x7B"},    // Shift_JIS bytes
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(c.bytes)), c.bytes);
  }
}

TEST(Utf16Test, AnyByteStringSurvivesTheRoundTrip) {
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    std::string bytes(rng() % 24, '\0');
    for (char& b : bytes) b = static_cast<char>(rng() % 256);
    ASSERT_EQ(Utf16ToUtf8(Utf8ToUtf16(bytes)), bytes);
  }
}

TEST(Utf16Test, LoneSurrogatesThatAreNoEscapesBecomeReplacement) {
  EXPECT_EQ(Utf16ToUtf8(u"\xD800"), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(u"\xDC00x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(u"\xDFFF"), "\xEF\xBF\xBD");
  // A high surrogate with an escape-range low surrogate is a pair.
  EXPECT_EQ(Utf16ToUtf8(u"\xD800\xDC80"), "\xF0\x90\x82\x80");
}

}  // namespace
}  // namespace tv
