#include "tools/kanvo/output_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/cp932.h"
#include "platform/fake_env.h"

namespace kanvo {
namespace {

using namespace std::string_literals;

constexpr char16_t kOut[] = u"\\w\\out.txt";
constexpr char kOutHost[] = "/w/out.txt";

TEST(WriteOutputFileTest, RewritesLineBreaks) {
  struct Case {
    std::string text;
    NewlineKind current, target;
    std::string expected;
  } cases[] = {
      // Same kind: byte for byte, stray breaks of other kinds included.
      {"a\rb\r\nc\n", NL_CRLF, NL_CRLF, "a\rb\r\nc\n"},
      {"a\rb\r\nc\n", NL_LF, NL_LF, "a\rb\r\nc\n"},
      // Only the sought sequence is rewritten.
      {"a\r\nb\rc\n", NL_CRLF, NL_LF, "a\nb\rc\n"},
      {"a\nb\r\n", NL_LF, NL_CRLF, "a\r\nb\r\r\n"},
      {"a\rb\r", NL_CR, NL_LF, "a\nb\n"},
      {"a\rb\r\n", NL_CR, NL_CRLF, "a\r\nb\r\n\n"},
      {"a\r\nb", NL_NONE, NL_LF, "a\nb"},
      {"a\r\nb\r", NL_CRLF, NL_CR, "a\rb\r"},  // a final lone CR is no pair
      {"\r\n\r\n", NL_CRLF, NL_LF, "\n\n"},
      {"a\nb", NL_LF, NL_CRLF, "a\r\nb"},  // no break added at the end
      {"no breaks", NL_LF, NL_CR, "no breaks"},
      {"", NL_CRLF, NL_LF, ""},
  };
  for (const Case& c : cases) {
    tv::FakeEnv env;
    ASSERT_EQ(WriteOutputFile(*env.OpenOutput(kOut), c.text, CODE_SJIS, c.current, c.target),
              CONV_OK);
    EXPECT_EQ(env.files[kOutHost].bytes, c.expected) << testing::PrintToString(c.text);
  }
}

TEST(WriteOutputFileTest, ManyLinesAcrossTheWriteBuffer) {
  std::string text, expected;
  for (int i = 0; i < 200'000; ++i) {
    std::string line = "line " + std::to_string(i);
    text += line + "\n";
    expected += line + "\r\n";
  }
  text += std::string(600'000, 'x');  // a segment longer than the buffer
  expected += std::string(600'000, 'x');
  tv::FakeEnv env;
  ASSERT_EQ(WriteOutputFile(*env.OpenOutput(kOut), text, CODE_SJIS, NL_LF, NL_CRLF), CONV_OK);
  EXPECT_TRUE(env.files[kOutHost].bytes == expected);
}

TEST(WriteOutputFileTest, MarkOfEachCode) {
  struct Case {
    TextCode code;
    std::string mark;
  } cases[] = {
      {CODE_SJIS, ""},
      {CODE_JIS, ""},
      {CODE_EUC, ""},
      {CODE_UTF8N, ""},
      {CODE_UTF8, "\xEF\xBB\xBF"},
      {CODE_UNICODE, "\xFF\xFE"},
  };
  for (const Case& c : cases) {
    for (std::string text : {""s, "t\r\n"s}) {
      tv::FakeEnv env;
      ASSERT_EQ(WriteOutputFile(*env.OpenOutput(kOut), text, c.code, NL_CRLF, NL_CRLF), CONV_OK);
      EXPECT_EQ(env.files[kOutHost].bytes, c.mark + text) << c.code;
    }
  }
}

TEST(WriteOutputFileTest, FailuresKeepThePreviousFile) {
  // Capacities that cut the mark, a segment, a replacement, the last part.
  for (size_t capacity : {0, 1, 3, 4, 5, 9, 10}) {
    tv::FakeEnv env;
    env.AddFile(kOutHost, "previous");
    env.output_capacity = capacity;
    EXPECT_EQ(WriteOutputFile(*env.OpenOutput(kOut), "ab\ncd\nef", CODE_UTF8, NL_LF, NL_CRLF),
              CONV_ERR_IO)
        << capacity;
    EXPECT_EQ(env.files[kOutHost].bytes, "previous");
  }
  tv::FakeEnv env;
  env.AddFile(kOutHost, "previous");
  env.fail_commit = true;
  EXPECT_EQ(WriteOutputFile(*env.OpenOutput(kOut), "new", CODE_SJIS, NL_LF, NL_LF), CONV_ERR_IO);
  EXPECT_EQ(env.files[kOutHost].bytes, "previous");
  // A name that leads elsewhere by the end is an output not created.
  env.fail_commit = false;
  env.refuse_placement = true;
  EXPECT_EQ(WriteOutputFile(*env.OpenOutput(kOut), "new", CODE_SJIS, NL_LF, NL_LF),
            CONV_ERR_CREATE);
  EXPECT_EQ(env.files[kOutHost].bytes, "previous");
}

TEST(WriteOutputFileTest, CannotCreate) {
  tv::FakeEnv env;
  env.AddDirectory(kOutHost);
  EXPECT_EQ(WriteOutputFile(*env.OpenOutput(kOut), "x", CODE_SJIS, NL_LF, NL_LF), CONV_ERR_CREATE);
  EXPECT_EQ(WriteOutputFile(*env.OpenOutput(u""), "x", CODE_SJIS, NL_LF, NL_LF), CONV_ERR_CREATE);
}

TEST(WriteOutputFileTest, FullDeviceIsAWriteError) {
  tv::FakeEnv env;
  env.files["/dev/full"].device = true;
  env.output_capacity = 0;
  EXPECT_EQ(WriteOutputFile(*env.OpenOutput(u"\\dev\\full"), "x", CODE_SJIS, NL_LF, NL_LF),
            CONV_ERR_IO);
}

TEST(AssembleUtf16OutputTest, ConvertsAndRewrites) {
  struct Case {
    std::string pivot;
    NewlineKind current, target;
    std::string expected;
  } cases[] = {
      {"", NL_NONE, NL_CRLF, ""},
      {"ab", NL_NONE, NL_CRLF, "a\0b\0"s},
      {"\x82\xA0\xB1", NL_NONE, NL_CRLF, "\x42\x30\x71\xFF"s},  // あ, half-width ｱ
      {"a\r\nb\r\n", NL_CRLF, NL_CR, "a\0\r\0b\0\r\0"s},
      {"a\rb", NL_CR, NL_CRLF, "a\0\r\0\n\0b\0"s},
      {"a\nb\r\n", NL_LF, NL_CRLF, "a\0\r\0\n\0b\0\r\0\r\0\n\0"s},
      {"a\r\nb\n", NL_NONE, NL_LF, "a\0\n\0b\0\n\0"s},
      {"a\rb\r\n", NL_CRLF, NL_CRLF, "a\0\r\0b\0\r\0\n\0"s},  // same kind: untouched
      // The whole text, zero bytes included; a lead byte without a trail
      // byte gives U+30FB.
      {"a\0b"s, NL_NONE, NL_CRLF, "a\0\0\0b\0"s},
      {"\x82\0"s, NL_NONE, NL_CRLF, "\xFB\x30\0\0"s},
      {"a\x82", NL_NONE, NL_CRLF, "a\0\xFB\x30"s},
  };
  for (const Case& c : cases) {
    std::string output = "stale";
    NewlineKind kind = NL_NONE;
    ASSERT_EQ(AssembleUtf16Output(c.pivot, c.current, c.target, &output, &kind), CONV_OK);
    EXPECT_EQ(output, c.expected) << testing::PrintToString(c.pivot);
    EXPECT_EQ(kind, c.target);
  }
}

// Without line-break rewriting the UTF-16 text is exactly the code page
// conversion of the whole pivot, whatever its bytes.
TEST(AssembleUtf16OutputTest, MatchesTheCodePageOnAnyBytes) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    std::string pivot(1 + random() % 3000, '\0');
    for (char& c : pivot) c = static_cast<char>(random() % 4 ? random() : 0x81 + random() % 8);
    std::string expected;
    for (char16_t u : tv::Cp932ToUtf16(pivot)) {
      expected.push_back(static_cast<char>(u & 0xFF));
      expected.push_back(static_cast<char>(u >> 8));
    }
    std::string output;
    NewlineKind kind;
    ASSERT_EQ(AssembleUtf16Output(pivot, NL_LF, NL_LF, &output, &kind), CONV_OK);
    EXPECT_TRUE(output == expected) << round;
  }
}

TEST(WriteToConsoleTest, ShowsTheWholeTextWithCrLf) {
  struct Case {
    std::string text;
    NewlineKind kind;
    std::string expected;
  } cases[] = {
      {"", NL_NONE, "\n"},
      {"a\nb", NL_LF, "a\r\nb\n"},
      {"a\rb\r", NL_CR, "a\r\nb\r\n\n"},
      {"a\r\nb\n", NL_CRLF, "a\r\nb\n\n"},
      {"a\r\nb\n", NL_NONE, "a\r\nb\n\n"},
      {"\x93\xFA\x96\x7B", NL_NONE, "\xE6\x97\xA5\xE6\x9C\xAC\n"},  // 日本
      {"a\0b"s, NL_NONE, "a\0b\n"s},  // nothing dropped after a zero byte
  };
  for (const Case& c : cases) {
    tv::FakeEnv env;
    EXPECT_EQ(WriteToConsole(env, c.text, c.kind), CONV_OK);
    EXPECT_EQ(env.stdout_text(), c.expected) << testing::PrintToString(c.text);
  }
}

TEST(WriteToConsoleTest, LongText) {
  std::string text, expected;
  for (int i = 0; i < 100'000; ++i) {
    text += "\x93\xFA\x96\x7B\n";
    expected += "\xE6\x97\xA5\xE6\x9C\xAC\r\n";
  }
  tv::FakeEnv env;
  EXPECT_EQ(WriteToConsole(env, text, NL_LF), CONV_OK);
  EXPECT_TRUE(env.stdout_text() == expected + "\n");
}

TEST(WriteToConsoleTest, FailedStandardOutput) {
  for (size_t capacity : {0, 5, 70'000}) {
    tv::FakeEnv env;
    env.stdout_sink.set_capacity(capacity);
    EXPECT_EQ(WriteToConsole(env, std::string(100'000, 'x'), NL_NONE), CONV_ERR_IO) << capacity;
  }
}

}  // namespace
}  // namespace kanvo
