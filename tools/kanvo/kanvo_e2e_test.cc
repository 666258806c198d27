// Runs the built KANVO program on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/utf16.h"
#include "testutil/run_program.h"

namespace {

using namespace std::string_literals;
using tv::ProgramOptions;
using tv::ProgramRun;
using tv::RunProgram;
using tv::TempDir;

// One sample text of two lines, encoded independently in every code.
struct Code {
  const char* keyword;
  std::string mark;                  // written at the start of an output file
  std::array<std::string, 2> lines;  // the two lines without their breaks
};

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

const std::vector<Code>& Codes() {
  static const std::vector<Code> codes = {
      {"SJIS",
       "",
       {"\x93\xFA\x96{\x8C\xEA\x82\xCC\x83"
        "e\x83L\x83X\x83g\x95\xCF\x8A\xB7\x81"
        "B",
        "ABC 123\x81"
        "A\x82\xA9\x82\xC8\x81"
        "E\x83J\x83i\x81u\x8A\xBF\x8E\x9A\x81v"}},
      {"JIS",
       "",
       {"\x1B$BF|K\\8l$N%F%-%9%HJQ49!#\x1B(B", "ABC 123\x1B$B!\"$+$J!&%+%J!V4A;z!W\x1B(B"}},
      {"EUC",
       "",
       {"\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\xCA\xD1\xB4\xB9\xA1\xA3",
        "ABC 123\xA1\xA2\xA4\xAB\xA4\xCA\xA1\xA6\xA5\xAB\xA5\xCA\xA1\xD6\xB4\xC1\xBB\xFA\xA1\xD7"}},
      {"UTF8", "\xEF\xBB\xBF", {"日本語のテキスト変換。", "ABC 123、かな・カナ「漢字」"}},
      {"UTF8N", "", {"日本語のテキスト変換。", "ABC 123、かな・カナ「漢字」"}},
      {"UNICODE",
       "\xFF\xFE",
       {Utf16Le(u"日本語のテキスト変換。"), Utf16Le(u"ABC 123、かな・カナ「漢字」")}},
  };
  return codes;
}

const Code& CodeNamed(std::string_view keyword) {
  for (const Code& code : Codes()) {
    if (keyword == code.keyword) return code;
  }
  return Codes()[0];
}

// The text of `code` with each line ended by `newline` ("\r\n", "\r", "\n").
std::string Text(const Code& code, const std::string& newline) {
  bool wide = code.mark == "\xFF\xFE";
  std::string nl = wide ? Utf16Le(std::u16string(newline.begin(), newline.end())) : newline;
  return code.lines[0] + nl + code.lines[1] + nl;
}

// The absolute name of a file in dir, which keeps a run independent of any
// shell directory published at the same time; and its device form, as
// KANVO names it.
std::string Abs(const TempDir& dir, const std::string& name) { return dir.path() + "/" + name; }
std::string Dev(const TempDir& dir, const std::string& name) {
  std::string path = Abs(dir, name);
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

ProgramRun Kanvo(const TempDir& dir, const std::vector<std::string>& args,
                 ProgramOptions options = {}) {
  options.cwd = dir.path();
  return RunProgram("KANVO", args, options);
}

const std::string kError = "***** Error\n";

// Standard input given (a line of answers), or none at all.
ProgramOptions WithStdin(std::optional<std::string> bytes) {
  ProgramOptions options;
  options.stdin_bytes = bytes;
  options.close_stdin = !bytes.has_value();
  return options;
}

ProgramOptions WithStdoutTo(const std::string& path) {
  ProgramOptions options;
  options.stdout_path = path;
  return options;
}

TEST(KanvoE2eTest, EveryInputCodeToEveryOutputCodeAndNewline) {
  TempDir dir;
  const std::pair<const char*, std::string> targets[] = {
      {"CRLF", "\r\n"}, {"CR", "\r"}, {"LF", "\n"}};
  for (const Code& in : Codes()) {
    for (std::string in_newline : {"\r\n", "\n"}) {
      dir.Write("in.txt", in.mark + Text(in, in_newline));
      for (const Code& out : Codes()) {
        for (const auto& [keyword, newline] : targets) {
          std::string label = std::string(in.keyword) + " -> " + out.keyword + " " + keyword;
          unlink((dir.path() + "/out.txt").c_str());
          ProgramRun run = Kanvo(dir, {"/I", in.keyword, "/O", out.keyword, "/N", keyword,
                                       Abs(dir, "in.txt"), Abs(dir, "out.txt")});
          EXPECT_EQ(run.status, 0) << label << run.out;
          EXPECT_EQ(run.out, "") << label;
          EXPECT_EQ(dir.Read("out.txt"), out.mark + Text(out, newline)) << label;
        }
      }
    }
  }
}

TEST(KanvoE2eTest, DetectsEachInputCode) {
  TempDir dir;
  for (const Code& in : Codes()) {
    dir.Write("in.txt", in.mark + Text(in, "\n"));
    unlink((dir.path() + "/out.txt").c_str());
    ProgramRun run =
        Kanvo(dir, {"/O", "SJIS", "/N", "LF", Abs(dir, "in.txt"), Abs(dir, "out.txt")});
    EXPECT_EQ(run.status, 0) << in.keyword;
    EXPECT_EQ(dir.Read("out.txt"), Text(CodeNamed("SJIS"), "\n")) << in.keyword;
  }
  // UTF-16 is known by its zero bytes, with no mark at all.
  dir.Write("in.txt", Text(CodeNamed("UNICODE"), "\r\n"));
  unlink((dir.path() + "/out.txt").c_str());
  EXPECT_EQ(Kanvo(dir, {"/O", "EUC", Abs(dir, "in.txt"), Abs(dir, "out.txt")}).status, 0);
  EXPECT_EQ(dir.Read("out.txt"), Text(CodeNamed("EUC"), "\n"));
}

TEST(KanvoE2eTest, DefaultNewlineTargets) {
  TempDir dir;
  dir.Write("in.txt", Text(CodeNamed("SJIS"), "\r"));
  for (const char* keyword : {"SJIS", "JIS", "EUC", "UTF8", "UTF8N", "UNICODE"}) {
    unlink((dir.path() + "/out.txt").c_str());
    ASSERT_EQ(Kanvo(dir, {"/O", keyword, Abs(dir, "in.txt"), Abs(dir, "out.txt")}).status, 0);
    bool lf = std::string(keyword) == "JIS" || std::string(keyword) == "EUC";
    const Code& out = CodeNamed(keyword);
    EXPECT_EQ(dir.Read("out.txt"), out.mark + Text(out, lf ? "\n" : "\r\n")) << keyword;
  }
}

std::string UsageText() {
  return "KANVO [/I SJIS|JIS|EUC|UNIODE|UTF8]\n"
         "      [/O SJIS|JIS|EUC|UNIODE|UTF8|UTF8N]\n"
         "      [/N CRLF|CR|LF] [filename]\n"
         "      InputFile  [OutputFile]\n"
         "\n"
         " /I     入力ファイルの文字コード\n"
         " /O     出力ファイルの文字コード\n"
         " /N     出力ファイルの改行コード\n"
         " InputFile   入力ファイル名\n"
         " OutputFile  出力ファイル名\n";
}

TEST(KanvoE2eTest, Usage) {
  TempDir dir;
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{}, {"/H"}, {"/h", "in.txt"}, {"/I", "EUC"}, {"/"}}) {
    ProgramRun run = Kanvo(dir, args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, UsageText());
  }
  ProgramRun full = Kanvo(dir, {}, WithStdoutTo("/dev/full"));
  EXPECT_EQ(full.status, 1);
}

