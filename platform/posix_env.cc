#include "platform/posix_env.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/device_path.h"
#include "platform/shared_directory.h"
#include "platform/utf16.h"

namespace tv {

size_t WriteFully(int fd, const void* buf, size_t n) {
  const char* p = static_cast<const char*>(buf);
  size_t done = 0;
  while (done < n) {
    ssize_t w = write(fd, p + done, n - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (w == 0) break;
    done += static_cast<size_t>(w);
  }
  return done;
}

FdSource::~FdSource() {
  if (owned_ && fd_ >= 0) close(fd_);
}

ptrdiff_t FdSource::Read(void* buf, size_t n) {
  for (;;) {
    ssize_t r = read(fd_, buf, n);
    if (r < 0 && errno == EINTR) continue;
    return r < 0 ? -1 : r;
  }
}

int64_t FdSource::Size() {
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

bool FdSource::Rewind() { return Size() >= 0 && lseek(fd_, 0, SEEK_SET) == 0; }

size_t FdSink::Write(const void* buf, size_t n) { return WriteFully(fd_, buf, n); }

namespace {

// Writes a regular file beside its target and renames it over the target at
// Commit, so a failed write never replaces a good file. Anything that is not
// a regular file (a device, a pipe) is written directly.
class PosixOutputFile : public OutputFile {
 public:
  PosixOutputFile(int fd, std::string temp_path, std::string target)
      : fd_(fd), temp_path_(std::move(temp_path)), target_(std::move(target)) {}
  ~PosixOutputFile() override {
    if (fd_ >= 0) close(fd_);
    if (!committed_ && !temp_path_.empty()) unlink(temp_path_.c_str());
  }
  size_t Write(const void* buf, size_t n) override {
    if (fd_ < 0) return 0;
    return WriteFully(fd_, buf, n);
  }
  bool Commit() override {
    if (fd_ < 0) return false;
    int rc = close(fd_);
    fd_ = -1;
    if (rc != 0) return false;
    if (!temp_path_.empty() && rename(temp_path_.c_str(), target_.c_str()) != 0) return false;
    committed_ = true;
    return true;
  }

 private:
  int fd_;
  std::string temp_path_;  // empty when writing the target directly
  std::string target_;
  bool committed_ = false;
};

// Where a chain of symbolic links ends, also when nothing is there yet (a
// dangling link); empty when the chain does not end (a loop).
std::string FollowLinks(std::string path) {
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char text[PATH_MAX];
    ssize_t n = readlink(path.c_str(), text, sizeof text);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof text) return std::string();
    std::string next(text, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
    path = next;
  }
  return std::string();
}

mode_t CurrentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

PosixEnv::PosixEnv() : stdin_(0), stdout_(1), stderr_(2) {}

FileAttributes PosixEnv::GetFileAttributes(std::u16string_view path) {
  FileAttributes attrs;
  struct stat st;
  std::string host = DevicePathToHost(path);
  if (host.empty() || stat(host.c_str(), &st) != 0) return attrs;
  attrs.exists = true;
  attrs.directory = S_ISDIR(st.st_mode);
  attrs.regular = S_ISREG(st.st_mode);
  attrs.read_only = (st.st_mode & S_IWUSR) == 0;
  return attrs;
}

bool PosixEnv::ClearReadOnly(std::u16string_view path) {
  std::string host = DevicePathToHost(path);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return false;
  return chmod(host.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

std::unique_ptr<ByteSource> PosixEnv::OpenFile(std::u16string_view path) {
  std::string host = DevicePathToHost(path);
  if (host.empty()) return nullptr;
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<FdSource>(fd, /*owned=*/true);
}

std::unique_ptr<OutputFile> PosixEnv::CreateOutputFile(std::u16string_view path) {
  std::string target = DevicePathToHost(path);
  if (target.empty()) return nullptr;
  struct stat st;
  bool exists = stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return nullptr;
  if (exists && !S_ISREG(st.st_mode)) {
    int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixOutputFile>(fd, std::string(), target);
  }
  // A symbolic link is followed: the file it points at is replaced, or,
  // when there is none yet, created; the link stays.
  if (!exists) {
    target = FollowLinks(target);
    if (target.empty()) return nullptr;
  } else {
    char resolved[PATH_MAX];
    if (realpath(target.c_str(), resolved) != nullptr) target = resolved;
    // Replacing needs only the folder's permission; writing the file over
    // needs the file's, and a file the user may not write stays as it is.
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return nullptr;
  }
  size_t slash = target.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  // ".name.XXXXXX", with the name cut where the whole would pass the file
  // system's limit on a name: any legal target name can be written.
  constexpr size_t kTempExtra = 8;
  if (base.size() > NAME_MAX - kTempExtra) base.resize(NAME_MAX - kTempExtra);
  std::string temp = dir + "." + base + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  fchmod(fd, mode);
  return std::make_unique<PosixOutputFile>(fd, temp, target);
}

bool PosixEnv::ReadShare(char16_t units[kShareUnits]) { return ReadSharedDirectory(units); }

bool PosixEnv::AskYesNo(std::u16string_view caption, std::u16string_view text) {
  std::string prompt = Utf16ToUtf8(caption) + ": " + Utf16ToUtf8(text) + " (y/n) ";
  WriteFully(2, prompt.data(), prompt.size());
  // One line, byte by byte, so nothing past it is taken from the input.
  std::string answer;
  for (;;) {
    char c;
    ssize_t r = read(0, &c, 1);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0 || c == '\n') break;
    answer.push_back(c);
  }
  size_t first = answer.find_first_not_of(" \t\r");
  return first != std::string::npos && (answer[first] == 'y' || answer[first] == 'Y');
}

}  // namespace tv
