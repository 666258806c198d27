#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tools/kanvo/char_convert.h"
#include "tools/kanvo/convert.h"

namespace kanvo {
namespace {

using namespace std::string_literals;
using Converter = ConvStatus (*)(std::string_view, std::string*);

#define ESC "\x1B"

// Converts an exact-size heap copy, so that a look past the end shows under
// the address sanitizer; checks the zero byte after the result.
std::string Convert(Converter convert, const std::string& input) {
  std::unique_ptr<char[]> copy(new char[input.size()]);
  std::copy(input.begin(), input.end(), copy.get());
  std::string output = "stale";
  EXPECT_EQ(convert(std::string_view(copy.get(), input.size()), &output), CONV_OK);
  EXPECT_EQ(output.c_str()[output.size()], '\0');
  return output;
}

struct Case {
  const char* name;
  std::string input;
  std::string expected;
};

void RunCases(Converter convert, const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) {
    EXPECT_EQ(Convert(convert, c->input), c->expected) << c->name;
  }
}

TEST(EucToSjisTest, Cases) {
  const Case cases[] = {
      {"empty", "", ""},
      {"ASCII and line breaks", "abc\r\n\t", "abc\r\n\t"},
      {"hiragana", "\xA4\xA2\xA4\xA4", "\x82\xA0\x82\xA2"},
      {"kanji of the second level", "\xB4\xC1\xBB\xFA", "\x8A\xBF\x8E\x9A"},
      {"last row", "\xF4\xA6", "\xEA\xA4"},
      {"half-width katakana", "\x8E\xB1\x8E\xDF", "\xB1\xDF"},
      {"JIS X 0212 becomes the mark", "\x8F\xA1\xA1" "A", "\x81\xA1" "A"},
      {"JIS X 0212 cut off", "a\x8F\xA1", "a\x81\xA1"},
      {"bytes up to 0xA0 copied", "\x80\x90\xA0\x8D", "\x80\x90\xA0\x8D"},
      {"lead at the end pairs with zero", "\xA4", "\x82\xFE"},
      {"0x8E at the end writes nothing", "a\x8E", "a"},
  };
  RunCases(EucToSjis, std::begin(cases), std::end(cases));
}

TEST(JisToSjisTest, Cases) {
  const Case cases[] = {
      {"empty", "", ""},
      {"plain ASCII", "abc\r\n", "abc\r\n"},
      {"katakana set", ESC "(I" "\x31\x5F" ESC "(B" "a", "\xB1\xDF" "a"},
      {"two-byte set", ESC "$B" "\x25\x2C", "\x83\x4B"},
      {"two-byte and back", ESC "$B" "\x30\x21\x24\x22" ESC "(B" "a\r\n",
       "\x88\x9F\x82\xA0" "a\r\n"},
      {"old two-byte set", ESC "$@" "\x30\x21", "\x88\x9F"},
      {"JIS X 0212 by the same formula", ESC "$(D" "\x30\x21", "\x88\x9F"},
      {"JIS X 0213 planes", ESC "$(O" "\x30\x21" ESC "$(P" "\x30\x21", "\x88\x9F\x88\x9F"},
      {"1990 set with its announcer", ESC "&@" ESC "$B" "\x30\x21", "\x88\x9F"},
      {"Roman and old single-byte sets", ESC "$B\x30\x21" ESC "(J" "a" ESC "(H" "b",
       "\x88\x9F" "ab"},
      {"unrecognised escape", "a" ESC "xb", "axb"},
      {"unrecognised escape ends two-byte text", ESC "$B\x30\x21" ESC "x\x30\x21", "\x88\x9F" "x\x30\x21"},
      {"escape cut off", "a" ESC "$", "a$"},
      {"ESC at the end", "a" ESC, "a"},
      {"announcer cut off", ESC "&@" ESC "$", "&@$"},
      {"odd byte pairs with zero", ESC "$B" "\x30", "\x88\x7E"},
      {"ESC as a second half", ESC "$B" "\x30\x1B" "(B", "\x88\x99\x84\xC0"},
      {"shift bytes copied", "\x0E" "a\x0F", "\x0E" "a\x0F"},
  };
  RunCases(JisToSjis, std::begin(cases), std::end(cases));
}

TEST(SjisToEucTest, Cases) {
  const Case cases[] = {
      {"empty", "", ""},
      {"ASCII", "abc\r\n", "abc\r\n"},
      {"hiragana", "\x82\xA0", "\xA4\xA2"},
      {"kanji", "\x8A\xBF\x8E\x9A", "\xB4\xC1\xBB\xFA"},
      {"half-width katakana", "\xB1" "a\xDF", "\x8E\xB1" "a\x8E\xDF"},
      {"bytes outside the grammar", "\x80\xA0\xF0\xFF", "\x80\xA0\xF0\xFF"},
      {"katakana byte as a trail", "\x83\xB1", "\xA6\xB3"},
  };
  RunCases(SjisToEuc, std::begin(cases), std::end(cases));
}

TEST(SjisToJisTest, Cases) {
  const Case cases[] = {
      {"empty", "", ""},
      {"ASCII needs no escape", "abc\r\n", "abc\r\n"},
      {"voiced katakana", "\xB6\xDE", ESC "$B" "\x25\x2C" ESC "(B"},
      {"voiced mark alone", "\xDE", ESC "$B" "\x21\x2B" ESC "(B"},
      {"semi-voiced mark not absorbed", "\xCF\xDF", ESC "$B" "\x25\x5E\x21\x2C" ESC "(B"},
      {"semi-voiced katakana", "\xCA\xDF", ESC "$B" "\x25\x51" ESC "(B"},
      {"vowel with no voiced form", "\xB3\xDE", ESC "$B" "\x25\x26\x21\x2B" ESC "(B"},
      {"back before the line break", "\x82\xA0\r\n", ESC "$B" "\x24\x22" ESC "(B" "\r\n"},
      {"one run for neighbours", "a\x82\xA0\xB1\x82\xA2" "b",
       "a" ESC "$B" "\x24\x22\x25\x22\x24\x24" ESC "(B" "b"},
      {"byte outside the grammar", "\x82\xA0\xF0", ESC "$B" "\x24\x22" ESC "(B" "\xF0"},
      {"mark at the very end", "\xB6", ESC "$B" "\x25\x2B" ESC "(B"},
  };
  RunCases(SjisToJis, std::begin(cases), std::end(cases));
}

TEST(JisEucConvertersTest, MissingOutputPlace) {
  for (Converter convert : {EucToSjis, JisToSjis, SjisToEuc, SjisToJis}) {
    EXPECT_EQ(convert("abc", nullptr), CONV_ERR_PARAM);
  }
}

TEST(ParseEscapeTest, Forms) {
  struct EscapeCase {
    std::string text;
    EscapeClass kind;
    size_t length;
  };
  const EscapeCase cases[] = {
      {ESC "$@", ESC_TWO_BYTE, 3},           {ESC "$B", ESC_TWO_BYTE, 3},
      {ESC "$(D", ESC_TWO_BYTE, 4},          {ESC "$(O", ESC_TWO_BYTE, 4},
      {ESC "$(P", ESC_TWO_BYTE, 4},          {ESC "&@" ESC "$B", ESC_TWO_BYTE, 6},
      {ESC "(I", ESC_KATAKANA, 3},           {ESC "(B", ESC_SINGLE_BYTE, 3},
      {ESC "(J", ESC_SINGLE_BYTE, 3},        {ESC "(H", ESC_SINGLE_BYTE, 3},
      {ESC "(Bxyz", ESC_SINGLE_BYTE, 3},     {ESC "$A", ESC_UNRECOGNISED, 1},
      {ESC "$(Q", ESC_UNRECOGNISED, 1},      {ESC "&@" ESC "$@", ESC_UNRECOGNISED, 1},
      {ESC "&@" ESC, ESC_UNRECOGNISED, 1},   {ESC "(", ESC_UNRECOGNISED, 1},
      {ESC, ESC_UNRECOGNISED, 1},            {ESC "$\0B"s, ESC_UNRECOGNISED, 1},
  };
  for (const EscapeCase& c : cases) {
    Escape escape = ParseEscape(c.text);
    EXPECT_EQ(escape.kind, c.kind) << c.text.substr(1);
    EXPECT_EQ(escape.length, c.length) << c.text.substr(1);
  }
}

TEST(SjisPairToJisTest, InverseOfJisPairToSjisOverEveryValidPair) {
  for (int lead = 0x81; lead <= 0xEF; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      uint8_t j1 = static_cast<uint8_t>(lead), j2 = static_cast<uint8_t>(trail);
      SjisPairToJis(&j1, &j2);
      ASSERT_TRUE(j1 >= 0x21 && j1 <= 0x7E && j2 >= 0x21 && j2 <= 0x7E) << lead << " " << trail;
      uint8_t back[2];
      JisPairToSjis(j1, j2, back);
      ASSERT_EQ(back[0], lead);
      ASSERT_EQ(back[1], trail);
    }
  }
}

