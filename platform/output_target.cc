#include "platform/output_target.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "platform/file_metadata.h"
#include "platform/path_walk.h"
#include "platform/posix_env.h"
#include "platform/temporary_cleanup.h"
#include "platform/unique_fd.h"

namespace tv {

namespace {

std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// In a folder with the sticky bit, another user's entry (neither the
// caller's nor the folder owner's) is never written through, whatever the
// system's fs.protected_regular says. Where others may write, a file with
// a second name may be another user's link to a file they could not write:
// its owner and mode say nothing about who put it there.
bool OthersEntry(const struct stat& folder, const struct stat& entry) {
  if ((folder.st_mode & S_ISVTX) != 0 && !TrustedEntry(folder, entry.st_uid)) return true;
  return OthersMayWrite(folder) && S_ISREG(entry.st_mode) && entry.st_nlink > 1;
}

// A folder where nothing may be renamed or removed (append-only) or
// changed at all (immutable): a temporary name linked in would stay.
struct FolderLock {
  bool append_only = false;
  bool immutable = false;
};

FolderLock LockOf(int folder) {
  FolderLock lock;
  Fd dir(openat(folder, ".", O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
  int flags = 0;
  if (dir && ioctl(dir.get(), FS_IOC_GETFLAGS, &flags) == 0) {
    lock.append_only = (flags & FS_APPEND_FL) != 0;
    lock.immutable = (flags & FS_IMMUTABLE_FL) != 0;
  }
  return lock;
}

// What was found at the output name.
struct Found {
  bool usable = false;  // false: nothing may be written there
  WalkedPath at;        // the folder, the name and the file there, if any
  // Files the tool opened as inputs: a replacement of one of them keeps its
  // set-ID bits and file capabilities.
  const std::vector<FileId>* inputs = nullptr;
  Fd readable;  // the regular file found, open for reading, if it can be

  const Fd& file() const { return at.entry; }
  const struct stat& st() const { return at.st; }
  bool IsInput() const {
    if (inputs == nullptr) return false;
    for (const FileId& id : *inputs) {
      if (id.dev == at.st.st_dev && id.ino == at.st.st_ino) return true;
    }
    return false;
  }
};

std::shared_ptr<Found> Look(const std::string& host, const OutputOptions& options) {
  auto found = std::make_shared<Found>();
  found->inputs = options.inputs;
  if (!WalkPath(host, &found->at)) return found;
  const WalkedPath& at = found->at;
  // The name of a folder, not of a file in one.
  if (!at.folder) {
    found->usable = true;
    return found;
  }
  // A link to nothing yet would have the file made where its maker chose.
  if (!at.entry && at.via_link) return found;
  if (at.entry && OthersEntry(at.folder_st, at.st)) return found;
  // A regular file reached through a link of the kernel's own has no
  // folder to put a replacement in.
  if (at.entry && at.kernel_link && S_ISREG(at.st.st_mode)) return found;
  // A regular file is held open for reading: its metadata and its mode
  // are read and changed on the very file found.
  if (at.entry && S_ISREG(at.st.st_mode)) {
    found->readable.Reset(ReopenWalked(at, O_RDONLY | O_NONBLOCK | O_NOCTTY));
  }
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
    // Found before anything is made: in an append-only folder a file cannot
    // be renamed over, nor a temporary name removed; an immutable one takes
    // nothing. A replacement refused so fails like a failed write, with
    // nothing written anywhere.
    FolderLock lock = LockOf(folder());
    if (lock.immutable || (lock.append_only && (named || replacing()))) {
      return replacing() ? Refuse() : false;
    }
    if (!named) {
      fd_.Reset(openat(folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
      if (fd_) return true;
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    }
    for (int tries = 0; tries < 100; ++tries) {
      std::string name = TemporaryName();
      // Watched from the moment the name exists.
      SignalsHeld held;
      fd_.Reset(openat(folder(), name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC,
                       mode));
      if (fd_) {
        SetTemporaryName(name);
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
  bool replacing() const { return static_cast<bool>(found_->file()); }
  int folder() const { return found_->at.folder.get(); }
  const std::string& name() const { return found_->at.name; }

  // ".name.XXXXXX", the name cut so that the whole fits the file system's
  // limit on a name.
  std::string TemporaryName() const {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6] = {};
    if (getrandom(random, sizeof random, 0) != sizeof random) {
      for (unsigned char& r : random) r = static_cast<unsigned char>(rand());
    }
    std::string base = name().substr(0, NAME_MAX - 8);
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

  // A replacement that cannot be put in place: it takes no bytes.
  bool Refuse() {
    fd_.Reset();
    return true;
  }

  void SetTemporaryName(const std::string& name) {
    temporary_name_ = name;
    watch_ = WatchTemporary(folder(), name.c_str());
  }

  void ForgetTemporaryName() {
    ForgetTemporary(std::exchange(watch_, -1));
    temporary_name_.clear();
  }

  void RemoveTemporaryName() {
    if (!temporary_name_.empty()) unlinkat(folder(), temporary_name_.c_str(), 0);
    ForgetTemporaryName();
  }

  // Links the unnamed file in under a temporary name.
  bool LinkTemporaryName() {
    std::string from = ProcPath(fd_.get());
    for (int tries = 0; tries < 100; ++tries) {
      std::string name = TemporaryName();
      if (linkat(AT_FDCWD, from.c_str(), folder(), name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        SetTemporaryName(name);
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
                 ? linkat(AT_FDCWD, ProcPath(fd_.get()).c_str(), folder(), name().c_str(),
                          AT_SYMLINK_FOLLOW)
                 : linkat(folder(), temporary_name_.c_str(), folder(), name().c_str(), 0);
    if (rc != 0) return Fail(errno == EEXIST);
    RemoveTemporaryName();
    if (!fd_.Close()) {
      // A write error shown only now: the file must not stay.
      struct stat named;
      if (fstatat(folder(), name().c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
          SameFile(named, mine)) {
        unlinkat(folder(), name().c_str(), 0);
      }
      return false;
    }
    return true;
  }

  // A file was there: the new one takes its metadata, reaches the disk, and
  // is renamed over it if the name still leads to it.
  bool Replace() {
    if (!KeepMetadata(found_->readable.get(), found_->st(), fd_.get(), found_->IsInput())) {
      return Fail();
    }
    if (fdatasync(fd_.get()) != 0) return Fail();
    if (temporary_name_.empty() && !LinkTemporaryName()) return Fail();
    struct stat named;
    if (fstatat(folder(), name().c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !SameFile(named, found_->st())) {
      return Fail(true);
    }
    if (renameat(folder(), temporary_name_.c_str(), folder(), name().c_str()) != 0) {
      return Fail();
    }
    ForgetTemporaryName();
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
  int watch_ = -1;              // the name's removal on a signal
  bool refused_ = false;
};

class PosixOutputTarget : public OutputTarget {
 public:
  PosixOutputTarget(std::shared_ptr<Found> found, const OutputOptions& options)
      : found_(std::move(found)), options_(options) {}

  FileAttributes Attributes() const override {
    FileAttributes attrs;
    if (!found_->usable || !found_->file()) return attrs;
    attrs.exists = true;
    attrs.directory = S_ISDIR(found_->st().st_mode);
    attrs.regular = S_ISREG(found_->st().st_mode);
    attrs.read_only = (found_->st().st_mode & S_IWUSR) == 0;
    return attrs;
  }

  bool ClearReadOnly() override {
    if (!found_->usable || !found_->file()) return false;
    // On the file found, through its descriptor; never by name.
    int fd = found_->readable.get();
    struct stat now;
    if (fd < 0 || fstat(fd, &now) != 0) return false;
    if (fchmod(fd, (now.st_mode & 07777) | S_IWUSR) != 0) return false;
    return fstat(fd, &found_->at.st) == 0;
  }

  std::unique_ptr<OutputFile> Create() override {
    if (!found_->usable) return nullptr;
    const Fd& file = found_->file();
    if (file && S_ISDIR(found_->st().st_mode)) return nullptr;
    if (file && !S_ISREG(found_->st().st_mode)) {
      // The very file found, opened again; a pipe without a reader fails
      // at once rather than waiting for one.
      Fd fd(ReopenWalked(found_->at, O_WRONLY | O_NONBLOCK | O_NOCTTY));
      if (!fd) return nullptr;
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
  return std::make_unique<PosixOutputTarget>(Look(host, options), options);
}

}  // namespace tv
