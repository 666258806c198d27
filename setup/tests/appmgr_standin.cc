// Stand-in for the Application Manager in the tests: records the command
// line it was started with, byte for byte, and ends. The record goes to the
// file named by TV_APPMGR_LOG, else to appmgr-command-line.txt beside it.
#include <windows.h>

#include <string>

namespace {

std::string RecordPath() {
  char buffer[MAX_PATH * 4];
  DWORD length = GetEnvironmentVariableA("TV_APPMGR_LOG", buffer, sizeof(buffer));
  if (length > 0 && length < sizeof(buffer)) return std::string(buffer, length);
  length = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  if (length == 0 || length >= sizeof(buffer)) return "appmgr-command-line.txt";
  std::string path(buffer, length);
  // The test folders have plain names, so a byte search is good enough.
  return path.substr(0, path.find_last_of('\\') + 1) + "appmgr-command-line.txt";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const char* line = GetCommandLineA();
  // Written under another name and renamed, so a reader never sees half.
  std::string path = RecordPath();
  std::string partial = path + ".part";
  HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = WriteFile(file, line, lstrlenA(line), &written, nullptr);
  CloseHandle(file);
  if (!ok || !MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
  return 0;
}
