#include "tools/sort/sort.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fake_env.h"

namespace tv::sort {
namespace {

const std::string kUsage =
    "sort [/R] [/U] [filename]\n"
    "\n"
    " /U   入力ファイルは Unicode\n"
    " /R   降順でソート\n"
    " filename  入力ファイル\n";
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

struct SortRun {
  int status;
  std::string out;
};

SortRun RunSort(FakeEnv& env, const std::u16string& command_line) {
  int status = ToolMain(env, command_line);
  return {status, env.stdout_text()};
}

TEST(SortTest, SortsStandardInputAndFiles) {
  struct Case {
    const char* name;
    std::u16string command_line;
    std::string stdin_bytes;
    std::string file_bytes;  // a.txt
    std::string expected;
  } cases[] = {
      {"empty input", u"", "", "", ""},
      {"last line without end", u"", "b\na", "", "a\nb\n"},
      {"upper before lower", u"", "b\nB\na\nA\n", "", "A\nB\na\nb\n"},
      {"japanese by unit value", u"", "漢\nア\nあ\nｱ\n", "", "あ\nア\n漢\nｱ\n"},
      {"empty line first", u"", "b\n\na\n", "", "\na\nb\n"},
      {"empty line last", u"/R", "b\n\na\n", "", "b\na\n\n"},
      {"duplicates kept", u"", "b\na\nb\na\n", "", "a\na\nb\nb\n"},
      {"unique", u"/Q", "b\na\nb\na\nb\n", "", "a\nb\n"},
      {"unique reverse", u"/q/r", "b\na\nb\n", "", "b\na\n"},
      {"console CR LF folded", u"", "b\r\na\r\n", "", "a\nb\n"},
      {"standard input ignores /U", u"/U", "b\r\na\n", "", "a\nb\n"},
      {"text file CR LF", u"a.txt", "", "\x82\xA2\r\n\x82\xA0\r\n", "あ\nい\n"},
      {"UTF-8 file's mark skipped", u"a.txt", "", "\xEF\xBB\xBFz\n", "z\n"},
      {"Shift_JIS file has no mark", u"a.txt", "", "\xEF\xBB\xBF\x82\xA0\n",
       "\xE3\x83\xBB\xEF\xBD\xBF\xE3\x81\x82\n"},
      {"unicode file", u"/U a.txt", "", Utf16Le(u"\xFEFF" u"b\r\na\r\n"), "a\nb\n"},
      {"unicode mark only at the start", u"/U a.txt", "", Utf16Le(u"b\r\n\xFEFF\r\n"),
       "b\n\xEF\xBB\xBF\n"},
      {"unicode no mark", u"/u a.txt", "", Utf16Le(u"\xFFFF\r\nb"), "b\n\xEF\xBF\xBF\n"},
      {"unicode lone LF kept", u"/U a.txt", "", Utf16Le(u"b\na\r\n"), "a\nb\n\n"},
      {"unicode CR LF only line", u"/U a.txt", "", Utf16Le(u"b\r\n\r\n"), "\nb\n"},
      {"option glued to name", u"/Ua.txt", "", Utf16Le(u"b\r\na\r\n"), "a\nb\n"},
      {"quoted name", u"\"  a.txt\" ignored", "", "b\na\n", "a\nb\n"},
      {"zero unit is kept", u"", std::string("a\0b\na\n", 6), "", std::string("a\na\0b\n", 6)},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    env.stdin_bytes = c.stdin_bytes;
    env.AddFile("a.txt", c.file_bytes);
    SortRun run = RunSort(env, c.command_line);
    EXPECT_EQ(run.status, 0) << c.name;
    EXPECT_EQ(run.out, c.expected) << c.name;
  }
}

TEST(SortTest, LongLinesArePiecesSortedOnTheirOwn) {
  std::string x(1023, 'x'), y(1023, 'y');
  FakeEnv env;
  env.stdin_bytes = y + "a\n" + x + "\nb\n";
  SortRun run = RunSort(env, u"");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "a\nb\n" + x + "\n" + y + "\n");
}

TEST(SortTest, RelativeNameIsJoinedToTheShellDirectory) {
  FakeEnv env;
  env.share = u"\\work\\";
  env.AddFile("/work/data file.txt", "b\na\n");
  EXPECT_EQ(RunSort(env, u"/R data file.txt  ").out, "b\na\n");
}

TEST(SortTest, HelpShowsUsageAndReadsNothing) {
  for (const char16_t* command_line : {u"/H", u"/h", u"/R/U/h a.txt", u"/r /Hmissing", u"/ //H", u"/Q\t/h"}) {
    FakeEnv env;
    env.stdin_bytes = "b\na\n";
    SortRun run = RunSort(env, command_line);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kUsage);
  }
  // After the start of the file name, /H is part of the name; so is a
  // slash and a letter the tool does not know.
  for (const char16_t* command_line : {u"a.txt/H", u"/x/H"}) {
    FakeEnv env;
    env.AddFile("a.txt/H", "b\na\n");
    env.AddFile("x/H", "b\na\n");
    EXPECT_EQ(RunSort(env, command_line).out, "a\nb\n");
  }
}

TEST(SortTest, InputThatCannotBeReadIsAnError) {
  for (const char16_t* command_line : {u"missing.txt", u"folder", u"/U locked", u"\"\""}) {
    FakeEnv env;
    env.AddDirectory("folder");
    env.files["locked"].unreadable = true;
    SortRun run = RunSort(env, command_line);
    EXPECT_EQ(run.status, -1);
    EXPECT_EQ(run.out, kInputError);
  }
}

TEST(SortTest, ReadErrorWritesNoLines) {
  FakeEnv env;
  env.stdin_bytes = "b\na\nc\n";
  static_cast<StringSource&>(env.StdIn()).FailAfter(4);
  SortRun run = RunSort(env, u"");
  EXPECT_EQ(run.status, -1);
  EXPECT_EQ(run.out, kInputError);
}

TEST(SortTest, WriteFailureIsReportedOnStandardError) {
  for (size_t capacity : {size_t{0}, size_t{5}, size_t{100000}}) {
    FakeEnv env;
    std::string input;
    for (int i = 0; i < 30000; ++i) input += std::to_string(i) + "\n";
    env.stdin_bytes = input;
    env.stdout_sink.set_capacity(capacity);
    SortRun run = RunSort(env, u"");
    EXPECT_EQ(run.status, -1) << capacity;
    EXPECT_EQ(env.stderr_sink.bytes(), kOutputError) << capacity;
  }
  // The usage too.
  FakeEnv env;
  env.stdout_sink.set_capacity(10);
  EXPECT_EQ(RunSort(env, u"/H").status, -1);
  EXPECT_EQ(env.stderr_sink.bytes(), kOutputError);
}

}  // namespace
}  // namespace tv::sort
