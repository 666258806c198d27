#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "testutil/run_program.h"

namespace tv {
namespace {

constexpr char kShareFile[] = "/dev/shm/TORVELAN_CURRENT_DIRECTORY";

std::string Utf16LeToAscii(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (bytes[i] == 0 && bytes[i + 1] == 0) break;
    out.push_back(bytes[i]);
  }
  return out;
}

TEST(TvshTest, PublishesTheFolderForTheCommandAndRemovesIt) {
  TempDir dir;
  ProgramRun run = RunProgram("tvsh", {"-C", dir.path(), "cat", kShareFile});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.size(), 520u);
  std::string expected = dir.path() + "/";
  for (char& c : expected) c = c == '/' ? '\\' : c;
  EXPECT_EQ(Utf16LeToAscii(run.out), expected);
  EXPECT_NE(access(kShareFile, F_OK), 0) << "share left behind";
}

TEST(TvshTest, DefaultsToItsWorkingFolder) {
  TempDir dir;
  ProgramRun run = RunProgram("tvsh", {"cat", kShareFile}, {.cwd = dir.path()});
  std::string expected = dir.path() + "/";
  for (char& c : expected) c = c == '/' ? '\\' : c;
  EXPECT_EQ(Utf16LeToAscii(run.out), expected);
}

TEST(TvshTest, PassesOnTheStatusAndPutsTheToolsFirstOnPath) {
  EXPECT_EQ(RunProgram("tvsh", {"sh", "-c", "exit 7"}).status, 7);
  EXPECT_EQ(RunProgram("tvsh", {"sh", "-c", "kill -9 $$"}).status, 128 + 9);
  ProgramRun run = RunProgram("tvsh", {"sh", "-c", "command -v tvsh"});
  EXPECT_EQ(run.out, BinDir() + "/tvsh\n");
  EXPECT_NE(access(kShareFile, F_OK), 0);
}

TEST(TvshTest, CommandsGetTheSignalsTvshFound) {
  // Ignored as tvsh starts (as under nohup): ignored for the command too.
  // The interrupt, which tvsh itself ignores, is the command's again.
  auto old_hup = signal(SIGHUP, SIG_IGN);
  auto old_pipe = signal(SIGPIPE, SIG_IGN);
  ProgramRun run = RunProgram("tvsh", {"sh", "-c", "grep SigIgn /proc/$$/status"});
  signal(SIGHUP, old_hup);
  signal(SIGPIPE, old_pipe);
  ASSERT_EQ(run.out.rfind("SigIgn:", 0), 0u) << run.out;
  unsigned long long ignored = std::stoull(run.out.substr(7), nullptr, 16);
  auto bit = [](int signal_number) { return 1ull << (signal_number - 1); };
  EXPECT_NE(ignored & bit(SIGHUP), 0u);
  EXPECT_NE(ignored & bit(SIGPIPE), 0u);
  EXPECT_EQ(ignored & bit(SIGINT), 0u);
  EXPECT_EQ(ignored & bit(SIGTERM), 0u);
}

TEST(TvshTest, HelpVersionAndTheEndOfOptions) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out_starts;
    std::string err_starts;
  } cases[] = {
      {{"--help"}, 0, "usage: tvsh [-C DIR] [--] [COMMAND [ARG...]]\n", ""},
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
  EXPECT_NE(access(kShareFile, F_OK), 0);
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
  EXPECT_NE(access(kShareFile, F_OK), 0);
}

}  // namespace
}  // namespace tv
