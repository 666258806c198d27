// The interactive tvsh, driven through standard input and through a
// pseudo-terminal as a user would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "testutil/run_program.h"

namespace tv {
namespace {

std::string DeviceForm(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path + "\\";
}

class InteractiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sub_ = dir_.path() + "/sub dir";
    ASSERT_EQ(mkdir(sub_.c_str(), 0755), 0);
    dir_.Write("sub dir/names.txt", "pear\napple\nfig\n");
  }

  TempDir dir_;
  std::string sub_;
};

TEST_F(InteractiveTest, RunsToolsInTheFolderThatCdPublishes) {
  ProgramRun run = RunProgram("tvsh", {"-C", dir_.path()},
                              {.stdin_bytes = "printenv TORVELAN_CURRENT_DIRECTORY\n"
                                              "cd sub dir\n"
                                              "printenv TORVELAN_CURRENT_DIRECTORY\n"
                                              "sort names.txt\n"
                                              "KANVO missing.txt\n"
                                              "exit\n"});
  EXPECT_EQ(run.status, 1) << "the status of the last command";
  std::string expected = DeviceForm(sub_);
  std::string before = DeviceForm(dir_.path()) + "\n" + expected + "\n";
  ASSERT_EQ(run.out.substr(0, before.size()), before);
  std::string after = run.out.substr(before.size());
  EXPECT_EQ(after.substr(0, 15), "apple\nfig\npear\n");
  // KANVO names the input as resolved through the share.
  EXPECT_NE(after.find(expected + "missing.txt"), std::string::npos) << after;
  EXPECT_EQ(run.err, "") << "no prompt when standard input is no terminal";
}

TEST_F(InteractiveTest, CdTakesDevicePathsLinuxPathsAndHome) {
  std::string device_sub = DeviceForm(sub_);
  const char* old_home = std::getenv("HOME");
  std::string saved = old_home ? old_home : "";
  setenv("HOME", sub_.c_str(), 1);
  ProgramRun run = RunProgram("tvsh", {},
                              {.stdin_bytes = "cd " + device_sub +
                                              "\nsort /R names.txt\n"       // device path
                                              "cd \\\nsort /R names.txt\n"  // the root
                                              "cd\nsort names.txt\n"        // home
                                              "cd \"" +
                                              sub_ +
                                              "\"\nsort /R names.txt\n"  // Linux path, quoted
                                              "cd no-such-folder\nsort names.txt\n",  // stays put
                               .cwd = dir_.path()});
  if (old_home) setenv("HOME", saved.c_str(), 1);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "pear\nfig\napple\n"
            "入力ファイルの読み込みでエラーが発生しました。\n"
            "apple\nfig\npear\n"
            "pear\nfig\napple\n"
            "apple\nfig\npear\n");
  EXPECT_EQ(run.err, "tvsh: cd: no-such-folder: not a folder\n");
}

TEST_F(InteractiveTest, LeavesTheRestOfTheInputToTheTools) {
  dir_.Write("sub dir/out.txt", "old");
  // KANVO asks before it replaces out.txt and reads its answer from the
  // same standard input as tvsh.
  ProgramRun run = RunProgram("tvsh", {"-C", sub_},
                              {.stdin_bytes = "KANVO /O UTF8N names.txt out.txt\ny\nexit 7\n"});
  EXPECT_EQ(run.status, 7);
  EXPECT_EQ(dir_.Read("sub dir/out.txt"), "pear\r\napple\r\nfig\r\n");
}

TEST_F(InteractiveTest, LinesFromAPipeAreNoTypedLines) {
  // A script's words may come from a glob: tvsh marks none as typed, and
  // passes on no mark it inherited.
  ProgramRun run =
      RunProgram("tvsh", {"-C", sub_},
                 {.stdin_bytes = "sort .\\names.txt\nprintenv TORVELAN_TYPED\n", .typed = true});
  EXPECT_EQ(run.status, 1) << "printenv finds no mark";
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find(".\\names.txt"), std::string::npos) << run.err;
}