TEST(HalfToFullKatakanaTest, VoicedFormsFollowTheirPlainForms) {
  // In the full-width rows a voiced katakana comes right after its plain
  // form, a semi-voiced one two after it.
  for (int b = 0xA1; b <= 0xDF; ++b) {
    uint8_t plain[2], voiced[2], semi[2];
    EXPECT_FALSE(HalfToFullKatakana(static_cast<uint8_t>(b), -1, plain));
    bool has_voiced = HalfToFullKatakana(static_cast<uint8_t>(b), 0xDE, voiced);
    bool has_semi = HalfToFullKatakana(static_cast<uint8_t>(b), 0xDF, semi);
    int code = plain[0] << 8 | plain[1];
    bool voiceable = (b >= 0xB6 && b <= 0xC4) || (b >= 0xCA && b <= 0xCE);
    EXPECT_EQ(has_voiced, voiceable) << b;
    EXPECT_EQ(has_semi, b >= 0xCA && b <= 0xCE) << b;
    EXPECT_EQ(voiced[0] << 8 | voiced[1], voiceable ? code + 1 : code) << b;
    EXPECT_EQ(semi[0] << 8 | semi[1], has_semi ? code + 2 : code) << b;
    EXPECT_EQ(plain[0], b >= 0xA6 && b != 0xB0 && b <= 0xDD ? 0x83 : 0x81) << b;
  }
  uint8_t full[2];
  HalfToFullKatakana(0xB1, -1, full);
  EXPECT_EQ(full[0] << 8 | full[1], 0x8341);  // ア
  HalfToFullKatakana(0xDD, -1, full);
  EXPECT_EQ(full[0] << 8 | full[1], 0x8393);  // ン
  HalfToFullKatakana(0xA6, -1, full);
  EXPECT_EQ(full[0] << 8 | full[1], 0x8392);  // ヲ
}

}  // namespace
}  // namespace kanvo
