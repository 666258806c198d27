// tvsh: the stand-in for the device's command shell. It runs commands with
// the shell's current directory in their environment and the tools' folder
// first on PATH. With a command it runs that one command, waits for it and
// passes on its status; without one it reads commands as a shell does.
//
//   tvsh [--utf8 | --cp932] [-C DIR] [--] [COMMAND [ARG...]]
//   tvsh --help | --version
//
// --utf8 sets TORVELAN_CODEPAGE=65001 and --cp932 sets 932 for what it runs,
// so that the tools read every text file as UTF-8 or as Shift_JIS rather
// than choose per file.

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/path_walk.h"
#include "shell/interactive.h"
#include "shell/shell_session.h"
#include "shell/tvsh_options.h"

namespace {

int BadUse(const std::string& error) {
  std::string help = tv::TvshHelp();
  std::fprintf(stderr, "tvsh: %s\n%s", error.c_str(), help.substr(0, help.find('\n') + 1).c_str());
  std::fprintf(stderr, "Try 'tvsh --help' for more information.\n");
  return 2;
}

// Prints to standard output; a failed write (a closed or full output) is a
// failure, as for any GNU program.
int Show(const std::string& text) {
  bool ok = std::fputs(text.c_str(), stdout) >= 0;
  ok = std::fflush(stdout) == 0 && ok;
  return ok ? 0 : 1;
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
  tv::TvshOptions options = tv::ParseTvshOptions(argc, argv);
  switch (options.action) {
    case tv::TvshOptions::kHelp:
      return Show(tv::TvshHelp());
    case tv::TvshOptions::kVersion:
      return Show(tv::TvshVersion());
    case tv::TvshOptions::kBadUse:
      return BadUse(options.error);
    case tv::TvshOptions::kRun:
      break;
  }
  int i = options.command;
  const std::string& folder = options.folder;
  if (!options.code_page.empty()) setenv("TORVELAN_CODEPAGE", options.code_page.c_str(), 1);

  char resolved[PATH_MAX];
  if (folder.empty()) {
    if (getcwd(resolved, sizeof resolved) == nullptr) {
      std::perror("tvsh: getcwd");
      return 1;
    }
  } else {
    // Walked part by part, so a link another user put in a shared folder
    // on the way is not followed.
    // The command still starts where tvsh was started; only the shell's
    // folder is published.
    int here = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::string entered;
    bool entered_ok = tv::EnterFolder(folder, &entered);
    if (here >= 0 && (fchdir(here) != 0 || close(here) != 0)) entered_ok = false;
    if (!entered_ok || entered.size() >= sizeof resolved) {
      std::fprintf(stderr, "tvsh: %s: not a folder\n", folder.c_str());
      return 1;
    }
    std::snprintf(resolved, sizeof resolved, "%s", entered.c_str());
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
