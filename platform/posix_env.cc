#include "platform/posix_env.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/device_path.h"
#include "platform/output_target.h"
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

std::unique_ptr<OutputTarget> PosixEnv::OpenOutput(std::u16string_view path) {
  return OpenOutputTarget(DevicePathToHost(path));
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
