#include "tools/kanvo/sjis_decode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kanvo {
namespace {

// The block decoder against the byte-by-byte one, for every rewrite of one
// line-break kind into another, on texts thick with what decides where a
// character starts: lead bytes (also before CR, LF and zero), CR, LF and
// zero bytes, lone and in runs.
TEST(SjisDecodeTest, BlocksGiveTheUnitsOfTheByteByByteDecoding) {
  const unsigned char alphabet[] = {'a',  '\r', '\n', 0,    0x81, 0x93, 0x9F, 0xE0, 0xFC, 0xFD,
                                    0x80, 0xA0, 0xB1, 0xDF, 0x40, 0x7F, 0xFF, 0x0D, 0x0A};
  const NewlineKind kinds[] = {NL_CRLF, NL_CR, NL_LF};
  std::mt19937 rng(31);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    size_t length = rng() % 2000;
    size_t spread = 2 + rng() % (std::size(alphabet) - 1);
    while (text.size() < length) {
      if (rng() % 3 == 0) {
        text += "\x93\xFA\x96\x7B";  // runs of ordinary pairs too
      } else {
        text.push_back(static_cast<char>(alphabet[rng() % spread]));
      }
    }
    std::vector<NewlineRewrite> rewrites = {kNoRewrite};
    for (NewlineKind from : kinds) {
      for (NewlineKind to : kinds) {
        if (from != to) rewrites.push_back({SoughtSequence(from), ReplacementSequence(to)});
      }
    }
    for (const NewlineRewrite& rewrite : rewrites) {
      std::u16string expected, got;
      DecodeSjisByteByByte(text, rewrite, [&](char16_t u) { expected.push_back(u); });
      DecodeSjis(text, rewrite, [&](char16_t u) { got.push_back(u); });
      ASSERT_EQ(got, expected) << "round " << round;
      ASSERT_EQ(CountSjisUnits(text, rewrite), expected.size()) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace kanvo
