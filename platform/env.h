// Everything a device tool asks of its platform, behind one interface: the
// standard streams, file attributes, reading and writing files, the shell's
// current-directory share and the Yes/No question. The real implementation
// (PosixEnv) talks to Linux; FakeEnv keeps everything in memory for tests.
// Paths are device paths (UTF-16, backslashes), as the tools build them.
#ifndef TV_PLATFORM_ENV_H_
#define TV_PLATFORM_ENV_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/byte_stream.h"

namespace tv {

// Units of the current-directory share, as the device reads it.
inline constexpr size_t kShareUnits = 260;

struct FileAttributes {
  bool exists = false;  // false: the attributes cannot be had
  bool directory = false;
  bool read_only = false;
  bool regular = false;  // a regular file (not a device, pipe or folder)
  bool stream = false;   // a pipe, FIFO or socket
};

// The file name that stands for standard input where a file is read, and
// for standard output where KANVO writes one. A file of that name is still
// reached as "./-".
inline constexpr std::u16string_view kStandardStreamName = u"-";

// A file being written. Its bytes replace the target only at Commit; a file
// dropped without Commit leaves the previous target whole.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // Returns the count written; fewer than n is a failure (a full disk).
  virtual size_t Write(const void* buf, size_t n) = 0;
  // Completes the file; false when it could not be completed, in which case
  // the previous target is untouched.
  virtual bool Commit() = 0;
  // After a failed Commit: true when the file could not be put in place
  // because the name no longer leads to what was found when it was opened
  // (an output that cannot be created), not because writing failed.
  virtual bool PlacementRefused() const { return false; }
};

// An output name, looked up once. The attributes, clearing read-only and
// the file written all concern what was found then: a name that leads
// elsewhere by the time the file is put in place is refused, never written.
class OutputTarget {
 public:
  virtual ~OutputTarget() = default;
  // What is there: exists is false when nothing is, and also when the name
  // cannot be written at all (Create then fails).
  virtual FileAttributes Attributes() const = 0;
  // Makes the read-only file found writable; false on failure.
  virtual bool ClearReadOnly() = 0;
  // Starts writing; nullptr when the output cannot be created.
  virtual std::unique_ptr<OutputFile> Create() = 0;
};

class Env {
 public:
  virtual ~Env() = default;

  virtual ByteSource& StdIn() = 0;
  virtual ByteSink& StdOut() = 0;
  virtual ByteSink& StdErr() = 0;

  // kStandardStreamName gives standard input's.
  virtual FileAttributes GetFileAttributes(std::u16string_view path) = 0;
  // Opens a file for reading; nullptr when it is missing, a folder, or
  // cannot be read. kStandardStreamName reads standard input, from where it
  // stood when the tool started.
  virtual std::unique_ptr<ByteSource> OpenFile(std::u16string_view path) = 0;
  // Looks up an output name; never nullptr. A name that stands for an
  // inherited descriptor (kStandardStreamName, /dev/stdout, /dev/stderr,
  // /dev/fd/N, /proc/self/fd/N) is written through that descriptor.
  virtual std::unique_ptr<OutputTarget> OpenOutput(std::u16string_view path) = 0;

  // Copies the share's 260 units into units; false when no shell has
  // published one.
  virtual bool ReadShare(char16_t units[kShareUnits]) = 0;

  // Asks a Yes/No question; true for Yes.
  virtual bool AskYesNo(std::u16string_view caption, std::u16string_view text) = 0;

  // The value of an environment variable; nullopt when it is not set.
  virtual std::optional<std::string> GetVariable(const char* name) = 0;
};

}  // namespace tv

#endif  // TV_PLATFORM_ENV_H_
