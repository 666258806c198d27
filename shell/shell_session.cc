#include "shell/shell_session.h"

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/command_line.h"
#include "platform/device_path.h"
#include "platform/env.h"
#include "platform/shared_directory.h"
#include "platform/shown_name.h"

namespace tv {

namespace {

// Signals whose disposition tvsh changes and its commands get back as
// tvsh found them: ignored under nohup, or the interrupt and quit of a
// command started in the background (`tvsh cmd &` in a script).
constexpr int kPassedOnSignals[] = {SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kPassedOnSignals / sizeof kPassedOnSignals[0];
struct sigaction g_inherited[kSignalCount];

volatile sig_atomic_t g_child = 0;
volatile sig_atomic_t g_end_signal = 0;
// The terminal's modes as tvsh found them; line editing changes them.
struct termios g_terminal_modes;
bool g_have_terminal = false;

// Async-signal-safe.
[[noreturn]] void EndBySignal(int signal_number) {
  if (g_have_terminal) tcsetattr(0, TCSANOW, &g_terminal_modes);
  signal(signal_number, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal_number);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);
}

void OnEndSignal(int signal_number) {
  g_end_signal = signal_number;
  // A running command goes first, so that it is never left behind tvsh.
  pid_t child = g_child;
  if (child > 0) {
    kill(child, signal_number);
    return;
  }
  EndBySignal(signal_number);
}

sigset_t EndSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

bool PublishFolder(const std::string& host_dir) {
  std::string value;
  return ShareValueFor(HostDirectoryToDevice(host_dir), &value) &&
         setenv(kShareVariable, value.c_str(), 1) == 0;
}

bool Publishable(const std::string& host_dir, const char* context) {
  if (!DeviceReadsAnotherName(host_dir)) return true;
  std::fprintf(stderr,
               "%s%s: the tools would read this as another folder (a backslash, or white space "
               "at the start or end of a name); not used as the shell's folder\n",
               context, ShownName(host_dir).c_str());
  return false;
}

bool PublishedFolderHolds(const std::string& host_dir) {
  struct stat published;
  struct stat working;
  if (stat(host_dir.c_str(), &published) == 0 && stat(".", &working) == 0 &&
      published.st_dev == working.st_dev && published.st_ino == working.st_ino) {
    return true;
  }
  std::fprintf(stderr,
               "tvsh: %s no longer leads to the shell's folder (moved or replaced); command not "
               "run: cd to a folder first\n",
               ShownName(host_dir).c_str());
  return false;
}

void InstallShellSignals() {
  g_have_terminal = tcgetattr(0, &g_terminal_modes) == 0;
  for (int i = 0; i < kSignalCount; ++i) {
    sigaction(kPassedOnSignals[i], nullptr, &g_inherited[i]);
  }
  signal(SIGINT, SIG_IGN);
  signal(SIGQUIT, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  struct sigaction action = {};
  action.sa_handler = OnEndSignal;
  action.sa_mask = EndSignals();
  // A signal ignored when tvsh started stays ignored, as in other shells.
  for (int signal_number : {SIGTERM, SIGHUP}) {
    struct sigaction inherited;
    sigaction(signal_number, nullptr, &inherited);
    if (inherited.sa_handler != SIG_IGN) sigaction(signal_number, &action, nullptr);
  }
}

int RunCommand(char* const argv[], bool typed) {
  std::fflush(nullptr);
  // Blocked until the child is known, so that a signal cannot slip between.
  sigset_t end_signals = EndSignals();
  sigset_t old_mask;
  sigprocmask(SIG_BLOCK, &end_signals, &old_mask);
  pid_t pid = fork();
  if (pid == 0) {
    for (int i = 0; i < kSignalCount; ++i) {
      sigaction(kPassedOnSignals[i], &g_inherited[i], nullptr);
    }
    sigprocmask(SIG_SETMASK, &old_mask, nullptr);
    if (typed) setenv(kTypedVariable, "1", 1);
    execvp(argv[0], argv);
    std::fprintf(stderr, "tvsh: %s: %s\n", ShownName(argv[0]).c_str(), std::strerror(errno));
    _exit(127);
  }
  if (pid < 0) {
    sigprocmask(SIG_SETMASK, &old_mask, nullptr);
    std::perror("tvsh: fork");
    return 1;
  }
  g_child = pid;
  sigprocmask(SIG_SETMASK, &old_mask, nullptr);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  g_child = 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void EndIfSignalled() {
  if (g_end_signal != 0) EndBySignal(g_end_signal);
}

void EndSession() { EndIfSignalled(); }

}  // namespace tv
