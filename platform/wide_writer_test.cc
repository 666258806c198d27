#include "platform/wide_writer.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/utf16.h"

namespace tv {
namespace {

TEST(WideWriterTest, EncodesUtf16AsUtf8) {
  struct Case {
    std::u16string text;
    std::string expected;
  } cases[] = {
      {u"abc", "abc"},
      {u"日本", "\xE6\x97\xA5\xE6\x9C\xAC"},
      {u"\xDC93\xDCFA", "\x93\xFA"},     // escaped bytes go out as bytes
      {u"\xDC00", "\xEF\xBF\xBD"},       // other lone surrogates do not
      {u"\xD83D", "\xEF\xBF\xBD"},       // unfinished pair at the end
      {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
      {u"a\rb\n", "a\rb\n"},
      {u"ab\xD83D" u"cd", "ab\xEF\xBF\xBD" "cd"},  // a high surrogate cut off by ASCII
      {u"ab\xD83D\xDE00" u"cd\x00e9", "ab\xF0\x9F\x98\x80" "cd\xC3\xA9"},
  };
  for (const Case& c : cases) {
    StringSink sink;
    {
      WideWriter out(&sink);
      EXPECT_TRUE(out.PutString(c.text));
      EXPECT_TRUE(out.Flush());
    }
    EXPECT_EQ(sink.bytes(), c.expected);
  }
}

TEST(WideWriterTest, PairWrittenUnitByUnitIsOneCharacter) {
  StringSink sink;
  WideWriter out(&sink);
  out.PutUnit(0xD800);
  out.PutUnit(0xDC80);  // in the escape range, but it completes a pair
  out.PutLine(u"x");
  out.Printf(u"%d-%s\n", {7, u"y"});
  out.PutNarrow("\x93\xFA");
  ASSERT_TRUE(out.Flush());
  EXPECT_EQ(sink.bytes(), "\xF0\x90\x82\x80x\n7-y\n\xE6\x97\xA5");
}

TEST(WideWriterTest, FailureShowsAtTheLatestOnFlush) {
  StringSink sink;
  sink.set_capacity(3);
  WideWriter out(&sink);
  EXPECT_TRUE(out.PutString(u"abcdef"));  // still buffered
  EXPECT_FALSE(out.Flush());
  EXPECT_TRUE(out.failed());
  EXPECT_FALSE(out.PutUnit(u'x'));
}

TEST(WideWriterTest, FailureShowsWhenTheBufferFills) {
  StringSink sink;
  sink.set_capacity(10);
  WideWriter out(&sink);
  bool ok = true;
  for (int i = 0; i < 100000 && ok; ++i) ok = out.PutLine(u"some text");
  EXPECT_FALSE(ok);
}

TEST(WideWriterTest, LongMixedTextCrossesBufferEdgesIntact) {
  // Pairs, lone halves and escaped bytes land on every buffer edge.
  const char16_t alphabet[] = {u'a', u'\n', 0xE9, 0x65E5, 0xD83D, 0xDE00, 0xDC93, 0xDC00, 0};
  std::mt19937 rng(3);
  std::u16string text;
  for (int i = 0; i < 300000; ++i) {
    // Stretches of ASCII between the rest, so runs of every length occur.
    if (rng() % 2 == 0) {
      text.append(rng() % 40, static_cast<char16_t>(u'A' + rng() % 26));
    } else {
      text.push_back(alphabet[rng() % 9]);
    }
  }
  StringSink by_string, by_unit;
  {
    WideWriter out(&by_string);
    for (size_t i = 0; i < text.size(); i += 1000) out.PutString(std::u16string_view(text).substr(i, 1000));
    ASSERT_TRUE(out.Flush());
    WideWriter unit_out(&by_unit);
    for (char16_t u : text) unit_out.PutUnit(u);
    ASSERT_TRUE(unit_out.Flush());
  }
  std::string expected = Utf16ToUtf8(text);
  EXPECT_EQ(by_string.bytes(), expected);
  EXPECT_EQ(by_unit.bytes(), expected);
}

}  // namespace
}  // namespace tv
