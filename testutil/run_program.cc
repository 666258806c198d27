#include "testutil/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tv {

std::string BinDir() {
  const char* dir = std::getenv("TV_BIN_DIR");
  return dir ? dir : TV_BIN_DIR;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const ProgramOptions& options) {
  std::string path = program.find('/') == std::string::npos ? BinDir() + "/" + program : program;
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) || pipe(out_pipe) || pipe(err_pipe)) return {};
  signal(SIGPIPE, SIG_IGN);
  pid_t pid = fork();
  if (pid == 0) {
    if (options.close_stdin) {
      close(0);
    } else if (options.stdin_bytes) {
      dup2(in_pipe[0], 0);
    } else {
      int null_fd = open("/dev/null", O_RDONLY);
      dup2(null_fd, 0);
    }
    if (!options.stdout_path.empty()) {
      int fd = open(options.stdout_path.c_str(),
                    O_WRONLY | O_CREAT | (options.stdout_append ? O_APPEND : O_TRUNC), 0644);
      dup2(fd, 1);
    } else {
      dup2(out_pipe[1], 1);
    }
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) {
      close(fd);
    }
    if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
    if (options.shell_folder) {
      setenv("TORVELAN_CURRENT_DIRECTORY", options.shell_folder->c_str(), 1);
    } else {
      unsetenv("TORVELAN_CURRENT_DIRECTORY");
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  // A blocking write of a large input would wait for the program to read
  // it all while the program waits for its output to be read.
  fcntl(in_pipe[1], F_SETFL, fcntl(in_pipe[1], F_GETFL) | O_NONBLOCK);
  ProgramRun run;
  std::string input = options.stdin_bytes.value_or("");
  size_t written = 0;
  if (input.empty()) {
    close(in_pipe[1]);
    in_pipe[1] = -1;
  }
  bool out_open = true, err_open = true;
  while (out_open || err_open || in_pipe[1] >= 0) {
    pollfd fds[3];
    int n = 0;
    if (out_open) fds[n++] = {out_pipe[0], POLLIN, 0};
    if (err_open) fds[n++] = {err_pipe[0], POLLIN, 0};
    if (in_pipe[1] >= 0) fds[n++] = {in_pipe[1], POLLOUT, 0};
    if (poll(fds, n, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == in_pipe[1]) {
        ssize_t w = write(in_pipe[1], input.data() + written, input.size() - written);
        if (w < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (w > 0) written += static_cast<size_t>(w);
        if (w < 0 || written == input.size()) {
          close(in_pipe[1]);
          in_pipe[1] = -1;
        }
        continue;
      }
      char buf[65536];
      ssize_t r = read(fds[i].fd, buf, sizeof buf);
      bool is_out = fds[i].fd == out_pipe[0];
      if (r <= 0) {
        (is_out ? out_open : err_open) = false;
      } else {
        (is_out ? run.out : run.err).append(buf, static_cast<size_t>(r));
      }
    }
  }
  close(out_pipe[0]);
  close(err_pipe[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

TempDir::TempDir() {
  char tmpl[] = "/tmp/tv_test_XXXXXX";
  path_ = mkdtemp(tmpl) ? tmpl : "/tmp";
}

TempDir::~TempDir() {
  std::string cmd = "chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
  if (std::system(cmd.c_str()) != 0) {
  }
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::string full = path_ + "/" + name;
  std::ofstream(full, std::ios::binary) << bytes;
  return full;
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(path_ + "/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool TempDir::Exists(const std::string& name) const {
  struct stat st;
  return lstat((path_ + "/" + name).c_str(), &st) == 0;
}

}  // namespace tv
