// Locating and checking the installation package beside the installer,
// reading the confirmation information, and starting the Application Manager
// with the chosen package description.
#ifndef TV_SETUP_PACKAGE_H_
#define TV_SETUP_PACKAGE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "setup/package_platform.h"

namespace tv {

// Sizes of the installer's byte buffers, terminating zero included.
inline constexpr size_t kPathBufferSize = 260;
inline constexpr size_t kInfoBufferSize = 64;
inline constexpr size_t kCommandLineBufferSize = 780;

enum InstallType { INSTALL_STANDARD = 1010, INSTALL_COMPACT = 1011 };

struct PackagePaths {
  std::string directory;  // ends in a backslash
  std::string installer;  // the installer's own file name
  std::string setup_ini;
  std::string standard_ini;
  std::string compact_ini;
};

enum LocateResult {
  LOCATE_OK,
  LOCATE_NO_PATH,   // own path unavailable, or without a backslash
  LOCATE_TOO_LONG,  // a package path would not fit the path buffer
};

struct ConfirmationInfo {
  std::string os_version;
  std::string cpu;
};

// Offset of the last backslash of `path`, stepping over each two-byte
// character as a whole so that a trail byte 0x5C is no separator; npos when
// there is none.
size_t FindLastBackslash(std::string_view path, PackagePlatform& platform);

// The longest prefix of `text` of at most `max_bytes` bytes that does not
// end inside a two-byte character.
std::string_view TruncateMultibyte(std::string_view text, size_t max_bytes,
                                   PackagePlatform& platform);

// Whether a "CabFiles" value may name the package: a file name, or a path
// down into subfolders, that stays inside the installer's folder and names
// neither a device (NUL, COM1.CAB, ...) nor the installer or its INI files.
bool IsPackageFileName(std::string_view name, std::string_view installer,
                       PackagePlatform& platform);

// Whether `path` is absolute, so that starting it never searches the current
// folder: a drive with its root (C:\...) or a network path (\\server\...).
bool IsAbsolutePath(std::string_view path);

// Fills `paths` from the installer's own path.
LocateResult LocatePackage(PackagePlatform& platform, PackagePaths* paths);

// True when SETUP.INI and STANDARD.INI exist and the package file that
// STANDARD.INI names is a file that passes IsPackageFileName, each path
// fitting the path buffer.
bool CheckPackage(PackagePlatform& platform, const PackagePaths& paths);

ConfirmationInfo ReadConfirmationInfo(PackagePlatform& platform, const PackagePaths& paths);

// "<program>" "<ini>": both paths quoted, one blank between.
std::string BuildLaunchCommandLine(std::string_view program, std::string_view ini);

// Starts the Application Manager with the description of `type`; false when
// it is not registered at an absolute path or its process cannot be created.
bool LaunchAppManager(PackagePlatform& platform, const PackagePaths& paths, InstallType type);

}  // namespace tv

#endif  // TV_SETUP_PACKAGE_H_
