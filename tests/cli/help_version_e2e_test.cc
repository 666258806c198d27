// --help, -h, /? and --version of every tool and tvsh, as the only
// argument; anything else stays what the tool's own grammar makes of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testutil/run_program.h"

namespace tv {
namespace {

struct Tool {
  const char* name;
  std::vector<std::string> usage_args;  // how the tool's own grammar asks for its usage
};
const Tool kTools[] = {
    {"KANVO", {"/H"}}, {"diff", {}}, {"sort", {"/H"}}, {"vornak", {"/H"}}, {"Pelquin", {"/h"}},
};

TEST(HelpAndVersionTest, EveryToolAnswersTheLinuxWays) {
  for (const Tool& tool : kTools) {
    SCOPED_TRACE(tool.name);
    std::string usage = RunProgram(tool.name, tool.usage_args).out;
    ASSERT_FALSE(usage.empty());
    for (const char* ask : {"--help", "-h", "/?"}) {
      SCOPED_TRACE(ask);
      ProgramRun run = RunProgram(tool.name, {ask});
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.out.substr(0, usage.size()), usage);
      EXPECT_NE(run.out.find(" --version "), std::string::npos);
      EXPECT_EQ(run.err, "");
    }
    ProgramRun version = RunProgram(tool.name, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string(tool.name) + " (Torvelan tools) " TV_PROJECT_VERSION "\n");
    // An answer that cannot be written is no success.
    EXPECT_NE(RunProgram(tool.name, {"--version"}, {.stdout_path = "/dev/full"}).status, 0);
  }
}

TEST(HelpAndVersionTest, TvshAnswersTheLinuxWays) {
  for (const char* ask : {"--help", "-h", "/?"}) {
    ProgramRun run = RunProgram("tvsh", {ask});
    EXPECT_EQ(run.status, 0) << ask;
    EXPECT_EQ(run.out.rfind("usage: tvsh ", 0), 0u) << ask << run.out;
  }
  ProgramRun version = RunProgram("tvsh", {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tvsh (Torvelan tools) " TV_PROJECT_VERSION "\n");
}

// A file of such a name is reached as ./--help, and a question among other
// arguments is no question: the tool reads it as its grammar says.
TEST(HelpAndVersionTest, OtherwiseTheWordsAreTheToolsOwn) {
  TempDir dir;
  dir.Write("--help", "b\na\n");
  dir.Write("-h", "x\n");
  struct Case {
    const char* tool;
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {"sort", {"./--help"}, "a\nb\n"},
      {"vornak", {"./-h"}, "X\n"},
      {"diff", {"./--help", "./--help"}, ""},
      // Through tvsh: the question belongs to the command.
      {"tvsh", {"vornak", "./-h"}, "X\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tool);
    ProgramRun run = RunProgram(c.tool, c.args, {.cwd = dir.path()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
  for (const Tool& tool : kTools) {
    ProgramRun run = RunProgram(tool.name, {"--version", "x"}, {.cwd = dir.path()});
    EXPECT_EQ(run.out.find("(Torvelan tools)"), std::string::npos) << tool.name;
  }
}

}  // namespace
}  // namespace tv
