// The Env of a real run on Linux.
#ifndef TV_PLATFORM_POSIX_ENV_H_
#define TV_PLATFORM_POSIX_ENV_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/output_target.h"

namespace tv {

// Reads a file descriptor, owned or not. A regular file is read from
// `start` on: standard input may begin part way into its file.
class FdSource : public ByteSource {
 public:
  explicit FdSource(int fd, bool owned = false, int64_t start = 0)
      : fd_(fd), owned_(owned), start_(start) {}
  ~FdSource() override;
  ptrdiff_t Read(void* buf, size_t n) override;
  int64_t Size() override;
  // Only a regular file is read twice: a pipe or a device may give other
  // bytes the second time.
  bool Rewind() override;
  // A source that is not a regular file is copied to an unnamed temporary
  // file, which is read from then on.
  bool Spool() override;

 private:
  int fd_;
  bool owned_;
  int64_t start_;
  bool spent_ = false;  // a failed spool took part of the input
};

// Writes a file descriptor it does not own, unbuffered.
class FdSink : public ByteSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}
  size_t Write(const void* buf, size_t n) override;

 private:
  int fd_;
};

class PosixEnv : public Env {
 public:
  PosixEnv();
  ByteSource& StdIn() override { return stdin_; }
  ByteSink& StdOut() override { return stdout_; }
  ByteSink& StdErr() override { return stderr_; }
  FileAttributes GetFileAttributes(std::u16string_view path) override;
  std::unique_ptr<ByteSource> OpenFile(std::u16string_view path) override;
  std::unique_ptr<OutputTarget> OpenOutput(std::u16string_view path) override;
  bool ReadShare(char16_t units[kShareUnits]) override;
  bool AskYesNo(std::u16string_view caption, std::u16string_view text) override;
  std::optional<std::string> GetVariable(const char* name) override;

 private:
  int64_t stdin_start_;  // where standard input stood when the tool started
  FdSource stdin_;
  FdSink stdout_;
  FdSink stderr_;
  // Every file opened for reading, so that an output that is one of them
  // is known to be converted onto itself.
  std::vector<FileId> inputs_;
};

// Writes all of buf to fd, retrying on interruption; the count written.
size_t WriteFully(int fd, const void* buf, size_t n);

}  // namespace tv

#endif  // TV_PLATFORM_POSIX_ENV_H_
