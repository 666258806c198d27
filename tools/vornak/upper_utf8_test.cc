#include "tools/vornak/upper_utf8.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/trickle_source.h"
#include "platform/utf16.h"
#include "platform/wide_reader.h"
#include "tools/vornak/vornak.h"

namespace tv::vornak {
namespace {

// The plain way: decode to units, upper-case each, write them out.
std::string PlainUpper(ByteSource& source, InputMode mode, bool* read_ok) {
  StringSink sink;
  WideReader in(&source, mode);
  {
    WideWriter out(&sink);
    char16_t units[100];
    while (size_t n = in.GetUnits(units, std::size(units))) {
      UpperCaseUnits(units, n);
      out.PutString({units, n});
    }
  }
  *read_ok = !in.failed();
  return sink.bytes();
}

std::string FastUpper(ByteSource& source, InputMode mode, bool* read_ok) {
  StringSink sink;
  {
    WideWriter out(&sink);
    *read_ok = UpperCaseUtf8Stream(source, mode == InputMode::kUtf8Text, out);
  }
  return sink.bytes();
}

// Both ways on `text`, whole and trickled, in both UTF-8 modes, and with
// the read failing part way.
void ExpectSameAsPlain(const std::string& text, unsigned seed) {
  SCOPED_TRACE(seed);
  for (InputMode mode : {InputMode::kConsole, InputMode::kUtf8Text}) {
    bool plain_ok, fast_ok;
    StringSource whole(text), whole_again(text);
    std::string expected = PlainUpper(whole, mode, &plain_ok);
    EXPECT_EQ(FastUpper(whole_again, mode, &fast_ok), expected);
    TrickleSource trickle(text, seed, 1 + seed % 97);
    EXPECT_EQ(FastUpper(trickle, mode, &fast_ok), expected);

    size_t cut = text.empty() ? 0 : seed % text.size();
    StringSource failing(text), failing_again(text);
    failing.FailAfter(cut);
    failing_again.FailAfter(cut);
    expected = PlainUpper(failing, mode, &plain_ok);
    EXPECT_EQ(FastUpper(failing_again, mode, &fast_ok), expected);
    EXPECT_EQ(fast_ok, plain_ok);
  }
}

TEST(UpperUtf8Test, EveryCharacterAndStrayByteAtEveryOffsetAgreesWithThePlainWay) {
  std::string all;
  for (char32_t c = 0; c < 0x110000; c += c < 0x10000 ? 1 : 0x3FF) {
    if (c >= 0xD800 && c < 0xE000) continue;
    AppendUtf8(c, &all);
    if (c % 7 == 0) all += "\r\n";
  }
  for (int b = 0x80; b < 0x100; ++b) all += {'x', static_cast<char>(b)};
  // Full-width small letters and the forms around them, across block edges.
  for (int b = 0x7F; b < 0xA0; ++b) all += {'\xEF', '\xBD', static_cast<char>(b), 'a'};
  for (unsigned offset = 0; offset < 16; ++offset) {
    ExpectSameAsPlain(std::string(offset, 'q') + all, offset);
  }
}

TEST(UpperUtf8Test, GeneratedTextsAgreeWithThePlainWay) {
  const std::vector<std::string> pieces = {
      "abc xyz", "ABC", "\r", "\n", "\r\n", "あいう", "漢字", "、。", "ｑｚＡ", "ａ", "ｚ",
      "｀", "｛", "ｱｲ", "～", "é", "Ωω", "жЖ", "ıſ", "ǅ", "ⅰⓐ", "ꙁ", "ꭰ", "한", "😀",
      "\xEF", "\xEF\xBD", "\xBD", "\x81", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
      "\xF4\x90\x80\x80", "\xE3", "\xE3\x81", "\xF0\x9F", "\xFF", "\xEF\xBB\xBF", "\x00"};
  std::mt19937 rng(8);
  for (unsigned round = 0; round < 400; ++round) {
    std::string text;
    size_t count = rng() % 120;
    for (size_t i = 0; i < count; ++i) text += pieces[rng() % pieces.size()];
    ExpectSameAsPlain(text, round);
  }
}

}  // namespace
}  // namespace tv::vornak
