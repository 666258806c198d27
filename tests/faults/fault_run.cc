#include "tests/faults/fault_run.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace tv::faults {

namespace {

constexpr char kSetpriv[] = "/usr/bin/setpriv";

std::string ToolPath(const std::string& tool) { return BinDir() + "/" + tool; }

ProgramRun RunShell(const std::string& script, const std::string& tool,
                    const std::vector<std::string>& args, const ProgramOptions& options) {
  // "$0" is the tool and "$@" its arguments, passed through untouched.
  std::vector<std::string> shell_args = {"-c", script, ToolPath(tool)};
  shell_args.insert(shell_args.end(), args.begin(), args.end());
  return RunProgram("/bin/bash", shell_args, options);
}

ProgramOptions Options(const std::string& cwd, const std::string& stdin_bytes) {
  ProgramOptions options;
  options.cwd = cwd;
  options.stdin_bytes = stdin_bytes;
  return options;
}

}  // namespace

Folder::Folder() { chmod(dir_.path().c_str(), 0755); }

std::string Folder::Write(const std::string& name, const std::string& bytes) const {
  return dir_.Write(name, bytes);
}

std::string Folder::Read(const std::string& name) const { return dir_.Read(name); }

void Folder::MakeFolder(const std::string& name) const {
  mkdir((path() + "/" + name).c_str(), 0755);
}

std::set<std::string> Folder::Names(const std::string& sub) const {
  std::set<std::string> names;
  DIR* dir = opendir((path() + "/" + sub).c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.insert(name);
  }
  closedir(dir);
  return names;
}

ProgramRun RunTool(const std::string& tool, const std::vector<std::string>& args,
                   const std::string& cwd, const std::string& stdin_bytes) {
  return RunProgram(tool, args, Options(cwd, stdin_bytes));
}

ProgramRun RunWithStdoutTo(const std::string& path, const std::string& tool,
                           const std::vector<std::string>& args, const std::string& cwd,
                           const std::string& stdin_bytes) {
  ProgramOptions options = Options(cwd, stdin_bytes);
  options.stdout_path = path;
  return RunProgram(tool, args, options);
}

ProgramRun RunWithStdoutClosed(const std::string& tool, const std::vector<std::string>& args,
                               const std::string& cwd) {
  return RunShell("exec \"$0\" \"$@\" >&-", tool, args, Options(cwd, ""));
}

ProgramRun RunWithStdinClosed(const std::string& tool, const std::vector<std::string>& args,
                              const std::string& cwd) {
  ProgramOptions options;
  options.cwd = cwd;
  options.close_stdin = true;
  return RunProgram(tool, args, options);
}

ProgramRun RunWithSizeLimit(int kib, const std::string& tool, const std::vector<std::string>& args,
                            const std::string& cwd, const std::string& stdin_bytes,
                            const std::string& stdout_path) {
  // bash counts the limit in blocks of 1024 bytes.
  std::string script = "trap '' XFSZ; ulimit -f " + std::to_string(kib) + "; exec \"$0\" \"$@\"";
  ProgramOptions options = Options(cwd, stdin_bytes);
  options.stdout_path = stdout_path;
  return RunShell(script, tool, args, options);
}

std::ostream& operator<<(std::ostream& os, const FileState& s) {
  return os << testing::PrintToString(s.bytes) << " " << s.uid << ":" << s.gid << " " << std::oct
            << s.mode << std::dec;
}

FileState StateOf(const std::string& path) {
  FileState state;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return state;
  state.uid = st.st_uid;
  state.gid = st.st_gid;
  state.mode = st.st_mode;
  if (S_ISLNK(st.st_mode)) {
    char text[4096];
    ssize_t n = readlink(path.c_str(), text, sizeof text);
    state.bytes.assign(text, n > 0 ? static_cast<size_t>(n) : 0);
  } else if (S_ISREG(st.st_mode)) {
    FILE* f = fopen(path.c_str(), "rb");
    char buf[4096];
    size_t n;
    while (f != nullptr && (n = fread(buf, 1, sizeof buf, f)) > 0) state.bytes.append(buf, n);
    if (f != nullptr) fclose(f);
  }
  return state;
}

bool CanRunUnprivileged() { return geteuid() != 0 || access(kSetpriv, X_OK) == 0; }

ProgramRun RunUnprivileged(const std::string& tool, const std::vector<std::string>& args,
                           const std::string& cwd, const std::string& stdin_bytes) {
  if (geteuid() != 0) return RunTool(tool, args, cwd, stdin_bytes);
  // The build folder may lie where nobody may enter (under /root): the tool
  // runs from a copy in a folder of its own.
  static const TempDir copies;
  chmod(copies.path().c_str(), 0755);
  std::string copy = copies.path() + "/" + tool;
  if (access(copy.c_str(), X_OK) != 0) {
    std::string command = "cp '" + ToolPath(tool) + "' '" + copy + "' && chmod 755 '" + copy + "'";
    if (std::system(command.c_str()) != 0) return {};
  }
  std::vector<std::string> setpriv_args = {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                           copy};
  setpriv_args.insert(setpriv_args.end(), args.begin(), args.end());
  return RunProgram(kSetpriv, setpriv_args, Options(cwd, stdin_bytes));
}

}  // namespace tv::faults