TEST(KanvoE2eTest, MessagesAndExitValues) {
  TempDir dir;
  dir.Write("in.txt", "text\n");
  mkdir((dir.path() + "/dir").c_str(), 0755);
  struct Case {
    std::vector<std::string> args;
    std::string stdin_bytes;
    std::string out;
  } cases[] = {
      {{"missing.txt"}, "", kError + "指定された入力ファイルは存在しません： missing.txt\n"},
      {{"dir", "out.txt"}, "", kError + "入力ファイルにディレクトリが指定されています：dir\n"},
      // Reading the process's own memory from offset 0 fails with EIO.
      {{"/proc/self/mem", "out.txt"},
       "",
       kError + "ファイルにアクセスできません： \\proc\\self\\mem\n"},
      {{"in.txt", "dir"},
       "",
       kError + "同名のフォルダが既に存在するため、出力ファイルを作成できません： dir\n"},
      {{"/I", "BIG5", "in.txt"},
       "",
       kError + "/I の指定に誤りがあります。/I の後ろに指定できるキーワードを以下に示します："
                "\n\nSJIS  JIS  EUC  UNICODE  UTF8\n"},
      {{"/O", "X", "in.txt"},
       "",
       kError + "/O の指定に誤りがあります。/O の後ろに指定できるキーワードを以下に示します："
                "\n\nSJIS JIS EUC UNICODE UTF8 UTF8N\n"},
      {{"/N"},
       "",
       kError + "/N の指定に誤りがあります。/N の後ろに指定できるキーワードを以下に示します："
                "\n\nCRLF  LF  CR\n"},
      {{"in.txt", "nodir/out.txt"},
       "",
       kError + "出力ファイルのオープンでエラーが発生しました：  \n"},
      {{"in.txt", "/dev/full"},
       "y\n",
       kError + "出力ファイルの書き込みでエラーが発生しました： \n"},
  };
  for (const Case& c : cases) {
    ProgramRun run = Kanvo(dir, c.args, WithStdin(c.stdin_bytes));
    EXPECT_EQ(run.status, 1) << c.args[0];
    EXPECT_EQ(run.out, c.out) << c.args[0];
  }
  EXPECT_FALSE(dir.Exists("out.txt"));
}

