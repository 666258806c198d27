#include "tools/kanvo/newline.h"

#include <gtest/gtest.h>

#include <string>

namespace kanvo {
namespace {

using namespace std::string_literals;

TEST(NewlineTest, DetectNewlineKind) {
  struct Case {
    std::string input;
    NewlineKind kind;
  } cases[] = {
      {"", NL_NONE},
      {"no line break", NL_NONE},
      {"a\nb\n", NL_LF},
      {"a\rb\r", NL_CR},
      {"a\r\nb\r\n", NL_CRLF},
      {"a\rb\n", NL_CR},                // as many bare CRs as LFs
      {"a\r\nb\r", NL_CRLF},            // CR share exactly 50
      {"\r\n\r\n\r\n\r\r\r\r", NL_CR},  // CR share 42
      {"\r\n\n\n", NL_LF},              // LF share 33
      {"\r\n\r\n\n\n", NL_CRLF},        // LF share exactly 50
      {"\r", NL_CR},                    // a final CR is no pair
      {"a\0\r\0\n\0"s, NL_CRLF},        // UTF-16 little-endian CR LF
      {"\r\0\n"s, NL_CR},               // the pair needs the zero after LF
      {"\r\0"s, NL_CR},                 // nothing read past the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DetectNewlineKind(c.input), c.kind) << testing::PrintToString(c.input);
  }
}

TEST(NewlineTest, LargeCountsDoNotOverflow) {
  // 45 million pairs and 15 million bare CRs: the CR share is 75 %, so the
  // text is CR LF; pairs x 100 does not fit 32 bits, and wrapped it would
  // make the share 3 %.
  std::string text;
  text.reserve(105'000'000);
  for (int i = 0; i < 15'000'000; ++i) text += "\r\n\r\n\r\n\r";
  EXPECT_EQ(DetectNewlineKind(text), NL_CRLF);
}

TEST(NewlineTest, DefaultTarget) {
  EXPECT_EQ(DefaultNewlineTarget(CODE_JIS), NL_LF);
  EXPECT_EQ(DefaultNewlineTarget(CODE_EUC), NL_LF);
  for (TextCode code : {CODE_SJIS, CODE_UTF8, CODE_UTF8N, CODE_UNICODE}) {
    EXPECT_EQ(DefaultNewlineTarget(code), NL_CRLF);
  }
}

}  // namespace
}  // namespace kanvo
