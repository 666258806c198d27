#include "setup/win/win_platform.h"

#include <windows.h>

#include <vector>

#include "setup/package.h"

namespace tv {

namespace {

const char kAppManagerKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";

// The calls below report a cut-short result only by filling the buffer, so
// they are retried with a larger one up to this size; the decisions about
// what length is acceptable are made above this layer.
constexpr DWORD kLargestBuffer = 32768;

// The running program's path through the A or the W call; empty when it
// cannot be had.
template <typename Char>
std::basic_string<Char> GrowingModuleFileName(DWORD(WINAPI* call)(HMODULE, Char*, DWORD)) {
  std::vector<Char> buffer(kPathBufferSize);
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD length = call(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) return std::basic_string<Char>(buffer.data(), length);
    if (size >= kLargestBuffer) return {};
    buffer.resize(size * 2);
  }
}

}  // namespace

std::string WinPackagePlatform::ModuleFileName() {
  std::string ansi = GrowingModuleFileName(GetModuleFileNameA);
  std::wstring wide = GrowingModuleFileName(GetModuleFileNameW);
  // Characters the code page lacks come out as best-fit stand-ins or '?',
  // and such a path would lead elsewhere: only one that reads back as the
  // real path is used.
  int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(),
                                   static_cast<int>(ansi.size()), nullptr, 0);
  if (ansi.empty() || length != static_cast<int>(wide.size())) return "";
  std::wstring back(length, L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()),
                      back.data(), length);
  return back == wide ? ansi : "";
}

bool WinPackagePlatform::IsLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }

PathKind WinPackagePlatform::KindOf(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PATH_MISSING;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? PATH_FOLDER : PATH_FILE;
}

std::string WinPackagePlatform::ReadIniString(const std::string& path, const std::string& section,
                                              const std::string& key) {
  std::vector<char> buffer(kPathBufferSize);
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(), size,
                                            path.c_str());
    // A value that filled the buffer may have been cut.
    if (length + 1 < size || size >= kLargestBuffer) return std::string(buffer.data(), length);
    buffer.resize(size * 2);
  }
}

std::optional<std::string> WinPackagePlatform::ReadAppManagerPath() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppManagerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // One byte more than the value may fill: a stored string need not end in
  // a zero.
  char value[kPathBufferSize + 1] = {};
  DWORD size = kPathBufferSize;
  LONG status =
      RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  value[size < kPathBufferSize ? size : kPathBufferSize] = '\0';
  return std::string(value);
}

bool WinPackagePlatform::StartProcess(const std::string& program, const std::string& command_line) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwX = startup.dwY = CW_USEDEFAULT;
  startup.dwXSize = startup.dwYSize = CW_USEDEFAULT;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  // The call may write to the command line, so it gets a copy of its own.
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  // The installer does not wait for the Application Manager.
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace tv
