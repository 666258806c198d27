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
      // Options and their clusters: no folder before the last slash.
      {{"/R/U", "/Ua.txt", "/O", "/", "//"}, u"/R/U /Ua.txt /O / //"},
      {{"/R/U/x"}, u"/R/U/x"},
      // A folder that does not exist, or a file where the folder should be.
      {{"/nodir/a.txt", "/home/ann/file/a.txt"}, u"/nodir/a.txt /home/ann/file/a.txt"},
      // A one-letter folder that exists wins over the option.
      {{"/Q/a.txt"}, u"\\Q\\a.txt"},
      // Relative names and device paths are left alone.
      {{"home/ann/a.txt", "\\home\\ann\\a.txt"}, u"home/ann/a.txt \\home\\ann\\a.txt"},
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

}  // namespace
}  // namespace tv
