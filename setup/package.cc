#include "setup/package.h"

#include <vector>

namespace tv {

namespace {

// Bytes taken by the character that starts at `i`: a lead byte takes its
// trail byte with it, unless the text ends first.
size_t CharLength(std::string_view text, size_t i, PackagePlatform& platform) {
  if (platform.IsLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size()) return 2;
  return 1;
}

bool FitsPathBuffer(const std::string& path) { return path.size() < kPathBufferSize; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Upper-cases the one-byte letters only: a trail byte that looks like a
// letter belongs to another character.
std::string FoldCase(std::string_view text, PackagePlatform& platform) {
  std::string folded(text);
  for (size_t i = 0; i < folded.size(); i += CharLength(text, i, platform)) {
    if (CharLength(text, i, platform) == 1) folded[i] = AsciiUpper(folded[i]);
  }
  return folded;
}

// Windows opens these as devices in any folder and with any extension, also
// with blanks before the extension ("NUL .CAB").
bool IsDeviceName(std::string_view folded_part) {
  std::string_view base = folded_part.substr(0, folded_part.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

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

bool IsPackageFileName(std::string_view name, std::string_view installer,
                       PackagePlatform& platform) {
  // Two separators first make a network or device path (\\server, \\.\).
  if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) return false;
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < name.size(); i += CharLength(name, i, platform)) {
    char c = name[i];
    if (CharLength(name, i, platform) == 2) {
      parts.back().append(name.substr(i, 2));
    } else if (IsSeparator(c)) {
      parts.emplace_back();
    } else if (static_cast<uint8_t>(c) < 0x20 ||
               std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
      return false;  // drives, streams, wildcards: nothing a plain name holds
    } else {
      parts.back() += c;
    }
  }
  // One separator first still means the installer's folder ("\sub\x.CAB").
  if (parts.size() > 1 && parts.front().empty()) parts.erase(parts.begin());
  for (std::string& part : parts) {
    // Windows drops a name's trailing dots and blanks, so "..", "." and
    // "SETUP.INI." would each name something other than they seem.
    if (part.empty() || part.back() == '.' || part.back() == ' ') return false;
    part = FoldCase(part, platform);
    if (IsDeviceName(part)) return false;
  }
  if (parts.size() > 1) return true;
  for (const std::string& own : {std::string("SETUP.INI"), std::string("STANDARD.INI"),
                                 std::string("COMPACT.INI"), FoldCase(installer, platform)}) {
    if (parts.front() == own) return false;
  }
  return true;
}

bool IsAbsolutePath(std::string_view path) {
  if (path.size() < 3) return false;
  char drive = AsciiUpper(path[0]);
  if (drive >= 'A' && drive <= 'Z' && path[1] == ':' && IsSeparator(path[2])) return true;
  return IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

LocateResult LocatePackage(PackagePlatform& platform, PackagePaths* paths) {
  std::string own = platform.ModuleFileName();
  size_t slash = FindLastBackslash(own, platform);
  if (own.empty() || slash == std::string::npos) return LOCATE_NO_PATH;
  paths->directory = own.substr(0, slash + 1);
  paths->installer = own.substr(slash + 1);
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
  if (platform.KindOf(paths.setup_ini) == PATH_MISSING) return false;
  if (platform.KindOf(paths.standard_ini) == PATH_MISSING) return false;
  // The value names one package file relative to the installer's folder;
  // a list of several is taken as one name and so fails the test.
  std::string cab = platform.ReadIniString(paths.standard_ini, "TorvelanOpen", "CabFiles");
  if (!IsPackageFileName(cab, paths.installer, platform)) return false;
  std::string cab_path = paths.directory + cab;
  if (cab.size() >= kPathBufferSize || !FitsPathBuffer(cab_path)) return false;
  return platform.KindOf(cab_path) == PATH_FILE;
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
  // A bare name would be looked for in the current folder, which is as a
  // rule the downloaded package's.
  if (!program || !IsAbsolutePath(*program) || !FitsPathBuffer(*program)) return false;
  const std::string& ini = type == INSTALL_COMPACT ? paths.compact_ini : paths.standard_ini;
  std::string command_line = BuildLaunchCommandLine(*program, ini);
  // Two quoted paths that each fit the path buffer always fit this one.
  if (command_line.size() >= kCommandLineBufferSize) return false;
  return platform.StartProcess(*program, command_line);
}

}  // namespace tv
