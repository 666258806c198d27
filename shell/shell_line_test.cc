#include "shell/shell_line.h"

#include <gtest/gtest.h>

#include "platform/command_line.h"
#include "platform/utf16.h"

namespace tv {
namespace {

// The command line a tool rebuilds from the arguments tvsh gives it.
std::string RebuiltToolLine(const ShellLine& parsed) {
  std::vector<const char*> argv = {parsed.command.c_str()};
  for (const std::string& arg : parsed.args) argv.push_back(arg.c_str());
  return Utf16ToUtf8(CommandLineFromArgv(static_cast<int>(argv.size()), argv.data()));
}

TEST(SplitShellLineTest, ToolsGetTheTextAfterTheCommandName) {
  struct Case {
    const char* line;
    const char* command;
    std::vector<std::string> args;
    const char* tool_line;  // what the tool's command line becomes
  } cases[] = {
      {"", "", {}, ""},
      {"   \t ", "", {}, ""},
      {"Pelquin", "Pelquin", {}, ""},
      {"KANVO /O UTF8N a.txt b.txt",
       "KANVO",
       {"/O", "UTF8N", "a.txt", "b.txt"},
       "/O UTF8N a.txt b.txt"},
      {"  diff   a.txt\tb.txt  ", "diff", {"a.txt", "b.txt"}, "a.txt b.txt"},
      // Quotes leave the words; the tool quotes a word with a blank again.
      {"diff \"my file.txt\" b.txt", "diff", {"my file.txt", "b.txt"}, "\"my file.txt\" b.txt"},
      // Blanks and tabs inside quotes stay as typed.
      {"sort \"a  b\tc\"", "sort", {"a  b\tc"}, "\"a  b\tc\""},
      // A quote inside a word, and an unclosed one, run to their end.
      {"vornak x\"y z\"w v", "vornak", {"xy zw", "v"}, "\"xy zw\" v"},
      {"sort \"open name", "sort", {"open name"}, "\"open name\""},
      {"sort \"\"", "sort", {""}, "\"\""},
      {"KANVO \"a.txt\" \"b.txt\"", "KANVO", {"a.txt", "b.txt"}, "a.txt b.txt"},
      // Unquoted names with blanks reach the filters as one name.
      {"sort my file.txt", "sort", {"my", "file.txt"}, "my file.txt"},
      {"sort /R\\tmp\\a.txt", "sort", {"/R\\tmp\\a.txt"}, "/R\\tmp\\a.txt"},
      {"vornak 日本語　名.txt", "vornak", {"日本語　名.txt"}, "日本語　名.txt"},
      {"KANVO a.txt\r", "KANVO", {"a.txt"}, "a.txt"},
      {"\"my tool\" x", "my tool", {"x"}, "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ShellLine parsed = SplitShellLine(c.line);
    EXPECT_EQ(parsed.command, c.command);
    EXPECT_EQ(parsed.args, c.args);
    EXPECT_EQ(RebuiltToolLine(parsed), c.tool_line);
  }
}

TEST(SplitShellLineTest, RestIsTheTextAfterTheCommandWord) {
  EXPECT_EQ(SplitShellLine("cd  my folder  ").rest, "my folder");
  EXPECT_EQ(SplitShellLine("cd").rest, "");
  EXPECT_EQ(SplitShellLine("exit 3").rest, "3");
}

TEST(CdTest, ArgumentAndTargetPath) {
  EXPECT_EQ(CdArgument("my folder"), "my folder");
  EXPECT_EQ(CdArgument("\"my folder\" ignored"), "my folder");
  EXPECT_EQ(CdArgument("\"unclosed"), "unclosed");

  const std::string home = "/home/ann";
  struct Case {
    const char* argument;
    const char* current;
    const char* path;
  } cases[] = {
      {"", "/tmp", "/home/ann"},
      {"~", "/tmp", "/home/ann"},
      {"~/texts", "/tmp", "/home/ann/texts"},
      {"~\\texts", "/tmp", "/home/ann/texts"},
      {"sub", "/tmp", "/tmp/sub"},
      {"sub", "/", "/sub"},
      {"..\\x", "/tmp/a", "/tmp/a/../x"},
      {"\\home\\bob\\", "/tmp", "/home/bob/"},
      {"/var/tmp", "/tmp", "/var/tmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    EXPECT_EQ(CdTargetPath(c.argument, c.current, home), c.path);
  }
}

TEST(ShellOperatorTest, PipesRedirectionsAndListsAreNotWords) {
  struct Case {
    const char* line;
    const char* word;
  } cases[] = {
      {"KANVO f.txt | head -2", "|"},
      {"KANVO f.txt > out.txt", ">"},
      {"sort < in.txt", "<"},
      {"sort a.txt; sort b.txt", "a.txt;"},
      {"sort a.txt && vornak b.txt", "&&"},
      {"sort a.txt &", "&"},
      {"KANVO f.txt >>log", ">>log"},
      {"sort a.txt 2>err", "2>err"},
      {"sort a|b", "a|b"},
      {"sort \"a | b.txt\"", ""},  // quoted: a name
      {"sort \"x\">y", "\"x\">y"},
      {"sort Tom&Jerry.txt", ""},
      {"sort a;b.txt", ""},
      {"sort memo.txt", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ShellOperatorWord(c.line), c.word) << c.line;
}

TEST(PromptTest, ShowsTheDeviceFormOfTheFolder) {
  EXPECT_EQ(PromptFor("/home/ann"), "\\home\\ann\\> ");
  EXPECT_EQ(PromptFor("/"), "\\> ");
  EXPECT_EQ(PromptFor("/tmp/日本"), "\\tmp\\日本\\> ");
  EXPECT_EQ(PromptFor("/tmp/a\x1b[2K\rb"), "\\tmp\\a?[2K?b\\> ");
}

}  // namespace
}  // namespace tv
