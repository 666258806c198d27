#include "tools/diff/diff_command_line.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fake_env.h"
#include "platform/utf16.h"
#include "tools/diff/diff_main.h"

namespace tv {
namespace {

TEST(IsUnicodeFileTest, MarkOrZeroByteWithinTheFirst1024Bytes) {
  struct Case {
    const char* name;
    std::string bytes;
    bool unicode;
  } cases[] = {
      {"mark FF FE",
       "\xFF\xFE"
       "a",
       true},
      {"mark FE FF",
       "\xFE\xFF"
       "a",
       true},
      {"zero byte first", std::string("\0a", 2), true},
      {"zero byte at 1024th", std::string(1023, 'a') + std::string(1, '\0'), true},
      {"zero byte at 1025th", std::string(1024, 'a') + std::string(1, '\0'), false},
      {"Shift_JIS text", "\x82\xA0\x82\xA2\n", false},
      {"one byte FF", "\xFF", false},
      {"empty", "", false},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    env.AddFile("f", c.bytes);
    EXPECT_EQ(IsUnicodeFile(env, u"f"), c.unicode) << c.name;
  }
  FakeEnv env;
  EXPECT_FALSE(IsUnicodeFile(env, u"missing"));
}

TEST(SkipArgumentBlanksTest, IdeographicSpaceOnlyWhenAsked) {
  const char16_t* text = u" \t\u3000x";
  EXPECT_EQ(SkipArgumentBlanks(text, true), text + 3);
  EXPECT_EQ(SkipArgumentBlanks(text, false), text + 2);
  EXPECT_EQ(SkipArgumentBlanks(nullptr, true), nullptr);
}

struct DiffRun {
  int status;
  std::string out;
};

DiffRun RunInProcess(FakeEnv& env, const std::u16string& command_line) {
  int status = DiffMain(env, command_line);
  return {status, env.stdout_text()};
}

const char kChangedReport[] = "\n1-1,1-1\n!<a \n ---\n!>a\n";

// Forms of the command line that reach the same two files.
TEST(DiffCommandLineTest, Grammar) {
  struct Case {
    std::u16string command_line;
    std::string out;
  } cases[] = {
      {u"a.txt b.txt", kChangedReport},
      {u"/I a.txt b.txt", ""},
      {u"/ia.txt b.txt", ""},  // the name may follow /I directly
      {u"\u3000/i\u3000a.txt\t\u3000b.txt", ""},
      {u"a.txt\u3000b.txt", "指定のファイルが存在しません：a.txt\u3000b.txt\n"},
      {u"a.txt b.txt c.txt /I", kChangedReport},  // the rest is ignored
      {u"\"a.txt\"b.txt", kChangedReport},
      {u"\" a.txt\" \"b.txt\"", kChangedReport},
      // /U reads a.txt as UTF-16: "a " is U+2061 and the odd last byte is dropped.
      {u"/I /Ua.txt b.txt",
       "< [Unicode]\n> [シフトJIS]\n--------------\n\n1-1,1-1\n!<\u2061\n ---\n!>a\n"},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    env.AddFile("a.txt", "a \n");
    env.AddFile("b.txt", "a\n");
    DiffRun run = RunInProcess(env, c.command_line);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, c.out);
  }
}

TEST(DiffCommandLineTest, UnicodeOptionWithNoNameAsksForTheFile) {
  FakeEnv env;
  env.share = u"\\home\\x\\";
  env.AddDirectory("/home/x/");
  env.AddFile("/home/x/a.txt", "a\n");
  DiffRun run = RunInProcess(env, u"a.txt /U ");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("file2 を指定してください\n\n使用方法:\n", 0), 0u) << run.out;
}

TEST(DiffCommandLineTest, ReadErrorGivesNoReport) {
  FakeEnv env;
  env.AddFile("a.txt", "a\nb\nc\n");
  env.AddFile("b.txt", "a\nb\nc\nd\n");
  env.files["b.txt"].fail_read_after = 4;
  DiffRun run = RunInProcess(env, u"a.txt b.txt");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "ファイルのオープンでエラーが発生しました：b.txt\n");
}

TEST(DiffCommandLineTest, FirstFileFailureLeavesTheSecondAlone) {
  FakeEnv env;
  DiffRun run = RunInProcess(env, u"missing.txt \\folder");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "指定のファイルが存在しません：missing.txt\n");
}

TEST(DiffCommandLineTest, NameTooLongForThePathBufferIsReportedAsGiven) {
  // The shell's folder and the name do not fit 260 units together: the
  // file counts as missing, and the message names it as it was typed.
  const std::u16string folder = u"\\" + std::u16string(200, u'd') + u"\\";
  const std::u16string name(58, u'n');  // one unit more than fits
  struct Case {
    std::u16string command_line;
    std::u16string reported;
  } cases[] = {
      {name + u" b.txt", name},
      {u"\"  " + name + u" \t\" b.txt", name},
      {u"\"" + name + u"", name},  // no closing quotation mark
      {u"b.txt /U " + name, name},
      {u"\\" + std::u16string(259, u'a') + u" b.txt", u"\\" + std::u16string(259, u'a')},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    env.share = folder;
    env.AddDirectory("/" + std::string(200, 'd') + "/");
    env.AddFile("/" + std::string(200, 'd') + "/b.txt", "b\n");
    DiffRun run = RunInProcess(env, c.command_line);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "指定のファイルが存在しません：" + Utf16ToUtf8(c.reported) + "\n");
  }
}

TEST(DiffCommandLineTest, WriteFailureIsTheFailureExitValue) {
  FakeEnv env;
  env.AddFile("a.txt", "a\n");
  env.AddFile("b.txt", "b\n");
  env.stdout_sink.set_capacity(5);
  EXPECT_EQ(DiffMain(env, u"a.txt b.txt"), kDiffWriteFailed);
  FakeEnv empty_line;
  empty_line.stdout_sink.set_capacity(5);
  EXPECT_EQ(DiffMain(empty_line, u""), kDiffWriteFailed);
}

}  // namespace
}  // namespace tv
