// Runs a built program for end-to-end tests: arguments, standard input and
// working folder in; exit status, standard output and error out.
#ifndef TV_TESTUTIL_RUN_PROGRAM_H_
#define TV_TESTUTIL_RUN_PROGRAM_H_

#include <optional>
#include <string>
#include <vector>

namespace tv {

struct ProgramRun {
  int status = -1;  // exit status (0..255), or 128 + signal
  std::string out;
  std::string err;
};

struct ProgramOptions {
  std::optional<std::string> stdin_bytes;  // nullopt: standard input is /dev/null
  std::string cwd;                         // empty: the test's own
  std::string stdout_path;                 // non-empty: standard output goes to this file
  bool stdout_append = false;              // ... opened as a shell's `>>` opens it
  bool close_stdin = false;                // run with no standard input at all
  // The shell's folder as the program's TORVELAN_CURRENT_DIRECTORY (bytes
  // as given); nullopt: the variable is not set, whatever the test inherited.
  std::optional<std::string> shell_folder;
};

// `program` is a file name in the build's bin folder (e.g. "KANVO") or a path.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const ProgramOptions& options = {});

// The build's bin folder.
std::string BinDir();

// A fresh temporary folder, removed by the destructor.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string Write(const std::string& name, const std::string& bytes) const;  // full path
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace tv

#endif  // TV_TESTUTIL_RUN_PROGRAM_H_
