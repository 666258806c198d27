// What the fault-injection tests share: a scratch folder whose whole
// listing can be checked (no file lost, no temporary file left behind), and
// ways to run a built tool with a failing or missing standard stream, a
// file-size limit, or as an unprivileged user, so that file permissions
// bite even when the tests run as root.
#ifndef TV_TESTS_FAULTS_FAULT_RUN_H_
#define TV_TESTS_FAULTS_FAULT_RUN_H_

#include <sys/types.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "testutil/run_program.h"

namespace tv::faults {

// KANVO's messages begin so.
inline const std::string kKanvoError = "***** Error\n";
// The filters' messages.
inline const std::string kInputError = "入力ファイルの読み込みでエラーが発生しました。\n";
inline const std::string kOutputError = "データの出力中にエラーが発生しました。\n";

// A scratch folder that anyone may enter (the unprivileged runs too).
class Folder {
 public:
  Folder();
  const std::string& path() const { return dir_.path(); }
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  void MakeFolder(const std::string& name) const;
  // Every entry, hidden ones included, of the folder (or of a sub-folder).
  std::set<std::string> Names(const std::string& sub = "") const;

 private:
  TempDir dir_;
};

// Runs a tool of the build in `cwd` with standard input from `stdin_bytes`.
ProgramRun RunTool(const std::string& tool, const std::vector<std::string>& args,
                   const std::string& cwd, const std::string& stdin_bytes = "");

// The same with standard output going to `path` (a file or /dev/full).
ProgramRun RunWithStdoutTo(const std::string& path, const std::string& tool,
                           const std::vector<std::string>& args, const std::string& cwd,
                           const std::string& stdin_bytes = "");

// The same with standard output, or standard input, closed.
ProgramRun RunWithStdoutClosed(const std::string& tool, const std::vector<std::string>& args,
                               const std::string& cwd);
ProgramRun RunWithStdinClosed(const std::string& tool, const std::vector<std::string>& args,
                              const std::string& cwd);

// The same under a file-size limit of `kib` KiB, the signal of an overrun
// ignored, so that a write past the limit fails as on a full disk; standard
// output to a file at `stdout_path` when one is given.
ProgramRun RunWithSizeLimit(int kib, const std::string& tool, const std::vector<std::string>& args,
                            const std::string& cwd, const std::string& stdin_bytes = "",
                            const std::string& stdout_path = "");

// What a file is: its bytes (or a link's text), owner, group, mode; all
// zero when there is nothing at `path`.
struct FileState {
  std::string bytes;
  uid_t uid = 0;
  gid_t gid = 0;
  mode_t mode = 0;
  bool operator==(const FileState&) const = default;
};
std::ostream& operator<<(std::ostream& os, const FileState& s);
FileState StateOf(const std::string& path);

// True when RunUnprivileged can run tools as a user without root's bypass
// of file permissions (root with setpriv, or any other user).
bool CanRunUnprivileged();
// Runs the tool as user nobody when the tests run as root, else as is.
ProgramRun RunUnprivileged(const std::string& tool, const std::vector<std::string>& args,
                           const std::string& cwd, const std::string& stdin_bytes = "");

}  // namespace tv::faults

#endif  // TV_TESTS_FAULTS_FAULT_RUN_H_
