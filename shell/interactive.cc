#include "shell/interactive.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/path_walk.h"
#include "platform/shown_name.h"
#include "shell/line_input.h"
#include "shell/shell_line.h"
#include "shell/shell_session.h"
#include "shell/user_file.h"

namespace tv {

namespace {

// `cd`: the folder is changed and published only when both can be done.
int ChangeFolder(const std::string& rest, std::string* current) {
  std::string name = CdArgument(rest);
  std::string target = CdTargetPath(name, *current, HomeFolder());
  std::string shown = ShownName(name);
  // Where tvsh goes back to when the folder cannot be used: the folder it
  // is in, held by what it is rather than by its name.
  int here = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  auto stay = [&]() {
    if (here >= 0 ? fchdir(here) != 0 : chdir(current->c_str()) != 0) std::perror("tvsh: cd");
    if (here >= 0) close(here);
    return 1;
  };
  // Walked part by part: a link another user put in a shared folder on the
  // way is not followed.
  std::string resolved;
  if (!EnterFolder(target, &resolved)) {
    std::fprintf(stderr, "tvsh: cd: %s: not a folder\n", shown.c_str());
    return stay();
  }
  if (!Publishable(resolved, "tvsh: cd: ")) return stay();
  if (!PublishFolder(resolved)) {
    std::fprintf(
        stderr, "tvsh: cd: %s: %s\n", shown.c_str(),
        errno == ENAMETOOLONG ? "too long a path for the shell's folder" : std::strerror(errno));
    return stay();
  }
  if (here >= 0) close(here);
  *current = resolved;
  return 0;
}

// `exit [N]`: true when tvsh is to end, with *status set.
bool Exit(const ShellLine& line, int* status) {
  if (line.args.empty()) return true;
  const std::string& word = line.args[0];
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end != '\0' || errno != 0) {
    std::fprintf(stderr, "tvsh: exit: %s: not a number\n", ShownName(word).c_str());
    *status = 2;
    return false;
  }
  *status = static_cast<int>(value & 0xFF);
  return true;
}

int RunLine(const ShellLine& line, bool typed) {
  std::string program = line.command;
  // A command given by its device path.
  for (char& c : program) {
    if (c == '\\') c = '/';
  }
  std::vector<char*> argv;
  argv.push_back(program.data());
  for (const std::string& arg : line.args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return RunCommand(argv.data(), typed);
}

}  // namespace

int RunInteractive(const std::string& folder) {
  std::string current = folder;
  if (chdir(current.c_str()) != 0 || !PublishFolder(current)) {
    std::fprintf(stderr, "tvsh: %s: cannot be the shell's folder: %s\n", ShownName(current).c_str(),
                 std::strerror(errno));
    return 1;
  }
  // Lines from a terminal were typed; lines from a pipe or a file may come
  // from a script, whose words a glob may have made.
  bool typed = isatty(0) != 0;
  std::unique_ptr<LineInput> input = MakeLineInput();
  int status = 0;
  std::string text;
  while (input->ReadLine(PromptFor(current), &text)) {
    ShellLine line = SplitShellLine(text);
    if (line.command.empty()) continue;
    // Passed on, "|" or ">" would become a file name.
    std::string operator_word = ShellOperatorWord(text);
    if (!operator_word.empty()) {
      std::fprintf(stderr,
                   "tvsh: %s: tvsh runs one command; pipes, redirection and lists belong to "
                   "the Linux shell (ls | tvsh sort)\n",
                   ShownName(operator_word).c_str());
      status = 2;
      continue;
    }
    if (line.command == "exit") {
      if (Exit(line, &status)) break;
    } else if (line.command == "cd") {
      status = ChangeFolder(line.rest, &current);
    } else {
      // The command inherits the folder that cd last published, when that
      // name still leads to the folder tvsh is in.
      status = PublishedFolderHolds(current) ? RunLine(line, typed) : 1;
      EndIfSignalled();
      // The interrupt ends a command in mid-line; the prompt goes below.
      if (status == 128 + SIGINT && isatty(2)) std::fputc('\n', stderr);
    }
  }
  input.reset();  // the terminal's modes back before tvsh ends
  EndSession();
  return status;
}

}  // namespace tv
