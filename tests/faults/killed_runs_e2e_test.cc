// KANVO killed at random moments of a large conversion, many times: each
// time the folder must hold exactly what it held before, or that with the
// complete new output in place; never a temporary file, never a cut one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "tests/faults/fault_run.h"

namespace tv::faults {
namespace {

// Starts KANVO in `cwd` with the answer Yes on standard input and nothing
// shown; its process id.
pid_t StartKanvo(const std::string& cwd, const std::string& answers) {
  std::string kanvo = BinDir() + "/KANVO";
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(answers.c_str(), O_RDONLY);
    int null = open("/dev/null", O_WRONLY);
    if (in < 0 || null < 0 || chdir(cwd.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(null, 1);
    dup2(null, 2);
    execl(kanvo.c_str(), kanvo.c_str(), "/O", "UTF8", "in.txt", "out.txt", nullptr);
    _exit(127);
  }
  return pid;
}

TEST(KilledRunsTest, NothingIsLeftBehind) {
  Folder folder;
  std::string text;
  for (int i = 0; i < 100000; ++i) {
    text += "\xB9\xD4 " + std::to_string(i) + " \xA4\xA2\xA4\xA4\xA4\xA6 line\n";  // EUC-JP
  }
  folder.Write("in.txt", text);
  TempDir scratch;
  std::string answers = scratch.Write("answers", "y\n");

  // A whole run, for the output and for how long a run takes.
  auto start = std::chrono::steady_clock::now();
  pid_t pid = StartKanvo(folder.path(), answers);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  auto whole = std::chrono::steady_clock::now() - start;
  const std::string converted = folder.Read("out.txt");
  ASSERT_GT(converted.size(), text.size());

  std::mt19937 random(20261209);
  std::uniform_int_distribution<long long> moment(
      0, std::chrono::duration_cast<std::chrono::microseconds>(whole).count() * 5 / 4);
  int cut_short = 0;
  for (int round = 0; round < 40; ++round) {
    // Even rounds replace an old file; odd ones make a new one. A kill
    // that cannot be caught may strike anywhere; a catchable one waits
    // while a replacement is put in place under its temporary name.
    bool replacing = round % 2 == 0;
    int signal = replacing ? SIGTERM : SIGKILL;
    unlink((folder.path() + "/out.txt").c_str());
    if (replacing) folder.Write("out.txt", "old\n");
    pid = StartKanvo(folder.path(), answers);
    std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
    kill(pid, signal);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    bool killed = WIFSIGNALED(status);
    cut_short += killed;
    std::set<std::string> names = folder.Names();
    std::string what = "round " + std::to_string(round) + (killed ? ", killed" : ", finished");
    if (names.count("out.txt") != 0) {
      std::string out = folder.Read("out.txt");
      EXPECT_TRUE(out == converted || (replacing && out == "old\n")) << what << ": a cut file";
      names.erase("out.txt");
    } else {
      EXPECT_FALSE(replacing) << what << ": the old file is gone";
    }
    EXPECT_EQ(names, std::set<std::string>{"in.txt"}) << what;
  }
  // The moments must fall within the runs for the test to mean anything.
  EXPECT_GE(cut_short, 10);
}

}  // namespace
}  // namespace tv::faults
