#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/fake_env.h"

namespace tv {
namespace {

TEST(CommandLineTest, JoinsArgumentsAsTheShellWould) {
  struct Case {
    std::vector<const char*> args;
    std::u16string expected;
  } cases[] = {
      {{}, u""},
      {{"a.txt"}, u"a.txt"},
      {{"/I", "EUC", "in.txt"}, u"/I EUC in.txt"},
      {{"my file.txt", "b.txt"}, u"\"my file.txt\" b.txt"},
      {{"data", "file.txt"}, u"data file.txt"},
      {{""}, u"\"\""},
      {{"tab\there"}, u"\"tab\there\""},
      {{"say \"hi there\""}, u"say \"hi there\""},  // holds a quote: left alone
      {{"\xE6\x97\xA5.txt"}, u"日.txt"},
      {{"\xFF.txt"}, u"\xDCFF.txt"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"tool"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(CommandLineFromArgv(static_cast<int>(argv.size()), argv.data()), c.expected);
  }
}

TEST(CommandLineTest, AbsoluteLinuxPathsInDeviceForm) {
  FakeEnv env;
  env.AddDirectory("/home");
  env.AddDirectory("/home/ann");
  env.AddDirectory("/home/ann/a b");
  env.AddDirectory("/Q");
  env.AddFile("/home/ann/file", "");
  struct Case {
    std::vector<const char*> args;
    std::u16string expected;
  } cases[] = {
      {{"/home/ann/a.txt"}, u"\\home\\ann\\a.txt"},
      {{"/I", "EUC", "/home/ann/a.txt", "/home/x.txt"}, u"/I EUC \\home\\ann\\a.txt \\home\\x.txt"},
      {{"/home/ann/"}, u"\\home\\ann\\"},
      {{"/home/ann/a b/c d.txt"}, u"\"\\home\\ann\\a b\\c d.txt\""},
      // Options and their clusters: no folder at the root of that name.
      {{"/R/U", "/Ua.txt", "/O", "/", "//", "//h"}, u"/R/U /Ua.txt /O / // //h"},
      {{"/R/U/x", "/nodir/a.txt"}, u"/R/U/x /nodir/a.txt"},
      // Below an existing folder at the root, whatever is missing further in.
      {{"/home/missing/a.txt", "/home/ann/file/a.txt"},
       u"\\home\\missing\\a.txt \\home\\ann\\file\\a.txt"},
      // A one-letter folder that exists wins over the option.
      {{"/Q/a.txt"}, u"\\Q\\a.txt"},
      // Relative names are left alone.
      {{"home/ann/a.txt", "../a.txt"}, u"home/ann/a.txt ../a.txt"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"tool"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    std::u16string line;
    std::string refused;
    ASSERT_TRUE(ToolCommandLine(env, static_cast<int>(argv.size()), argv.data(), &line, &refused));
    EXPECT_EQ(line, c.expected) << c.args[0];
  }
}

TEST(CommandLineTest, ArgumentWithADoubleQuoteIsRefused) {
  struct Case {
    std::vector<const char*> argv;
    std::string refused;
  } cases[] = {
      {{"KANVO", "in.txt \\tmp\\x \".txt", "out.txt"}, "in.txt \\tmp\\x \".txt"},
      {{"KANVO", "/O", "UTF8", "/tmp/a.txt", "\""}, "\""},
      {{"sort", "\"my file.txt\"", "\"second\""}, "\"my file.txt\""},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    env.AddDirectory("/tmp");
    int argc = static_cast<int>(c.argv.size());
    std::u16string line = u"stale";
    std::string refused;
    EXPECT_FALSE(ToolCommandLine(env, argc, c.argv.data(), &line, &refused));
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(line, u"");

    bool ran = false;
    auto tool = [&](const std::u16string&) {
      ran = true;
      return 0;
    };
    EXPECT_EQ(RunTool(env, argc, c.argv.data(), {"t", [](WideWriter&) {}, {}}, tool),
              kRefusedCommandLine);
    EXPECT_FALSE(ran);
    EXPECT_EQ(env.stderr_sink.bytes(),
              "二重引用符（\"）を含む引数は渡せません：" + c.refused + "\n");
  }
}

TEST(CommandLineTest, NamesTheDeviceReadsOtherwiseOnlyAtThePrompt) {
  const std::string kMessage =
      "バックスラッシュ（\\）や、前後に空白のある名前を含む引数は、tvsh のプロンプトでのみ"
      "使えます（フォルダの区切りは /）：";
  struct Case {
    const char* arg;
    bool refused;          // outside the prompt
    std::u16string typed;  // the line at the prompt
  } cases[] = {
      {"d\\..\\..\\private\\secret.txt", true, u"d\\..\\..\\private\\secret.txt"},
      {"..\\x", true, u"..\\x"},
      {"/tmp/a\\b", true, u"\\tmp\\a\\b"},
      {"a.txt ", true, u"\"a.txt \""},
      {"proj /in.txt", true, u"\"proj /in.txt\""},
      {" a.txt", true, u"\" a.txt\""},
      {"a.txt\t", true, u"\"a.txt\t\""},
      {"a.txt\r", true, u"a.txt\r"},
      {"dir\n/a.txt", true, u"dir\n/a.txt"},
      {"a.txt\u3000", true, u"a.txt\u3000"},
      {"\u00a0a.txt", true, u"\u00a0a.txt"},
      {"/tmp/x /a.txt", true, u"\"\\tmp\\x \\a.txt\""},
      {" ", true, u"\" \""},
      // Inside a part, white space is part of the name; '/' is the
      // separator; none of this is refused anywhere.
      {"my file.txt", false, u"\"my file.txt\""},
      {"a\u3000b/c\u00a0d.txt", false, u"a\u3000b/c\u00a0d.txt"},
      {"/tmp/my dir/a.txt", false, u"\"\\tmp\\my dir\\a.txt\""},
      {"samples/a.txt", false, u"samples/a.txt"},
      {"\xe6\x97\xa5\xe6\x9c\xac.txt", false, u"日本.txt"},
      {"", false, u"\"\""},
  };
  for (bool typed : {false, true}) {
    for (const Case& c : cases) {
      FakeEnv env;
      env.AddDirectory("/tmp");
      if (typed) env.variables["TORVELAN_TYPED"] = "1";
      const char* argv[] = {"tool", "/I", c.arg};
      bool ran = false;
      std::u16string line;
      auto tool = [&](const std::u16string& given) {
        ran = true;
        line = given;
        return 0;
      };
      int status = RunTool(env, 3, argv, {"t", [](WideWriter&) {}, {}}, tool);
      if (c.refused && !typed) {
        EXPECT_EQ(status, kRefusedCommandLine) << c.arg;
        EXPECT_FALSE(ran) << c.arg;
        std::string shown = c.arg;
        for (char& ch : shown) ch = (ch == '\t' || ch == '\r' || ch == '\n') ? '?' : ch;
        EXPECT_EQ(env.stderr_sink.bytes(), kMessage + shown + "\n");
      } else {
        EXPECT_EQ(status, 0) << c.arg;
        EXPECT_EQ(line, u"/I " + c.typed) << c.arg << " typed " << typed;
        EXPECT_EQ(env.stderr_sink.bytes(), "");
      }
    }
  }
  // Only "1" marks a typed line.
  FakeEnv env;
  env.variables["TORVELAN_TYPED"] = "yes";
  const char* argv[] = {"tool", "a\\b"};
  EXPECT_EQ(RunTool(env, 2, argv, {"t", [](WideWriter&) {}, {}}, [](const std::u16string&) { return 0; }), kRefusedCommandLine);
}

TEST(CommandLineTest, ControlCharactersInARefusedNameShowAsQuestionMarks) {
  FakeEnv env;
  const char* argv[] = {"tool", "x\x1b[2K\x7f\xc2\x9b\x9b\"y"};
  EXPECT_EQ(RunTool(env, 2, argv, {"t", [](WideWriter&) {}, {}}, [](const std::u16string&) { return 0; }), kRefusedCommandLine);
  EXPECT_EQ(env.stderr_sink.bytes(), "二重引用符（\"）を含む引数は渡せません：x?[2K???\"y\n");
}

}  // namespace
}  // namespace tv
