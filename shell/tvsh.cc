// tvsh: the stand-in for the device's command shell. It runs commands with
// the shell's current directory in their environment and the tools' folder
// first on PATH. With a command it runs that one command, waits for it and
// passes on its status; without one it reads commands as a shell does.
//
//   tvsh [--utf8] [-C DIR] [COMMAND [ARG...]]
//
// --utf8 sets TORVELAN_CODEPAGE=65001 for what it runs, so that the tools
// read text files as UTF-8 rather than Shift_JIS.

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "shell/interactive.h"
#include "shell/shell_session.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: tvsh [--utf8] [-C DIR] [COMMAND [ARG...]]\n");
  return 2;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The device tools sit beside tvsh in a build, and in lib/torvelan/bin of
// the prefix once installed (TV_TOOLS_FROM_BINDIR, from tvsh's own folder).
std::string ToolsFolder() {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return std::string();
  exe[n] = '\0';
  std::string dir(exe);
  dir.erase(dir.rfind('/'));
  char installed[PATH_MAX];
  std::string relative = dir + "/" TV_TOOLS_FROM_BINDIR;
  if (realpath(relative.c_str(), installed) != nullptr && IsDirectory(installed)) return installed;
  return dir;
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "--utf8") == 0) {
    setenv("TORVELAN_CODEPAGE", "65001", 1);
    ++i;
  }
  std::string folder;
  if (i < argc && std::strcmp(argv[i], "-C") == 0) {
    if (i + 1 >= argc) return Usage();
    folder = argv[i + 1];
    i += 2;
  }

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

  // tvsh outlives its command, whatever signal that gets.
  tv::InstallShellSignals();
  if (i >= argc) return tv::RunInteractive(resolved);

  if (!tv::PublishFolder(resolved)) {
    std::perror("tvsh: cannot publish the current directory");
    return 1;
  }
  int result = tv::RunCommand(argv + i);
  tv::EndSession();
  return result;
}
