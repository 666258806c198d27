#include "tools/kanvo/detect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>

namespace kanvo {
namespace {

using namespace std::string_literals;

// Runs on an exact-size heap copy, so that a look past the end shows under
// the address sanitizer.
TextCode DetectExact(const std::string& text) {
  std::unique_ptr<char[]> copy(new char[text.size()]);
  std::copy(text.begin(), text.end(), copy.get());
  return DetectInputCode(std::string_view(copy.get(), text.size()));
}

struct DetectCase {
  const char* name;
  std::string input;
  TextCode expected;
};

TEST(DetectInputCodeTest, Cases) {
  const DetectCase cases[] = {
      {"empty", "", CODE_INVALID},
      {"7-bit text", "abc DEF\t~\x7F\r\n", CODE_ASCII},
      {"form feed", "page\x0Cnext", CODE_INVALID},
      {"other control byte", "a\x01z", CODE_INVALID},
      {"JIS two-byte escape", "a\x1B$B\x24\x22\x1B(B", CODE_JIS},
      {"JIS single-byte escape only", "\x1B(Babc", CODE_JIS},
      {"ESC with another byte", "a\x1Bxb", CODE_INVALID},
      {"ESC as the last byte", "abc\x1B", CODE_INVALID},
      {"UTF-16 text", "a\0b\0"s, CODE_UNICODE},
      {"UTF-16 with mark", "\xFF\xFE\x42\x30"s + "a\0"s, CODE_UNICODE},
      {"UTF-16 without a zero byte", "\xFF\xFE\x42\x30", CODE_INVALID},
      {"zero before escape", "a\0\x1B$B"s, CODE_UNICODE},
      {"escape before zero", "\x1B$B\x30\x21\0"s, CODE_JIS},
      {"UTF-8 without mark", "\xE3\x81\x82", CODE_UTF8N},
      {"UTF-8 that is also Shift_JIS", "\xE3\x81\x82\xE3\x81\x84", CODE_UTF8N},
      {"overlong UTF-8 is not UTF-8", "\xC0\x80", CODE_INVALID},
      {"6-byte form is not UTF-8", "\xFC\x80\x80\x80\x80\x80", CODE_INVALID},
      // EUC-JP whose last pair is an overlong form: valid in both legacy codes.
      {"EUC-JP that looked like UTF-8", "=head1 \xCC\xBE\xC1\xB0", CODE_SJIS},
      {"UTF-8 with mark", "\xEF\xBB\xBF\xE3\x81\x82", CODE_UTF8},
      {"mark alone", "\xEF\xBB\xBF", CODE_UTF8},
      {"mark then EUC-JP", "\xEF\xBB\xBF\xB4\xC1", CODE_EUC},
      {"mark then Shift_JIS", "\xEF\xBB\xBF\x82\xA0", CODE_INVALID},
      {"mark then zero byte", "\xEF\xBB\xBF\0a"s, CODE_INVALID},
      {"Shift_JIS", "\x82\xA0\x82\xA2\r\n", CODE_SJIS},
      {"half-width katakana pairs", "\xB1\xB2\xB3\xB4", CODE_SJIS},
      {"Shift_JIS lead at the end", "ab\x82", CODE_SJIS},
      {"Shift_JIS bad trail", "\x82\x20", CODE_INVALID},
      {"UTF-8 cut off by the end", "a\xE3\x81", CODE_SJIS},
      {"EUC-JP", "\xB4\xC1\xBB\xFA", CODE_EUC},
      {"EUC-JP with 0xFE", "\xA4\xA2\xFE\xFE", CODE_EUC},
      {"EUC-JP lead at the end", "\xFE\xFE\xA4", CODE_EUC},
      {"EUC-JP 0x8E at the end", "\xFE\xFE\x8E", CODE_INVALID},
      {"EUC-JP 0x8F cut short", "\xFE\xFE\x8F\xA1", CODE_INVALID},
      {"EUC-JP 0x8F complete", "\xFE\xFE\x8F\xA1\xFE", CODE_EUC},
      {"EUC-JP 0x8E with a bad byte", "\xFE\xFE\x8E\xE0", CODE_INVALID},
      {"neither", "\xFF\xFF", CODE_INVALID},
  };
  for (const DetectCase& c : cases) {
    EXPECT_EQ(DetectExact(c.input), c.expected) << c.name;
  }
}

TEST(DetectInputCodeTest, Utf8LeadLengthFollowsTheLeadingOnes) {
  for (int b = 0; b < 256; ++b) {
    int expected = b < 0xC0   ? -1
                   : b < 0xE0 ? 2
                   : b < 0xF0 ? 3
                   : b < 0xF8 ? 4
                   : b < 0xFC ? 5
                   : b < 0xFE ? 6
                              : -1;
    EXPECT_EQ(Utf8LeadLength(static_cast<uint8_t>(b)), expected) << b;
  }
}

TEST(DetectInputCodeTest, SevenBitFlag) {
  bool seven = false;
  EXPECT_TRUE(IsUtf8Text("plain", &seven));
  EXPECT_TRUE(seven);
  EXPECT_TRUE(IsUtf8Text("a\xC3\xA9", &seven));
  EXPECT_FALSE(seven);
  EXPECT_FALSE(IsUtf8Text("a\xC3", &seven));
  EXPECT_TRUE(IsUtf8Text("", &seven));
  EXPECT_TRUE(seven);
}

// The grammar tests with their shortcuts against the byte-by-byte machines,
// on texts that keep to one code's grammar for long stretches (where the
// shortcuts run) and break it now and then, also at the very end.
TEST(DetectGrammarTest, ShortcutsAgreeWithTheByteByByteMachines) {
  std::mt19937 rng(77);
  auto byte = [&](int low, int high) { return static_cast<char>(low + rng() % (high - low + 1)); };
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    // Every fourth text is long and keeps to its grammar but for the
    // break at the end, so that 64-byte blocks meet every state.
    const bool clean = round % 4 == 0;
    size_t length = rng() % (clean ? 3000 : 300);
    int code = round % 3;
    while (text.size() < length) {
      unsigned pick = rng() % 100;
      if (pick < 30) {
        text += rng() % 2 ? "plain text\r\n" : "\tx~";
      } else if (pick < 90) {
        if (code == 0) {  // UTF-8: two- and three-byte sequences, overlong ones too
          if (rng() % 2) {
            text += byte(0xE0, 0xEF);
            text += byte(0x80, 0xBF);
          } else {
            text += byte(0xC0, 0xDF);
          }
          text += byte(0x80, 0xBF);
        } else if (code == 1) {  // Shift_JIS: pairs and half-width katakana
          text += rng() % 2 ? byte(0x81, 0x9F) : byte(0xE0, 0xEF);
          text += rng() % 2 ? byte(0x40, 0x7E) : byte(0x80, 0xFC);
          if (rng() % 4 == 0) text += byte(0xA1, 0xDF);
        } else {  // EUC-JP: pairs, 0x8E and 0x8F sequences
          text += byte(0xA1, 0xFE);
          text += byte(0xA1, 0xFE);
          if (rng() % 8 == 0) text += "\x8E"s + byte(0xA1, 0xDF);
          if (rng() % 48 == 0) text += "\x8F"s + byte(0xA1, 0xFE) + byte(0xA1, 0xFE);
        }
      } else if (!clean) {
        text += static_cast<char>(rng());  // anything at all
      }
    }
    if (!text.empty() && rng() % 4 == 0) text.resize(rng() % text.size());
    if (clean && rng() % 2) {
      // One stray byte: anywhere, or next to the end of a 64-byte block.
      size_t at = rng() % 2 ? rng() % (text.size() + 1) : 64 * (1 + rng() % 40) - rng() % 2;
      // A Shift_JIS lead alone or before a byte that is no trail, bytes
      // that are only trails, and 0xA0.
      const std::string strays[] = {{static_cast<char>(rng())}, {byte(0xA1, 0xFE)}, "\x8E",
                                    "\x8E"s + byte(0xE0, 0xFE), {byte(0x81, 0x9F)},
                                    byte(0x81, 0x9F) + " "s, {byte(0xF0, 0xFC)}, "\x80", "\xA0"};
      text.insert(std::min(at, text.size()), strays[rng() % std::size(strays)]);
    }
    bool seven = false, seven_plain = true;
    ASSERT_EQ(IsUtf8Text(text, &seven), IsUtf8TextByteByByte(text, &seven_plain)) << round;
    ASSERT_EQ(seven, seven_plain) << round;
    ASSERT_EQ(IsShiftJisText(text), IsShiftJisTextByteByByte(text)) << round;
    ASSERT_EQ(IsEucJpText(text), IsEucJpTextByteByByte(text)) << round;
  }
}

TEST(FallbackInputCodeTest, Cases) {
  const DetectCase cases[] = {
      // 0xFA is no Shift_JIS byte: these can only be EUC-JP.
      {"EUC-JP with a form feed", "\xB4\xC1\x0C\xBB\xFA", CODE_EUC},
      {"EUC-JP with 0x1A, DEL and 0x01", "\x1A\xB4\xC1\x7F\xBB\xFA\x01", CODE_EUC},
      {"Shift_JIS with a form feed", "\x82\xA0\x0C\x82\xA2", CODE_SJIS},
      {"both grammars: Shift_JIS first", "\xE0\xA1\x1A", CODE_SJIS},
      // A control byte is no trail byte, and no byte after 0x8E or 0x8F.
      {"control byte as a Shift_JIS trail", "\x82\x0C\xBB\xFA", CODE_SJIS},
      {"control byte as an EUC-JP trail", "\xF0\xA4\xB4\x0C", CODE_SJIS},
      {"control byte after 0x8F", "\xFE\xFE\x8F\x1A\xA1", CODE_SJIS},
      {"zero byte stays refused", "\xB4\xC1\0\xFE\xFE"s, CODE_SJIS},
      {"neither", "\x0C\xFF\xFF", CODE_SJIS},
      // UTF-8 is looked at first, as detection does.
      {"UTF-8 with a form feed", "\xE3\x81\x82\x0C\n", CODE_UTF8N},
      {"UTF-8 with a mark and 0x1A",
       "\xEF\xBB\xBF"
       "a\x1A\xE3\x81\x82",
       CODE_UTF8},
      {"7-bit text with a form feed", "page\x0Cnext", CODE_SJIS},
      {"control byte inside a UTF-8 sequence", "\xE3\x0C\x81\x82", CODE_SJIS},
      {"empty", "", CODE_SJIS},
  };
  for (const DetectCase& c : cases) {
    std::unique_ptr<char[]> copy(new char[c.input.size()]);
    std::copy(c.input.begin(), c.input.end(), copy.get());
    EXPECT_EQ(FallbackInputCode(std::string_view(copy.get(), c.input.size())), c.expected)
        << c.name;
  }
}

// Oracle: no control byte is a trail byte in any code, so taking one as a
// character where a character may start is the same as reading it as a
// blank anywhere. Generated texts in both codes, with controls and stray
// bytes sprinkled in.
TEST(FallbackInputCodeTest, AgreesWithControlsReadAsBlanks) {
  std::mt19937 rng(1234);
  auto byte = [&](int low, int high) { return static_cast<char>(low + rng() % (high - low + 1)); };
  std::map<TextCode, int> found;
  for (int round = 0; round < 6000; ++round) {
    std::string text;
    size_t length = rng() % 200;
    int code = round % 3;  // Shift_JIS, EUC-JP, UTF-8 (every other one with a mark)
    if (code == 2 && round % 2) text = "\xEF\xBB\xBF";
    while (text.size() < length) {
      unsigned pick = rng() % 100;
      if (pick < 20) {
        text += "text ";
      } else if (pick < 80) {
        text += code == 1 ? byte(0xA1, 0xFE) : code == 0 ? byte(0x81, 0x9F) : byte(0xE0, 0xEF);
        text += code == 1 ? byte(0xA1, 0xFE) : code == 0 ? byte(0x40, 0x7E) : byte(0x80, 0xBF);
        if (code == 2) text += byte(0x80, 0xBF);
      } else if (pick < 97) {
        text += rng() % 2 ? byte(0x01, 0x1F) : '\x7F';
      } else {
        text += static_cast<char>(rng());
      }
    }
    std::string blanks = text;
    for (char& c : blanks) {
      if ((c >= 0x01 && c <= 0x1F) || c == 0x7F) c = ' ';
    }
    bool seven = true;
    bool utf8 = IsUtf8TextByteByByte(blanks, &seven) && !seven;
    TextCode expected = utf8 ? (text.starts_with("\xEF\xBB\xBF") ? CODE_UTF8 : CODE_UTF8N)
                        : IsShiftJisTextByteByByte(blanks) ? CODE_SJIS
                        : IsEucJpTextByteByByte(blanks)    ? CODE_EUC
                                                           : CODE_SJIS;
    ASSERT_EQ(FallbackInputCode(text), expected) << testing::PrintToString(text);
    ++found[expected];
  }
  // The generator reaches every answer.
  for (TextCode code : {CODE_SJIS, CODE_EUC, CODE_UTF8N, CODE_UTF8}) {
    EXPECT_GT(found[code], 200) << code;
  }
}

}  // namespace
}  // namespace kanvo