TEST_F(InteractiveTest, EndsAtTheEndOfInputWithTheLastStatus) {
  struct Case {
    std::string input;
    int status;
  } cases[] = {
      {"", 0},
      {"false", 1},  // a last line without its line end counts
      {"no-such-command-here\n", 127},
      {"exit 300\n", 300 & 0xFF},
      {"exit x\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(RunProgram("tvsh", {}, {.stdin_bytes = c.input, .cwd = sub_}).status, c.status);
  }
}

// tvsh on a pseudo-terminal, as in a terminal window. Its home folder is
// `home`, by default `cwd`, never the user's running the tests.
class Terminal {
 public:
  explicit Terminal(const std::string& cwd, const std::string& home = "") {
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      setenv("TERM", "dumb", 1);
      setenv("HOME", (home.empty() ? cwd : home).c_str(), 1);
      if (chdir(cwd.c_str()) != 0) _exit(126);
      std::string tvsh = BinDir() + "/tvsh";
      execl(tvsh.c_str(), tvsh.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Terminal() {
    if (master_ >= 0) close(master_);
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Everything shown since the last call, once `text` has appeared in it;
  // what came when it does not within five seconds.
  std::string WaitFor(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (seen_.find(text) == std::string::npos) {
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - std::chrono::steady_clock::now())
                                      .count());
      if (left <= 0) break;
      pollfd fd = {master_, POLLIN, 0};
      if (poll(&fd, 1, left) <= 0) break;
      char buf[4096];
      ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) break;
      seen_.append(buf, static_cast<size_t>(n));
    }
    std::string shown;
    shown.swap(seen_);
    return shown;
  }

  void Type(const std::string& text) {
    ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  void Hang_up() {
    close(master_);
    master_ = -1;
  }

  // The exit status, or -1 when tvsh has not ended within `seconds`.
  // What tvsh still writes is read meanwhile, so that it never waits on a
  // full terminal.
  int Wait(int seconds = 20) {
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      if (master_ >= 0) {
        pollfd fd = {master_, POLLIN, 0};
        if (poll(&fd, 1, 10) > 0) {
          char buf[4096];
          ssize_t n = read(master_, buf, sizeof buf);
          if (n > 0) seen_.append(buf, static_cast<size_t>(n));
          continue;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int master_ = -1;
  std::string seen_;
};

TEST_F(InteractiveTest, PromptsWithTheDeviceFolderAtATerminal) {
  Terminal terminal(dir_.path());
  ASSERT_TRUE(terminal.started());
  std::string first_prompt = DeviceForm(dir_.path()) + "> ";
  std::string sub_prompt = DeviceForm(sub_) + "> ";
  EXPECT_NE(terminal.WaitFor(first_prompt).find(first_prompt), std::string::npos);
  terminal.Type("cd sub dir\r");
  EXPECT_NE(terminal.WaitFor(sub_prompt).find(sub_prompt), std::string::npos);
  terminal.Type("KANVO missing.txt\r");
  std::string shown = terminal.WaitFor(sub_prompt);
  EXPECT_NE(shown.find(DeviceForm(sub_) + "missing.txt"), std::string::npos) << shown;
  // Typed at the prompt, a device path is read the device's way.
  terminal.Type("sort ..\\sub dir\\names.txt\r");
  shown = terminal.WaitFor(sub_prompt);
  EXPECT_NE(shown.find("apple\r\nfig\r\npear\r\n"), std::string::npos) << shown;
  // Ctrl-C drops what was typed.
  terminal.Type("abc\x03");
  terminal.Type("exit 4\r");
  EXPECT_EQ(terminal.Wait(), 4);
}

TEST_F(InteractiveTest, EndOfInputAtATerminalEndsTvsh) {
  // Ctrl-D pressed once, as soon as the prompt starts to show: the terminal
  // is the line editor's by then.
  Terminal terminal(sub_);
  ASSERT_EQ(terminal.WaitFor("\\").substr(0, 1), "\\");
  terminal.Type("\x04");
  EXPECT_EQ(terminal.Wait(), 0);
}

TEST_F(InteractiveTest, SignalsThatEndTvshEndItAndItsCommand) {
  {
    Terminal terminal(sub_);
    terminal.WaitFor(DeviceForm(sub_) + "> ");
    kill(terminal.pid(), SIGTERM);
    EXPECT_EQ(terminal.Wait(), 128 + SIGTERM);
  }
  {
    // The terminal goes away.
    Terminal terminal(sub_);
    terminal.WaitFor(DeviceForm(sub_) + "> ");
    terminal.Hang_up();
    EXPECT_EQ(terminal.Wait(), 128 + SIGHUP);
  }
  {
    // A running command gets the signal too, and tvsh ends after it.
    Terminal terminal(sub_);
    std::string prompt = DeviceForm(sub_) + "> ";
    terminal.WaitFor(prompt);
    // Quotes reach a program as typed, so the command is a script.
    dir_.Write("sub dir/wait.sh", "echo started\nsleep 30\n");
    terminal.Type("sh wait.sh\r");
    terminal.WaitFor("started\r\n");
    kill(terminal.pid(), SIGTERM);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(terminal.Wait(), 128 + SIGTERM);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  }
}

TEST_F(InteractiveTest, RefusesPipesAndRedirectionsRatherThanNamingFiles) {
  dir_.Write("a.txt", "b\na\n");
  ProgramRun run = RunProgram("tvsh", {},
                              {.stdin_bytes = "sort a.txt | vornak\nsort a.txt > out.txt\n"
                                              "sort a.txt; sort a.txt\nsort a.txt\n",
                               .cwd = dir_.path()});
  EXPECT_EQ(run.out, "a\nb\n") << "only the last line ran";
  for (const char* word : {"|", ">", "a.txt;"}) {
    EXPECT_NE(run.err.find(std::string("tvsh: ") + word + ": tvsh runs one command"),
              std::string::npos)
        << run.err;
  }
  for (const char* name : {"|", ">", "out.txt", "vornak"}) EXPECT_FALSE(dir_.Exists(name)) << name;
  run = RunProgram("tvsh", {}, {.stdin_bytes = "sort a.txt >x\n", .cwd = dir_.path()});
  EXPECT_EQ(run.status, 2);
}

TEST_F(InteractiveTest, TabCompletesOnlyNamesThatReachTheirFile) {
  dir_.Write("memo.txt", "memo\n");
  dir_.Write("memo.txt ", "planted\n");  // a part that ends with a blank
  dir_.Write("me\\mo.txt", "planted\n");
  dir_.Write("me\"mo.txt", "planted\n");
  Terminal terminal(dir_.path());
  std::string prompt = DeviceForm(dir_.path()) + "> ";
  terminal.WaitFor(prompt);
  terminal.Type("vornak me\t\r");
  std::string shown = terminal.WaitFor("MEMO");
  EXPECT_NE(shown.find("MEMO"), std::string::npos) << shown;
  // A folder gets its separator, and a name with a blank its quotes.
  terminal.WaitFor(prompt);
  terminal.Type("vornak su\tna\t\r");
  shown = terminal.WaitFor("PEAR");
  EXPECT_NE(shown.find("\"sub dir\\names.txt\""), std::string::npos) << shown;
  terminal.Type("exit\r");
  EXPECT_EQ(terminal.Wait(), 0);
}

TEST_F(InteractiveTest, KeepsHistoryInTheUsersOwnFile) {
  std::string history = dir_.path() + "/.tvsh_history";
  {
    Terminal terminal(sub_, dir_.path());
    terminal.WaitFor("> ");
    terminal.Type("vornak names.txt\r");
    terminal.WaitFor("FIG");
    terminal.Type("exit\r");
    EXPECT_EQ(terminal.Wait(), 0);
  }
  struct stat st;
  ASSERT_EQ(stat(history.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_NE(dir_.Read(".tvsh_history").find("names.txt"), std::string::npos);
  // Ctrl-P twice (past "exit") brings the line back in the next session,
  // but not from a file others may write: it might be anyone's.
  for (mode_t mode : {0600, 0666}) {
    ASSERT_EQ(chmod(history.c_str(), mode), 0);
    Terminal terminal(sub_, dir_.path());
    terminal.WaitFor("> ");
    // sort's lower-case "apple" marks the end of what the line printed.
    terminal.Type("\x10\x10\rsort names.txt\r");
    std::string shown = terminal.WaitFor("apple");
    EXPECT_EQ(shown.find("FIG") != std::string::npos, mode == 0600) << shown;
    terminal.Type("exit\r");
    EXPECT_EQ(terminal.Wait(), 0);
  }
}

TEST_F(InteractiveTest, ReadsEditrcOnlyWhenNoOneElseMayWriteIt) {
  // Ctrl-T moves to the start of the line, where the command is typed last.
  dir_.Write(".editrc", "bind ^T ed-move-to-beg\n");
  for (mode_t mode : {0600, 0620}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(chmod((dir_.path() + "/.editrc").c_str(), mode), 0);
    Terminal terminal(sub_, dir_.path());
    terminal.WaitFor("> ");
    terminal.Type("names.txt\x14vornak \rsort names.txt\r");
    std::string shown = terminal.WaitFor("apple");
    EXPECT_EQ(shown.find("FIG") != std::string::npos, mode == 0600) << shown;
    terminal.Type("exit\r");
    EXPECT_EQ(terminal.Wait(), 0);
  }
}

}  // namespace
}  // namespace tv
