#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <vector>

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

}  // namespace
}  // namespace tv
