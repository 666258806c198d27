#include "tools/kanvo/kanvo_options.h"

#include <gtest/gtest.h>

#include <string>

namespace kanvo {
namespace {

TEST(KanvoOptionsTest, CodeKeywords) {
  struct Case {
    std::u16string text;
    TextCode code;
    size_t consumed;  // where the cursor ends
  } cases[] = {
      {u"SJIS", CODE_SJIS, 4},       {u"sjis x", CODE_SJIS, 4},
      {u"Shift", CODE_SJIS, 5},  // only the first letter counts
      {u"jis", CODE_JIS, 3},         {u"EUC\tz", CODE_EUC, 3},
      {u"UNICODE", CODE_UNICODE, 7}, {u"UNIODE", CODE_UNICODE, 6},  // the usage text's spelling
      {u"un", CODE_UNICODE, 2},      {u"UTF8", CODE_UTF8, 4},
      {u"utf8n", CODE_UTF8N, 5},     {u"Utf8N ", CODE_UTF8N, 5},
      {u"utf8x", CODE_UTF8, 5},  // any other word beginning with utf8
      {u"utf", CODE_INVALID, 3},
      // Code names the keywords do not know, as whole words in any case.
      {u"utf-8", CODE_UTF8N, 5},     {u"UTF-8 x", CODE_UTF8N, 5},
      {u"Utf-16", CODE_UNICODE, 6},  {u"UTF-16LE", CODE_UNICODE, 8},
      {u"iso-2022-JP", CODE_JIS, 11}, {u"CP932", CODE_SJIS, 5},
      {u"windows-31j", CODE_SJIS, 11}, {u"UTF-8x", CODE_INVALID, 6},
      {u"UTF-16BE", CODE_INVALID, 8}, {u"cp9320", CODE_INVALID, 6},
      {u"U", CODE_INVALID, 1},       {u"ascii", CODE_INVALID, 5},
      {u"", CODE_INVALID, 0},        {u" SJIS", CODE_INVALID, 0},  // the caller skips the blanks
  };
  for (const Case& c : cases) {
    const char16_t* cursor = c.text.c_str();
    EXPECT_EQ(ParseCodeKeyword(&cursor), c.code) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(static_cast<size_t>(cursor - c.text.c_str()), c.consumed);
  }
}

TEST(KanvoOptionsTest, NewlineKeywords) {
  struct Case {
    std::u16string text;
    NewlineKind kind;
    size_t consumed;
  } cases[] = {
      {u"CRLF", NL_CRLF, 4}, {u"crlf", NL_CRLF, 4}, {u"CrLf x", NL_CRLF, 4}, {u"CR", NL_CR, 2},
      {u"cr\t", NL_CR, 2},   {u"CRL", NL_CR, 3},    {u"crx", NL_CR, 3},      {u"LF", NL_LF, 2},
      {u"lfcr", NL_LF, 4},   {u"L", NL_NONE, 1},    {u"C", NL_NONE, 1},      {u"", NL_NONE, 0},
      {u"NL", NL_NONE, 2},
  };
  for (const Case& c : cases) {
    const char16_t* cursor = c.text.c_str();
    EXPECT_EQ(ParseNewlineKeyword(&cursor), c.kind) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(static_cast<size_t>(cursor - c.text.c_str()), c.consumed);
  }
}

TEST(KanvoOptionsTest, Scan) {
  using enum ScanResult;
  constexpr TextCode A = CODE_AUTO, S = CODE_SJIS;
  constexpr NewlineKind N = NL_NONE;
  struct Case {
    std::u16string line;
    ScanResult result;
    TextCode input;
    TextCode output;
    NewlineKind newline;
    std::u16string names;  // the rest of the line when names follow
  } cases[] = {
      {u"", kNoNames, A, S, N, u""},
      {u"  \t ", kNoNames, A, S, N, u""},
      {u"/H a b", kUsage, A, S, N, u""},
      {u"/h", kUsage, A, S, N, u""},
      {u"/I SJIS /h a", kUsage, CODE_SJIS, S, N, u""},
      {u"/I EUC", kNoNames, CODE_EUC, S, N, u""},  // options but no name
      {u"/", kNoNames, A, S, N, u""},              // a slash at the very end
      {u"/I EUC /", kNoNames, CODE_EUC, S, N, u""},
      {u"a.txt", kNames, A, S, N, u"a.txt"},
      {u"  a b", kNames, A, S, N, u"a b"},
      {u"/I EUC /O UTF8 /N CRLF in out", kNames, CODE_EUC, CODE_UTF8, NL_CRLF, u"in out"},
      {u"/ieuc /outf8n /ncr x", kNames, CODE_EUC, CODE_UTF8N, NL_CR, u"x"},
      {u"/I\t jis x", kNames, CODE_JIS, S, N, u"x"},
      {u"/O JIS /O EUC x", kNames, A, CODE_EUC, N, u"x"},
      {u"/N LF /N CR x", kNames, A, S, NL_CR, u"x"},
      {u"/n lfx x", kNames, A, S, NL_LF, u"x"},
      {u"/O UNIODE x", kNames, A, CODE_UNICODE, N, u"x"},
      // Another letter ends the options and begins the input name.
      {u"/I SJIS /x.txt out", kNames, CODE_SJIS, S, N, u"x.txt out"},
      // Options after the names are names.
      {u"a /I EUC", kNames, A, S, N, u"a /I EUC"},
      {u"/I", kBadInput, A, S, N, u""},
      {u"/I ASCII x", kBadInput, A, S, N, u""},
      {u"/O", kBadOutput, A, S, N, u""},
      {u"/O utf x", kBadOutput, A, S, N, u""},
      {u"/N", kBadNewline, A, S, N, u""},
      {u"/N XLF x", kBadNewline, A, S, N, u""},
  };
  for (const Case& c : cases) {
    KanvoOptions options;
    ScanResult result = ScanKanvoOptions(c.line.c_str(), &options);
    std::string label(c.line.begin(), c.line.end());
    EXPECT_EQ(result, c.result) << label;
    if (result != c.result || result == kBadInput || result == kBadOutput ||
        result == kBadNewline) {
      continue;
    }
    EXPECT_EQ(options.input_code, c.input) << label;
    EXPECT_EQ(options.output_code, c.output) << label;
    EXPECT_EQ(options.newline_target, c.newline) << label;
    if (result == kNames) {
      EXPECT_EQ(std::u16string(options.names), c.names) << label;
    }
  }
}

}  // namespace
}  // namespace kanvo
