// The operating-system services the package check and the launch need. The
// installer's decisions are written against this interface so that they run
// natively under test; the Windows program supplies the real calls.
#ifndef TV_SETUP_PACKAGE_PLATFORM_H_
#define TV_SETUP_PACKAGE_PLATFORM_H_

#include <cstdint>
#include <optional>
#include <string>

namespace tv {

enum PathKind { PATH_MISSING, PATH_FILE, PATH_FOLDER };

class PackagePlatform {
 public:
  virtual ~PackagePlatform() = default;

  // Full path of the running installer, however long; empty when it cannot
  // be had, or when the code page cannot spell it and the path given is a
  // best-fit stand-in that may name another folder (Café read as Cafe).
  // Length limits are the caller's business.
  virtual std::string ModuleFileName() = 0;

  // Whether `byte` starts a two-byte character of the ANSI code page.
  virtual bool IsLeadByte(uint8_t byte) = 0;

  // What is at `path`. A device reads as a file: its name tells it apart.
  virtual PathKind KindOf(const std::string& path) = 0;

  // The whole value of `key` in `section` of the INI file at `path`; empty
  // when the file, section or key is missing.
  virtual std::string ReadIniString(const std::string& path, const std::string& section,
                                    const std::string& key) = 0;

  // The default value of the Application Manager's App Paths key; nothing
  // when the key cannot be opened or the value cannot be read into the
  // path buffer.
  virtual std::optional<std::string> ReadAppManagerPath() = 0;

  // Starts `program` with `command_line` and does not wait; false when the
  // process could not be created.
  virtual bool StartProcess(const std::string& program, const std::string& command_line) = 0;
};

}  // namespace tv

#endif  // TV_SETUP_PACKAGE_PLATFORM_H_
