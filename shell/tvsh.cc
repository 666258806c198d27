// tvsh: the stand-in for the device's command shell. It publishes a folder
// as the shell's current directory, runs one command with the tools' folder
// first on PATH, waits for it, removes the share and passes on its status.
//
//   tvsh [-C DIR] COMMAND [ARG...]

#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/device_path.h"
#include "platform/shared_directory.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: tvsh [-C DIR] COMMAND [ARG...]\n");
  return 2;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The device tools sit beside tvsh in a build, and in lib/torvelan/bin of
// the prefix once installed.
std::string ToolsFolder() {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return std::string();
  exe[n] = '\0';
  std::string dir(exe);
  dir.erase(dir.rfind('/'));
  std::string installed = dir + "/../lib/torvelan/bin";
  return IsDirectory(installed) ? installed : dir;
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  std::string folder;
  if (i < argc && std::strcmp(argv[i], "-C") == 0) {
    if (i + 1 >= argc) return Usage();
    folder = argv[i + 1];
    i += 2;
  }
  if (i >= argc) return Usage();

  char resolved[PATH_MAX];
  if (folder.empty()) {
    if (getcwd(resolved, sizeof resolved) == nullptr) {
      std::perror("tvsh: getcwd");
      return 1;
    }
  } else if (realpath(folder.c_str(), resolved) == nullptr || !IsDirectory(resolved)) {
    std::fprintf(stderr, "tvsh: %s: not a folder\n", folder.c_str());
    return 1;
  }

  std::string tools = ToolsFolder();
  if (!tools.empty()) {
    const char* path = std::getenv("PATH");
    std::string new_path = tools + (path && *path ? ":" + std::string(path) : std::string());
    setenv("PATH", new_path.c_str(), 1);
  }

  if (!tv::PublishSharedDirectory(tv::HostDirectoryToDevice(resolved))) {
    std::perror("tvsh: cannot publish the current directory");
    return 1;
  }
  // The share must go whatever happens to the command, so tvsh outlives it
  // and ignores the terminal's interrupt, which reaches the command too.
  signal(SIGINT, SIG_IGN);
  signal(SIGQUIT, SIG_IGN);
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGINT, SIG_DFL);
    signal(SIGQUIT, SIG_DFL);
    execvp(argv[i], argv + i);
    std::fprintf(stderr, "tvsh: %s: %s\n", argv[i], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  int result;
  if (pid < 0) {
    std::perror("tvsh: fork");
    result = 1;
  } else {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  tv::RemoveSharedDirectory();
  return result;
}
