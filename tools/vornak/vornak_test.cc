#include "tools/vornak/vornak.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/case_map.h"
#include "platform/fake_env.h"

namespace tv::vornak {
namespace {

const std::string kUsage =
    "vornak [/U] [filename]\n"
    " /U  指定のファイルは Unicode\n";
const std::string kInputError = "入力ファイルの読み込みでエラーが発生しました。\n";
const std::string kOutputError = "データの出力中にエラーが発生しました。\n";

std::string Utf16Le(const std::u16string& text) {
  std::string bytes;
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

TEST(VornakTest, UpperCasingAgreesWithThePlatformMappingForEveryUnit) {
  std::u16string all;
  for (char32_t u = 0; u <= 0xFFFF; ++u) all.push_back(static_cast<char16_t>(u));
  std::u16string upper = all;
  UpperCaseUnits(upper.data(), upper.size());
  for (size_t i = 0; i < all.size(); ++i) {
    ASSERT_EQ(upper[i], ToUpperUnit(all[i])) << i;
  }
  EXPECT_EQ(upper.substr(u'a', 26), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ");
}

TEST(VornakTest, UpperCasingOfEachUnitAmongKanjiAgreesWithThePlatformMapping) {
  // Each unit alone in a block of caseless units, in each place of it: a
  // unit wrongly counted as caseless would keep its lower case here.
  for (char32_t u = 0; u <= 0xFFFF; ++u) {
    for (size_t place : {0, 5, 7}) {
      std::u16string text(16, u'漢');
      text[place] = static_cast<char16_t>(u);
      UpperCaseUnits(text.data(), text.size());
      ASSERT_EQ(text[place], ToUpperUnit(static_cast<char16_t>(u)))
          << std::hex << static_cast<uint32_t>(u);
      ASSERT_EQ(text[place == 0 ? 1 : 0], u'漢');
    }
  }
}

TEST(VornakTest, UpperCasingOfMixedBlocksAgreesUnitByUnit) {
  // Letters beside units that need the table, and units from 0x8000 up,
  // in every position of a block.
  const char16_t alphabet[] = {u'a', u'z', u'`', u'{', u'A', 0xE9, 0x3042, 0xFF41, 0x8061, 0xFFFF, 0x03C9};
  std::mt19937 rng(5);
  for (int round = 0; round < 2000; ++round) {
    std::u16string text;
    for (size_t n = rng() % 40; n > 0; --n) text.push_back(alphabet[rng() % 11]);
    std::u16string expected = text;
    for (char16_t& u : expected) u = ToUpperUnit(u);
    UpperCaseUnits(text.data(), text.size());
    ASSERT_EQ(text, expected) << round;
  }
}

TEST(VornakTest, CopiesInputInUpperCase) {
  struct Case {
    const char* name;
    std::u16string command_line;
    std::string stdin_bytes;
    std::string file_bytes;  // a.txt
    std::string expected;
  } cases[] = {
      {"empty input", u"", "", "", ""},
      {"letters only change", u"", "az AZ 09 !? é ω ａ かな漢字\nend", "",
       "AZ AZ 09 !? É Ω Ａ かな漢字\nEND"},
      {"console CR LF folded", u"", "a\r\nb", "", "A\nB"},
      {"pair halves stay", u"", "\xF0\x90\x90\xA8x", "", "\xF0\x90\x90\xA8X"},  // U+10428
      {"U+FFFF is text, not a failure", u"/U a.txt", "", Utf16Le(u"a\xFFFF" u"b"),
       "A\xEF\xBF\xBF" "B"},
      {"text file", u"a.txt", "", "\x82\xA0" "a\r\nb", "あA\nB"},
      {"unicode CR LF kept", u"/U a.txt", "", Utf16Le(u"a\r\nb\n"), "A\r\nB\n"},
      {"unicode FEFF dropped", u"/U a.txt", "", Utf16Le(u"\xFEFF" u"a\xFEFF"),
       "A\xEF\xBB\xBF"},
      {"unicode FFFE dropped", u"/U a.txt", "", Utf16Le(u"\xFFFE" u"a"), "A"},
      {"unicode other first unit kept", u"/U a.txt", "", Utf16Le(u"xa"), "XA"},
      {"zero unit passes", u"/U a.txt", "", Utf16Le(std::u16string(u"a\0b", 3)),
       std::string("A\0B", 3)},
      {"standard input ignores /U", u"/U", "a", "", "A"},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    env.stdin_bytes = c.stdin_bytes;
    env.AddFile("a.txt", c.file_bytes);
    EXPECT_EQ(ToolMain(env, c.command_line), 0) << c.name;
    EXPECT_EQ(env.stdout_text(), c.expected) << c.name;
  }
}

TEST(VornakTest, TextModeFileKeepsItsFirstCharacter) {
  // The mark check runs in text mode too (no code page 932 text decodes to
  // a mark), and must push back what it read.
  FakeEnv env;
  env.AddFile("a.txt", "abc");
  EXPECT_EQ(ToolMain(env, u"a.txt"), 0);
  EXPECT_EQ(env.stdout_text(), "ABC");
}

TEST(VornakTest, LongLinesPassWhole) {
  std::string line(5000, 'q');
  FakeEnv env;
  env.stdin_bytes = line + "\n" + line;
  EXPECT_EQ(ToolMain(env, u""), 0);
  std::string upper(5000, 'Q');
  EXPECT_EQ(env.stdout_text(), upper + "\n" + upper);
}

TEST(VornakTest, HelpShowsUsageAndReadsNothing) {
  for (const char16_t* command_line : {u"/H", u"/u/h a.txt", u" /U /h"}) {
    FakeEnv env;
    env.stdin_bytes = "abc";
    EXPECT_EQ(ToolMain(env, command_line), 0);
    EXPECT_EQ(env.stdout_text(), kUsage);
  }
}

TEST(VornakTest, InputThatCannotBeOpenedIsAnError) {
  for (const char16_t* command_line : {u"missing.txt", u"folder", u"/U folder"}) {
    FakeEnv env;
    env.AddDirectory("folder");
    EXPECT_EQ(ToolMain(env, command_line), -1);
    EXPECT_EQ(env.stdout_text(), kInputError);
  }
}

TEST(VornakTest, ReadErrorKeepsWhatWasWrittenAndFails) {
  FakeEnv env;
  env.stdin_bytes = "abc\ndef\n";
  static_cast<StringSource&>(env.StdIn()).FailAfter(5);
  EXPECT_EQ(ToolMain(env, u""), -1);
  EXPECT_EQ(env.stdout_text(), "ABC\nD" + kInputError);
}

TEST(VornakTest, WriteFailureIsReportedOnStandardError) {
  for (size_t capacity : {size_t{0}, size_t{3}, size_t{70000}}) {
    FakeEnv env;
    env.stdin_bytes = std::string(200000, 'x');
    env.stdout_sink.set_capacity(capacity);
    EXPECT_EQ(ToolMain(env, u""), -1) << capacity;
    EXPECT_EQ(env.stderr_sink.bytes(), kOutputError) << capacity;
  }
  // The usage too.
  FakeEnv env;
  env.stdout_sink.set_capacity(10);
  EXPECT_EQ(ToolMain(env, u"/H"), -1);
  EXPECT_EQ(env.stderr_sink.bytes(), kOutputError);
}

}  // namespace
}  // namespace tv::vornak