TEST(KanvoE2eTest, NamesResolvedAgainstTheShellDirectory) {
  TempDir dir;
  dir.Write("in.txt", "a\n");
  mkdir((dir.path() + "/sub").c_str(), 0755);
  ProgramRun run =
      RunProgram("tvsh", {"-C", dir.path() + "/sub", "KANVO", "../in.txt", "./out.txt"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(dir.Read("sub/out.txt"), "a\r\n");
  run = RunProgram("tvsh", {"-C", dir.path(), "KANVO", "missing.txt"});
  EXPECT_EQ(run.out,
            kError + "指定された入力ファイルは存在しません： " + Dev(dir, "missing.txt") + "\n");
  // An absolute Linux name reaches KANVO in device form, never as options.
  run = Kanvo(dir, {"/O", "UTF8N", Abs(dir, "in.txt"), "abs.txt"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(dir.Read("abs.txt"), "a\r\n");
}

TEST(KanvoE2eTest, Questions) {
  struct Case {
    bool read_only;
    std::optional<std::string> answer;  // nullopt: no standard input at all
    bool yes;
  } cases[] = {
      {false, "y\n", true},  {false, "  Yes\n", true},     {false, "n\n", false},
      {false, "", false},    {false, std::nullopt, false}, {true, "y\n", true},
      {true, "no\n", false}, {true, std::nullopt, false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.Write("in.txt", "new\n");
    std::string out = dir.Write("out.txt", "old");
    if (c.read_only) chmod(out.c_str(), 0444);
    ProgramRun run = Kanvo(dir, {"in.txt", "out.txt"}, WithStdin(c.answer));
    std::string label = c.answer.value_or("(none)");
    EXPECT_EQ(run.status, c.yes ? 0 : 1) << label;
    EXPECT_EQ(run.out, "") << label;
    EXPECT_NE(run.err.find("KANVO"), std::string::npos) << label;
    EXPECT_NE(run.err.find(c.read_only ? "読み取り専用属性を解除して上書きしますか？"
                                       : "既に存在します。上書きしますか？"),
              std::string::npos)
        << label;
    EXPECT_NE(run.err.find("out.txt"), std::string::npos) << label;
    EXPECT_EQ(dir.Read("out.txt"), c.yes ? "new\r\n" : "old") << label;
    struct stat st;
    stat(out.c_str(), &st);
    EXPECT_EQ((st.st_mode & S_IWUSR) != 0, !c.read_only || c.yes) << label;
  }
}

TEST(KanvoE2eTest, SameFileAsInputAndOutput) {
  TempDir dir;
  const Code& euc = CodeNamed("EUC");
  const Code& utf8 = CodeNamed("UTF8");
  dir.Write("a.txt", Text(euc, "\n"));
  ProgramRun run = Kanvo(dir, {"/O", "UTF8", "a.txt", "a.txt"}, WithStdin("y\n"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(dir.Read("a.txt"), utf8.mark + Text(utf8, "\r\n"));
  // And back, through a symbolic link to it: the file is replaced, the link
  // stays.
  symlink("a.txt", (dir.path() + "/link").c_str());
  run = Kanvo(dir, {"/O", "EUC", "link", "link"}, WithStdin("y\n"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(dir.Read("a.txt"), Text(euc, "\n"));
  struct stat st;
  EXPECT_EQ(lstat((dir.path() + "/link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(KanvoE2eTest, EmptyInput) {
  TempDir dir;
  dir.Write("empty.txt", "");
  for (const Code& out : Codes()) {
    unlink((dir.path() + "/out.txt").c_str());
    ProgramRun run = Kanvo(dir, {"/O", out.keyword, "empty.txt", "out.txt"});
    EXPECT_EQ(run.status, 0) << out.keyword << run.out;
    EXPECT_EQ(dir.Read("out.txt"), out.mark) << out.keyword;
  }
  for (const Code& in : Codes()) {  // a mark alone is empty too
    dir.Write("mark.txt", in.mark);
    ProgramRun run = Kanvo(dir, {"/I", in.keyword, "mark.txt"});
    EXPECT_EQ(run.status, 0) << in.keyword << run.out;
    EXPECT_EQ(run.out, "\n") << in.keyword;
  }
}

TEST(KanvoE2eTest, ConsoleOutput) {
  TempDir dir;
  dir.Write("in.txt", Text(CodeNamed("EUC"), "\n"));
  ProgramRun run = Kanvo(dir, {"/O", "UNICODE", "/N", "CR", "in.txt"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, Text(CodeNamed("UTF8N"), "\r\n") + "\n");
  // Standard output that cannot be written ends with exit value 1.
  run = Kanvo(dir, {"in.txt"}, WithStdoutTo("/dev/full"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("書き込み"), std::string::npos);
}

// A long real Japanese text, kept to the characters that every code holds
// one-to-one (ASCII, and two-byte Shift_JIS with lead 0x81-0x9F or
// 0xE0-0xEF), survives UTF-8 -> SJIS -> EUC -> JIS -> UNICODE -> UTF8N.
TEST(KanvoE2eTest, ManualPageRoundTrip) {
  const std::string page = "/usr/share/man/ja/man1/bash.1.gz";
  if (access(page.c_str(), R_OK) != 0) {
    GTEST_SKIP() << page << " is missing (package manpages-ja)";
  }
  ProgramRun unzip = RunProgram("/bin/gzip", {"-dc", page});
  ASSERT_EQ(unzip.status, 0);
  std::u16string filtered;
  for (char16_t u : tv::Utf8ToUtf16(unzip.out)) {
    bool keep = (u >= 0x20 && u < 0x7F) || u == u'\n' || u == u'\t';
    if (u >= 0x80) {
      uint8_t bytes[2];
      keep = tv::Cp932UnitToBytes(u, bytes) == 2 &&
             ((bytes[0] >= 0x81 && bytes[0] <= 0x9F) || (bytes[0] >= 0xE0 && bytes[0] <= 0xEF)) &&
             tv::Cp932PairToUnit(bytes[0], bytes[1]) == u;
    }
    if (keep) filtered.push_back(u);
  }
  const std::string text = tv::Utf16ToUtf8(filtered);
  ASSERT_GT(text.size(), 100'000u);
  size_t japanese = 0;
  for (char16_t u : filtered) japanese += u >= 0x80;
  ASSERT_GT(japanese, 30'000u);

  TempDir dir;
  dir.Write("0.txt", text);
  const char* chain[][2] = {
      {"UTF8", "SJIS"}, {"SJIS", "EUC"}, {"EUC", "JIS"}, {"JIS", "UNICODE"}, {"UNICODE", "UTF8N"}};
  int step = 0;
  for (const auto& [from, to] : chain) {
    std::string in = std::to_string(step) + ".txt";
    std::string out = std::to_string(++step) + ".txt";
    ProgramRun run = Kanvo(dir, {"/I", from, "/O", to, "/N", "LF", Abs(dir, in), Abs(dir, out)});
    ASSERT_EQ(run.status, 0) << from << " -> " << to << run.out;
  }
  EXPECT_TRUE(dir.Read(std::to_string(step) + ".txt") == text);
}

}  // namespace
