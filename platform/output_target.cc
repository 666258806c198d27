#include "platform/output_target.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <utility>

#include "platform/file_metadata.h"
#include "platform/posix_env.h"

namespace tv {

namespace {

// Owns a file descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  ~Fd() { Reset(); }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  // Closes the descriptor; false when closing reported an error.
  bool Close() { return close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_ = -1;
};

std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// In a folder with the sticky bit, another user's entry (neither the
// caller's nor the folder owner's) is never written through, whatever the
// system's fs.protected_regular says.
bool StickyRefuses(const struct stat& folder, const struct stat& entry) {
  if ((folder.st_mode & S_ISVTX) == 0) return false;
  uid_t me = geteuid();
  return entry.st_uid != me && entry.st_uid != folder.st_uid;
}

// Opens the folder the kernel named, with no symbolic link on the way, so
// that nobody can swap one in.
int OpenFolderWithoutLinks(const std::string& path) {
  struct open_how how = {};
  how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_NO_SYMLINKS;
  long fd = syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
  if (fd < 0 && errno == ENOSYS) fd = open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  return static_cast<int>(fd);
}

// What was found at the output name.
struct Found {
  bool usable = false;  // false: nothing may be written there
  Fd folder;            // the folder holding `name` (O_PATH)
  std::string name;
  Fd file;  // the file found (O_PATH); none when nothing is there
  struct stat st = {};
};

// Finds the file a symbolic link leads to, and the folder that holds it.
// The kernel follows the link (and may refuse); it also names the file it
// reached, and the name is taken only when it still leads to that file. A
// pipe or a device is written directly, so it needs no folder (an unnamed
// pipe, as /dev/stdout may lead to, has none); a regular file does.
void FollowLink(Found* found) {
  Fd file(openat(found->folder.get(), found->name.c_str(), O_PATH | O_CLOEXEC));
  struct stat st;
  if (!file || fstat(file.get(), &st) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    char text[PATH_MAX];
    ssize_t n = readlink(ProcPath(file.get()).c_str(), text, sizeof text);
    bool named = n > 0 && static_cast<size_t>(n) < sizeof text && text[0] == '/';
    std::string path = named ? std::string(text, static_cast<size_t>(n)) : std::string();
    size_t slash = path.rfind('/');
    Fd folder(named ? OpenFolderWithoutLinks(path.substr(0, slash + 1)) : -1);
    std::string name = named ? path.substr(slash + 1) : std::string();
    struct stat folder_st, at_name;
    bool found_there = folder && fstat(folder.get(), &folder_st) == 0 &&
                       fstatat(folder.get(), name.c_str(), &at_name, AT_SYMLINK_NOFOLLOW) == 0 &&
                       SameFile(at_name, st);
    if (found_there && StickyRefuses(folder_st, st)) return;
    if (S_ISREG(st.st_mode)) {
      if (!found_there) return;
      found->folder = std::move(folder);
      found->name = std::move(name);
    }
  }
  found->file = std::move(file);
  found->st = st;
  found->usable = true;
}

std::shared_ptr<Found> Look(const std::string& host) {
  auto found = std::make_shared<Found>();
  if (host.empty() || host.find('\0') != std::string::npos) return found;
  size_t slash = host.rfind('/');
  std::string folder = slash == std::string::npos ? "." : host.substr(0, slash + 1);
  found->name = slash == std::string::npos ? host : host.substr(slash + 1);
  if (found->name.empty() || found->name == "." || found->name == "..") {
    // The name of a folder, not of a file in one.
    Fd file(open(host.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (file && fstat(file.get(), &found->st) == 0) {
      found->file = std::move(file);
      found->usable = true;
    }
    return found;
  }
  found->folder.Reset(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct stat folder_st;
  if (!found->folder || fstat(found->folder.get(), &folder_st) != 0) return found;
  Fd entry(openat(found->folder.get(), found->name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (!entry) {
    found->usable = errno == ENOENT;  // nothing there yet
    return found;
  }
  struct stat st;
  if (fstat(entry.get(), &st) != 0 || StickyRefuses(folder_st, st)) return found;
  if (S_ISLNK(st.st_mode)) {
    FollowLink(found.get());
    return found;
  }
  found->file = std::move(entry);
  found->st = st;
  found->usable = true;
  return found;
}

// Holds back the signals that end a process by default while a file is put
// in place, so that an interrupted run leaves no temporary name behind.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &saved_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }

 private:
  sigset_t saved_;
};

// Writes a file that is not a regular one (a device, a pipe) directly.
class DirectOutputFile : public OutputFile {
 public:
  explicit DirectOutputFile(Fd fd) : fd_(std::move(fd)) {}
  size_t Write(const void* buf, size_t n) override {
    return fd_ ? WriteFully(fd_.get(), buf, n) : 0;
  }
  bool Commit() override { return fd_ && fd_.Close(); }

 private:
  Fd fd_;
};

// Writes a regular file to a temporary file in the target's folder and
// puts it in place at Commit.
class NewOutputFile : public OutputFile {
 public:
  explicit NewOutputFile(std::shared_ptr<const Found> found) : found_(std::move(found)) {}
  ~NewOutputFile() override { RemoveTemporaryName(); }

  bool Open(bool named) {
    // A replacement is its caller's alone until it has the old file's
    // metadata; a new file gets the folder's defaults (umask, default ACL).
    mode_t mode = replacing() ? 0600 : 0666;
    // An unnamed file is linked in through /proc.
    if (access("/proc/self/fd", F_OK) != 0) named = true;
    if (!named) {
      fd_.Reset(openat(folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
      if (fd_) return true;
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    }
    for (int tries = 0; tries < 100; ++tries) {
      std::string name = TemporaryName();
      fd_.Reset(openat(folder(), name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC,
                       mode));
      if (fd_) {
        temporary_name_ = name;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  size_t Write(const void* buf, size_t n) override {
    return fd_ ? WriteFully(fd_.get(), buf, n) : 0;
  }

  bool Commit() override {
    if (!fd_) return false;
    SignalsHeld held;
    return replacing() ? Replace() : Place();
  }

  bool PlacementRefused() const override { return refused_; }

 private:
  bool replacing() const { return static_cast<bool>(found_->file); }
  int folder() const { return found_->folder.get(); }

  // ".name.XXXXXX", the name cut so that the whole fits the file system's
  // limit on a name.
  std::string TemporaryName() const {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6] = {};
    if (getrandom(random, sizeof random, 0) != sizeof random) {
      for (unsigned char& r : random) r = static_cast<unsigned char>(rand());
    }
    std::string base = found_->name.substr(0, NAME_MAX - 8);
    std::string name = "." + base + ".";
    for (unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
    return name;
  }

  bool Fail(bool refused = false) {
    refused_ = refused;
    RemoveTemporaryName();
    fd_.Reset();
    return false;
  }

  void RemoveTemporaryName() {
    if (!temporary_name_.empty()) unlinkat(folder(), temporary_name_.c_str(), 0);
    temporary_name_.clear();
  }

  // Links the unnamed file in under a temporary name.
  bool LinkTemporaryName() {
    std::string from = ProcPath(fd_.get());
    for (int tries = 0; tries < 100; ++tries) {
      std::string name = TemporaryName();
      if (linkat(AT_FDCWD, from.c_str(), folder(), name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        temporary_name_ = name;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  // Nothing was there: the file is linked in under the name, which fails
  // when anything has appeared there since.
  bool Place() {
    struct stat mine;
    if (fstat(fd_.get(), &mine) != 0) return Fail();
    int rc = temporary_name_.empty()
                 ? linkat(AT_FDCWD, ProcPath(fd_.get()).c_str(), folder(), found_->name.c_str(),
                          AT_SYMLINK_FOLLOW)
                 : linkat(folder(), temporary_name_.c_str(), folder(), found_->name.c_str(), 0);
    if (rc != 0) return Fail(errno == EEXIST);
    RemoveTemporaryName();
    if (!fd_.Close()) {
      // A write error shown only now: the file must not stay.
      struct stat named;
      if (fstatat(folder(), found_->name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
          SameFile(named, mine)) {
        unlinkat(folder(), found_->name.c_str(), 0);
      }
      return false;
    }
    return true;
  }

  // A file was there: the new one takes its metadata, reaches the disk, and
  // is renamed over it if the name still leads to it.
  bool Replace() {
    if (!KeepMetadata(found_->file.get(), found_->st, fd_.get())) return Fail();
    if (fdatasync(fd_.get()) != 0) return Fail();
    if (temporary_name_.empty() && !LinkTemporaryName()) return Fail();
    struct stat named;
    if (fstatat(folder(), found_->name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !SameFile(named, found_->st)) {
      return Fail(true);
    }
    if (renameat(folder(), temporary_name_.c_str(), folder(), found_->name.c_str()) != 0) {
      return Fail();
    }
    temporary_name_.clear();
    fd_.Reset();
    // The rename reaches the disk with the folder; a folder that cannot be
    // opened for that is left to the system.
    Fd dir(openat(folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) fsync(dir.get());
    return true;
  }

  std::shared_ptr<const Found> found_;
  Fd fd_;
  std::string temporary_name_;  // empty while the file has no name
  bool refused_ = false;
};

class PosixOutputTarget : public OutputTarget {
 public:
  PosixOutputTarget(std::shared_ptr<Found> found, const OutputOptions& options)
      : found_(std::move(found)), options_(options) {}

  FileAttributes Attributes() const override {
    FileAttributes attrs;
    if (!found_->usable || !found_->file) return attrs;
    attrs.exists = true;
    attrs.directory = S_ISDIR(found_->st.st_mode);
    attrs.regular = S_ISREG(found_->st.st_mode);
    attrs.read_only = (found_->st.st_mode & S_IWUSR) == 0;
    return attrs;
  }

  bool ClearReadOnly() override {
    if (!found_->usable || !found_->file) return false;
    // On the file found, through its descriptor; never by name.
    struct stat now;
    if (fstat(found_->file.get(), &now) != 0) return false;
    if (chmod(ProcPath(found_->file.get()).c_str(), (now.st_mode & 07777) | S_IWUSR) != 0) {
      return false;
    }
    return fstat(found_->file.get(), &found_->st) == 0;
  }

  std::unique_ptr<OutputFile> Create() override {
    if (!found_->usable) return nullptr;
    const Fd& file = found_->file;
    if (file && S_ISDIR(found_->st.st_mode)) return nullptr;
    if (file && !S_ISREG(found_->st.st_mode)) {
      // The very file found, opened again; a pipe without a reader fails
      // at once rather than waiting for one.
      Fd fd(open(ProcPath(file.get()).c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
      struct stat st;
      if (!fd || fstat(fd.get(), &st) != 0 || !SameFile(st, found_->st)) return nullptr;
      int flags = fcntl(fd.get(), F_GETFL);
      if (flags < 0 || fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return nullptr;
      return std::make_unique<DirectOutputFile>(std::move(fd));
    }
    // Replacing needs only the folder's permission; the file itself must
    // be the caller's to write, as the kernel judges.
    if (file && faccessat(file.get(), "", W_OK, AT_EACCESS | AT_EMPTY_PATH) != 0) return nullptr;
    auto out = std::make_unique<NewOutputFile>(found_);
    if (!out->Open(options_.named_temporary)) return nullptr;
    return out;
  }

 private:
  std::shared_ptr<Found> found_;
  OutputOptions options_;
};

}  // namespace

std::unique_ptr<OutputTarget> OpenOutputTarget(const std::string& host,
                                               const OutputOptions& options) {
  return std::make_unique<PosixOutputTarget>(Look(host), options);
}

}  // namespace tv
