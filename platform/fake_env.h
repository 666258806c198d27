// An Env held entirely in memory, so that tests drive a tool in-process:
// files, standard streams, the share and the answers to questions are plain
// data, and failures can be injected.
#ifndef TV_PLATFORM_FAKE_ENV_H_
#define TV_PLATFORM_FAKE_ENV_H_

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"

namespace tv {

class FakeEnv : public Env {
 public:
  struct File {
    std::string bytes;
    bool directory = false;
    bool read_only = false;
    bool device = false;      // not a regular file: written directly
    bool unreadable = false;  // exists, but opening it fails
    // Reads fail once this many bytes have been read (a failing disk).
    size_t fail_read_after = static_cast<size_t>(-1);
  };

  // Files are keyed by Linux path (DevicePathToHost of the device path).
  std::map<std::string, File> files;
  std::string stdin_bytes;
  // What standard input is; by default a terminal (a device).
  FileAttributes stdin_attributes = {.exists = true};
  StringSink stdout_sink;
  StringSink stderr_sink;
  std::optional<std::u16string> share;  // the published text, if any
  std::deque<bool> answers;             // answers to questions; none left is No
  std::vector<std::u16string> questions;
  // Bytes an output file accepts before its writes come up short.
  size_t output_capacity = static_cast<size_t>(-1);
  bool fail_clear = false;   // clearing read-only fails
  bool fail_create = false;  // no output can be created
  bool fail_commit = false;
  std::map<std::string, std::string, std::less<>> variables;  // the environment
  // Commit finds that the name no longer leads to the file looked up.
  bool refuse_placement = false;

  void AddFile(const std::string& path, std::string bytes) { files[path].bytes = std::move(bytes); }
  void AddDirectory(const std::string& path) { files[path].directory = true; }
  std::string stdout_text() const { return stdout_sink.bytes(); }

  ByteSource& StdIn() override;
  ByteSink& StdOut() override { return stdout_sink; }
  ByteSink& StdErr() override { return stderr_sink; }
  FileAttributes GetFileAttributes(std::u16string_view path) override;
  std::unique_ptr<ByteSource> OpenFile(std::u16string_view path) override;
  std::unique_ptr<OutputTarget> OpenOutput(std::u16string_view path) override;
  bool ReadShare(char16_t units[kShareUnits]) override;
  bool AskYesNo(std::u16string_view caption, std::u16string_view text) override;
  std::optional<std::string> GetVariable(const char* name) override;

 private:
  std::unique_ptr<StringSource> stdin_;
};

}  // namespace tv

#endif  // TV_PLATFORM_FAKE_ENV_H_
