// Runs the built sort program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testutil/run_program.h"

namespace tv {
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

ProgramOptions WithInput(std::string bytes) {
  ProgramOptions options;
  options.stdin_bytes = std::move(bytes);
  return options;
}

// Runs sort through the shell stand-in, with `dir` as the current folder.
ProgramRun SortIn(const TempDir& dir, const std::vector<std::string>& args,
                  const ProgramOptions& options = {}) {
  std::vector<std::string> shell_args = {"-C", dir.path(), "sort"};
  shell_args.insert(shell_args.end(), args.begin(), args.end());
  return RunProgram("tvsh", shell_args, options);
}

TEST(SortProgramTest, StandardInput) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string expected;
  } cases[] = {
      {"empty", {}, "", ""},
      {"last line without end", {}, "b\na", "a\nb\n"},
      {"case and code units", {}, "b\n漢字\nB\nあ\na\nア\nA\n", "A\nB\na\nb\nあ\nア\n漢字\n"},
      {"empty line first", {}, "b\n\na\n", "\na\nb\n"},
      {"empty line last", {"/R"}, "b\n\na\n", "b\na\n\n"},
      {"unique", {"/Q"}, "b\na\nb\n\nb\n\n", "\na\nb\n"},
      {"console CR LF", {}, "b\r\na\r\n", "a\nb\n"},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunProgram("sort", c.args, WithInput(c.input));
    EXPECT_EQ(run.status, 0) << c.name;
    EXPECT_EQ(run.out, c.expected) << c.name;
  }
}

TEST(SortProgramTest, NamedFilesInEachMode) {
  TempDir dir;
  std::string long_x(1500, 'x');
  dir.Write("text.txt", "\x82\xA2\r\nB\r\n\x82\xA0\r\nb");  // い B あ b
  dir.Write("long.txt", long_x + "\nm\n");
  dir.Write("unicode.txt", Utf16Le(u"\xFEFF" u"b\r\na\n\r\n\r\nc"));
  dir.Write("nomark.txt", Utf16Le(u"b\r\n\xFFFE\r\n"));
  dir.Write("mark-text.txt", "\xFF\xFE" "a\r\n");
  dir.Write("my data.txt", "2\n1\n");
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {{"text.txt"}, "B\nb\nあ\nい\n"},
      {{"/R", "text.txt"}, "い\nあ\nb\nB\n"},
      {{"long.txt"}, "m\n" + long_x.substr(1023) + "\n" + long_x.substr(0, 1023) + "\n"},
      // A lone line feed stays in its line; a CR LF-only line is empty.
      {{"/U", "unicode.txt"}, "\n\na\n\nb\nc\n"},
      {{"/U", "nomark.txt"}, "b\n\xEF\xBF\xBE\n"},
      {{"/Unomark.txt"}, "b\n\xEF\xBF\xBE\n"},
      // In text mode no mark is looked for: the bytes are text.
      {{"mark-text.txt"}, "\xEF\xA3\xB3\xEF\xA3\xB2" "a\n"},
      {{"my", "data.txt"}, "1\n2\n"},
      {{"my data.txt", "/R"}, "1\n2\n"},
  };
  for (const Case& c : cases) {
    ProgramRun run = SortIn(dir, c.args);
    EXPECT_EQ(run.status, 0) << c.args.back();
    EXPECT_EQ(run.out, c.expected) << c.args.back();
  }
}

TEST(SortProgramTest, HelpAmongOptionsButNotInTheName) {
  TempDir dir;
  dir.Write("a.txt", "b\na\n");
  for (std::vector<std::string> args :
       {std::vector<std::string>{"/H"}, {"/r/U/h", "a.txt"}, {"/R", "/h"}, {"/Q/H", "missing"}}) {
    ProgramRun run = SortIn(dir, args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kUsage);
  }
  // After the start of the name, /H belongs to it: no such file.
  ProgramRun run = SortIn(dir, {"a.txt", "/H"});
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, kInputError);
}

TEST(SortProgramTest, InputAndOutputFailures) {
  TempDir dir;
  dir.Write("a.txt", "b\na\n");
  std::string folder = dir.path() + "/folder";
  ASSERT_EQ(system(("mkdir '" + folder + "'").c_str()), 0);

  ProgramRun missing = SortIn(dir, {"missing.txt"});
  EXPECT_EQ(missing.status, 255);
  EXPECT_EQ(missing.out, kInputError);

  ProgramRun directory = SortIn(dir, {"folder"});
  EXPECT_EQ(directory.status, 255);
  EXPECT_EQ(directory.out, kInputError);

  // Standard input that fails to read: a folder, or none at all.
  ProgramRun read_error =
      RunProgram("/bin/sh", {"-c", "exec \"$0\" < \"$1\"", BinDir() + "/sort", folder});
  EXPECT_EQ(read_error.status, 255);
  EXPECT_EQ(read_error.out, kInputError);
  ProgramOptions closed;
  closed.close_stdin = true;
  ProgramRun no_input = RunProgram("sort", {}, closed);
  EXPECT_EQ(no_input.status, 255);
  EXPECT_EQ(no_input.out, kInputError);

  ProgramOptions to_full;
  to_full.stdout_path = "/dev/full";
  ProgramRun full = SortIn(dir, {"a.txt"}, to_full);
  EXPECT_EQ(full.status, 255);
  EXPECT_EQ(full.err, kOutputError);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(SortProgramTest, RunningOutOfMemoryIsReported) {
  // 4 million short lines need far more than 100 MB of address space.
  std::string input;
  for (int i = 0; i < 4000000; ++i) input += "a\n";
  ProgramRun run = RunProgram("/bin/sh", {"-c", "ulimit -v 100000 && exec \"$0\"", BinDir() + "/sort"},
                              WithInput(input));
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, "メモリが不足しているため、ソートできません。\n");
}
#endif

}  // namespace
}  // namespace tv
