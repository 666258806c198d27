#include "setup/package.h"

namespace tv {

namespace {

// Bytes taken by the character that starts at `i`: a lead byte takes its
// trail byte with it, unless the text ends first.
size_t CharLength(std::string_view text, size_t i, PackagePlatform& platform) {
  if (platform.IsLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size()) return 2;
  return 1;
}

bool FitsPathBuffer(const std::string& path) { return path.size() < kPathBufferSize; }

}  // namespace

size_t FindLastBackslash(std::string_view path, PackagePlatform& platform) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); i += CharLength(path, i, platform)) {
    if (path[i] == '\\') last = i;
  }
  return last;
}

std::string_view TruncateMultibyte(std::string_view text, size_t max_bytes,
                                   PackagePlatform& platform) {
  size_t end = 0;
  while (end < text.size()) {
    size_t next = end + CharLength(text, end, platform);
    if (next > max_bytes) break;
    end = next;
  }
  return text.substr(0, end);
}

LocateResult LocatePackage(PackagePlatform& platform, PackagePaths* paths) {
  std::string own = platform.ModuleFileName();
  size_t slash = FindLastBackslash(own, platform);
  if (own.empty() || slash == std::string::npos) return LOCATE_NO_PATH;
  paths->directory = own.substr(0, slash + 1);
  paths->setup_ini = paths->directory + "SETUP.INI";
  paths->standard_ini = paths->directory + "STANDARD.INI";
  paths->compact_ini = paths->directory + "COMPACT.INI";
  // The paths go to calls that take fixed path buffers; one that would not
  // fit is refused rather than cut short.
  if (!FitsPathBuffer(paths->setup_ini) || !FitsPathBuffer(paths->standard_ini) ||
      !FitsPathBuffer(paths->compact_ini)) {
    return LOCATE_TOO_LONG;
  }
  return LOCATE_OK;
}

bool CheckPackage(PackagePlatform& platform, const PackagePaths& paths) {
  if (!platform.FileExists(paths.setup_ini)) return false;
  if (!platform.FileExists(paths.standard_ini)) return false;
  // The value names one package file relative to the installer's folder;
  // a list of several is taken as one name and so fails the test.
  std::string cab = platform.ReadIniString(paths.standard_ini, "TorvelanOpen", "CabFiles");
  if (cab.empty()) return false;
  std::string cab_path = paths.directory + cab;
  if (cab.size() >= kPathBufferSize || !FitsPathBuffer(cab_path)) return false;
  return platform.FileExists(cab_path);
}

ConfirmationInfo ReadConfirmationInfo(PackagePlatform& platform, const PackagePaths& paths) {
  const size_t max_bytes = kInfoBufferSize - 1;
  ConfirmationInfo info;
  info.os_version = TruncateMultibyte(
      platform.ReadIniString(paths.setup_ini, "Application", "OSVersion"), max_bytes, platform);
  info.cpu = TruncateMultibyte(platform.ReadIniString(paths.setup_ini, "Application", "CPU"),
                               max_bytes, platform);
  return info;
}

std::string BuildLaunchCommandLine(std::string_view program, std::string_view ini) {
  std::string line;
  line.reserve(program.size() + ini.size() + 5);
  line += '"';
  line += program;
  line += "\" \"";
  line += ini;
  line += '"';
  return line;
}

bool LaunchAppManager(PackagePlatform& platform, const PackagePaths& paths, InstallType type) {
  std::optional<std::string> program = platform.ReadAppManagerPath();
  if (!program || program->empty() || !FitsPathBuffer(*program)) return false;
  const std::string& ini = type == INSTALL_COMPACT ? paths.compact_ini : paths.standard_ini;
  std::string command_line = BuildLaunchCommandLine(*program, ini);
  // Two quoted paths that each fit the path buffer always fit this one.
  if (command_line.size() >= kCommandLineBufferSize) return false;
  return platform.StartProcess(*program, command_line);
}

}  // namespace tv
