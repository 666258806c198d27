#include "platform/posix_env.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/descriptor_output.h"
#include "platform/device_path.h"
#include "platform/input_spool.h"
#include "platform/output_target.h"
#include "platform/path_walk.h"
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
  if (spent_) return -1;
  for (;;) {
    ssize_t r = read(fd_, buf, n);
    if (r < 0 && errno == EINTR) continue;
    return r < 0 ? -1 : r;
  }
}

int64_t FdSource::Size() {
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size > start_ ? st.st_size - start_ : 0;
}

bool FdSource::Rewind() { return Size() >= 0 && lseek(fd_, start_, SEEK_SET) == start_; }

bool FdSource::Spool() {
  if (Size() >= 0) return true;
  bool consumed = false;
  int spool = SpoolToTemporary(fd_, &consumed);
  if (spool < 0) {
    // Part of the input is gone: reading on would give the rest as if whole.
    spent_ = consumed;
    return false;
  }
  if (owned_) close(fd_);
  fd_ = spool;
  owned_ = true;
  start_ = 0;
  return true;
}

size_t FdSink::Write(const void* buf, size_t n) { return WriteFully(fd_, buf, n); }

namespace {

// The offset of a descriptor that can seek, else 0.
int64_t StartOf(int fd) {
  off_t at = lseek(fd, 0, SEEK_CUR);
  return at < 0 ? 0 : at;
}

// A descriptor the tool inherited open for writing. One the tool opened
// itself closes on exec, so that flag tells them apart.
bool InheritedForWriting(int fd) {
  int fd_flags = fcntl(fd, F_GETFD);
  int flags = fcntl(fd, F_GETFL);
  return fd_flags >= 0 && (fd_flags & FD_CLOEXEC) == 0 && flags >= 0 &&
         (flags & O_ACCMODE) != O_RDONLY;
}

}  // namespace

PosixEnv::PosixEnv()
    : stdin_start_(StartOf(0)), stdin_(0, false, stdin_start_), stdout_(1), stderr_(2) {}

FileAttributes PosixEnv::GetFileAttributes(std::u16string_view path) {
  FileAttributes attrs;
  struct stat st;
  WalkedPath walked;
  if (path == kStandardStreamName) {
    if (fstat(0, &st) != 0) return attrs;
  } else {
    if (!WalkPath(DevicePathToHost(path), &walked) || !walked.entry) return attrs;
    st = walked.st;
  }
  attrs.exists = true;
  attrs.directory = S_ISDIR(st.st_mode);
  attrs.regular = S_ISREG(st.st_mode);
  attrs.stream = S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
  attrs.read_only = (st.st_mode & S_IWUSR) == 0;
  return attrs;
}

std::unique_ptr<ByteSource> PosixEnv::OpenFile(std::u16string_view path) {
  if (path == kStandardStreamName) {
    // Each opening reads from the start again where the file allows it, so
    // that a look at the first bytes takes nothing from the reading after.
    struct stat st;
    if (fstat(0, &st) != 0 || S_ISDIR(st.st_mode)) return nullptr;
    if (S_ISREG(st.st_mode) && lseek(0, stdin_start_, SEEK_SET) != stdin_start_) return nullptr;
    return std::make_unique<FdSource>(0, /*owned=*/false, stdin_start_);
  }
  WalkedPath walked;
  if (!WalkPath(DevicePathToHost(path), &walked) || !walked.entry) return nullptr;
  if (S_ISDIR(walked.st.st_mode)) return nullptr;
  // Another user's FIFO where others may write was put there to stall or
  // feed the tool.
  if (S_ISFIFO(walked.st.st_mode) && !TrustedEntry(walked.folder_st, walked.st.st_uid)) {
    return nullptr;
  }
  // Without blocking: a FIFO with no writer or a device must not stall the
  // open; reading blocks as usual once the file is known.
  Fd fd(ReopenWalked(walked, O_RDONLY | O_NONBLOCK | O_NOCTTY));
  if (!fd) return nullptr;
  inputs_.push_back({walked.st.st_dev, walked.st.st_ino});
  int flags = fcntl(fd.get(), F_GETFL);
  if (flags < 0 || fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return nullptr;
  return std::make_unique<FdSource>(fd.Release(), /*owned=*/true);
}

std::unique_ptr<OutputTarget> PosixEnv::OpenOutput(std::u16string_view path) {
  if (std::optional<int> fd = InheritedDescriptorOf(path)) {
    std::shared_ptr<ByteSink> sink;
    if (InheritedForWriting(*fd)) sink = std::make_shared<FdSink>(*fd);
    return DescriptorOutputTarget(std::move(sink));
  }
  OutputOptions options;
  options.inputs = &inputs_;
  return OpenOutputTarget(DevicePathToHost(path), options);
}

bool PosixEnv::ReadShare(char16_t units[kShareUnits]) {
  std::optional<std::string> value = GetVariable(kShareVariable);
  ShareUnitsFromValue(value.value_or(""), units);
  return value.has_value();
}

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

std::optional<std::string> PosixEnv::GetVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace tv
