#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "testutil/run_program.h"

namespace tv {
namespace {

std::string DeviceForm(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path + "\\";
}

TEST(TvshTest, PublishesTheFolderInTheCommandsEnvironment) {
  TempDir dir;
  // A folder whose name is not UTF-8 reaches the command byte for byte;
  // what tvsh itself inherited is replaced.
  std::string odd = dir.path() + "/\xff\xfe d";
  ASSERT_EQ(mkdir(odd.c_str(), 0755), 0);
  struct Case {
    std::vector<std::string> args;
    std::string cwd;
    std::string expected;
  } cases[] = {
      {{"-C", dir.path()}, "", DeviceForm(dir.path())},
      {{}, dir.path(), DeviceForm(dir.path())},  // its working folder
      {{"-C", odd}, "", DeviceForm(odd)},
      {{"-C", "/"}, "", "\\"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"printenv", "TORVELAN_CURRENT_DIRECTORY"});
    ProgramRun run =
        RunProgram("tvsh", args, {.cwd = c.cwd, .shell_folder = std::string("\\elsewhere\\")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.expected + "\n");
  }
}

TEST(TvshTest, PassesOnTheStatusAndPutsTheToolsFirstOnPath) {
  EXPECT_EQ(RunProgram("tvsh", {"sh", "-c", "exit 7"}).status, 7);
  EXPECT_EQ(RunProgram("tvsh", {"sh", "-c", "kill -9 $$"}).status, 128 + 9);
  ProgramRun run = RunProgram("tvsh", {"sh", "-c", "command -v tvsh"});
  EXPECT_EQ(run.out, BinDir() + "/tvsh\n");
}

TEST(TvshTest, CommandsGetTheSignalsTvshFound) {
  // Whatever was ignored as tvsh started (under nohup; the interrupt and
  // quit of `tvsh cmd &` in a script) is ignored for its command too, in
  // both forms; the signals tvsh itself ignores or catches are otherwise
  // the command's at their default again.
  auto bit = [](int signal_number) { return 1ull << (signal_number - 1); };
  // (SIGPIPE is left out: RunProgram ignores it for every program it runs.)
  const int kSignals[] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};
  unsigned long long all = 0;
  for (int s : kSignals) all |= bit(s);
  for (unsigned long long ignored_before : {0ull, bit(SIGINT) | bit(SIGQUIT), bit(SIGHUP), all}) {
    for (bool interactive : {false, true}) {
      SCOPED_TRACE(std::to_string(ignored_before) + (interactive ? " interactive" : ""));
      sighandler_t old[4];
      for (int i = 0; i < 4; ++i) {
        old[i] = signal(kSignals[i], (ignored_before & bit(kSignals[i])) ? SIG_IGN : SIG_DFL);
      }
      ProgramRun run =
          interactive ? RunProgram("tvsh", {}, {.stdin_bytes = "grep SigIgn /proc/self/status\n"})
                      : RunProgram("tvsh", {"grep", "SigIgn", "/proc/self/status"});
      for (int i = 0; i < 4; ++i) signal(kSignals[i], old[i]);
      ASSERT_EQ(run.out.rfind("SigIgn:", 0), 0u) << run.out;
      unsigned long long ignored = std::stoull(run.out.substr(7), nullptr, 16);
      EXPECT_EQ(ignored & all, ignored_before);
    }
  }
}

TEST(TvshTest, HelpVersionAndTheEndOfOptions) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out_starts;
    std::string err_starts;
  } cases[] = {
      {{"--help"}, 0, "usage: tvsh [--utf8 | --cp932] [-C DIR] [--] [COMMAND [ARG...]]\n", ""},
      {{"-C", "/", "--help", "false"}, 0, "usage: tvsh", ""},
      {{"--version"}, 0, "tvsh (Torvelan tools) " TV_PROJECT_VERSION "\n", ""},
      // After "--", and after the command, --help is a word like any other.
      {{"--", "--help"}, 127, "", "tvsh: --help: "},
      {{"echo", "--help", "--version"}, 0, "--help --version\n", ""},
      {{"-C", "/", "--", "echo", "--"}, 0, "--\n", ""},
      {{"--hlep"}, 2, "", "tvsh: unknown option '--hlep'\nusage: tvsh"},
      {{"-C"}, 2, "", "tvsh: option '-C' requires a folder\n"},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunProgram("tvsh", c.args);
    SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out.substr(0, c.out_starts.size()), c.out_starts);
    EXPECT_EQ(run.err.substr(0, c.err_starts.size()), c.err_starts);
    if (c.out_starts.empty()) {
      EXPECT_EQ(run.out, "");
    }
    if (c.err_starts.empty()) {
      EXPECT_EQ(run.err, "");
    }
  }
  // A help that cannot be written is a failure.
  ProgramRun full = RunProgram("tvsh", {"--help"}, {.stdout_path = "/dev/full"});
  EXPECT_EQ(full.status, 1);
}

TEST(TvshTest, RefusesBadUse) {
  EXPECT_EQ(RunProgram("tvsh", {"-C"}).status, 2);
  EXPECT_EQ(RunProgram("tvsh", {"-C", "/no/such/folder", "true"}).status, 1);
  EXPECT_EQ(RunProgram("tvsh", {"no-such-command-here"}).status, 127);
}

TEST(TvshTest, RefusesAFolderTooLongForTheShare) {
  // Cut to the share's 259 units, the folder would be another one.
  TempDir dir;
  std::string deep = dir.path();
  while (deep.size() < 300) {
    deep += "/" + std::string(40, 'd');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  ProgramRun run = RunProgram("tvsh", {"-C", deep, "true"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("too long"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tv
