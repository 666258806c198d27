// Runs the built vornak program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "testutil/run_program.h"

namespace tv {
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

ProgramOptions WithInput(std::string bytes) {
  ProgramOptions options;
  options.stdin_bytes = std::move(bytes);
  return options;
}

ProgramRun VornakIn(const TempDir& dir, const std::vector<std::string>& args,
                    const ProgramOptions& options = {}) {
  std::vector<std::string> shell_args = {"-C", dir.path(), "vornak"};
  shell_args.insert(shell_args.end(), args.begin(), args.end());
  return RunProgram("tvsh", shell_args, options);
}

TEST(VornakProgramTest, StandardInput) {
  std::string long_line(3000, 'k');
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  } cases[] = {
      {"empty", "", ""},
      {"letters", "abc xyz é ω ａ\nかな漢字 09!\nlast", "ABC XYZ É Ω Ａ\nかな漢字 09!\nLAST"},
      {"console CR LF", "a\r\nb\r\n", "A\nB\n"},
      {"long line", long_line + "\n" + long_line, std::string(3000, 'K') + "\n" + std::string(3000, 'K')},
      {"U+FFFF", "a\xEF\xBF\xBF" "b", "A\xEF\xBF\xBF" "B"},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunProgram("vornak", {}, WithInput(c.input));
    EXPECT_EQ(run.status, 0) << c.name;
    EXPECT_EQ(run.out, c.expected) << c.name;
  }
}

TEST(VornakProgramTest, NamedFilesInEachMode) {
  TempDir dir;
  dir.Write("text.txt", "\x82\xA0" "a\r\nb");
  dir.Write("unicode.txt", Utf16Le(u"\xFEFF" u"a\r\nb\xFFFF\n"));
  dir.Write("reverse-mark.txt", Utf16Le(u"\xFFFE" u"x"));
  dir.Write("no-mark.txt", Utf16Le(u"xy"));
  dir.Write("long.txt", Utf16Le(std::u16string(2000, u'q') + u"\r\n"));
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {{"text.txt"}, "あA\nB"},
      {{"/U", "unicode.txt"}, "A\r\nB\xEF\xBF\xBF\n"},
      {{"/Ureverse-mark.txt"}, "X"},
      {{"/u", "no-mark.txt"}, "XY"},
      {{"/U", "long.txt"}, std::string(2000, 'Q') + "\r\n"},
  };
  for (const Case& c : cases) {
    ProgramRun run = VornakIn(dir, c.args);
    EXPECT_EQ(run.status, 0) << c.args.back();
    EXPECT_EQ(run.out, c.expected) << c.args.back();
  }
}

TEST(VornakProgramTest, HelpAmongOptionsButNotInTheName) {
  TempDir dir;
  dir.Write("a.txt", "abc");
  for (std::vector<std::string> args :
       {std::vector<std::string>{"/H"}, {"/h", "a.txt"}, {"/U/h", "a.txt"}}) {
    ProgramRun run = VornakIn(dir, args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kUsage);
  }
  ProgramRun run = VornakIn(dir, {"a.txt/h"});
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, kInputError);
}

TEST(VornakProgramTest, InputAndOutputFailures) {
  TempDir dir;
  dir.Write("a.txt", "abc");
  std::string folder = dir.path() + "/folder";
  ASSERT_EQ(std::system(("mkdir '" + folder + "'").c_str()), 0);

  for (const char* name : {"missing.txt", "folder"}) {
    ProgramRun run = VornakIn(dir, {name});
    EXPECT_EQ(run.status, 255) << name;
    EXPECT_EQ(run.out, kInputError) << name;
  }
  ProgramRun read_error =
      RunProgram("/bin/sh", {"-c", "exec \"$0\" < \"$1\"", BinDir() + "/vornak", folder});
  EXPECT_EQ(read_error.status, 255);
  EXPECT_EQ(read_error.out, kInputError);

  ProgramOptions to_full;
  to_full.stdout_path = "/dev/full";
  ProgramRun full = VornakIn(dir, {"a.txt"}, to_full);
  EXPECT_EQ(full.status, 255);
  EXPECT_EQ(full.err, kOutputError);
}

}  // namespace
}  // namespace tv
