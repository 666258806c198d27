// Stand-in for the Application Manager in the tests: records the command
// line it was started with, byte for byte as the ANSI call gives it, and
// ends. The record goes to the file named by TV_APPMGR_LOG, else to
// appmgr-command-line.txt beside the program.
#include <windows.h>

#include <string>

namespace {

// The record's own path is handled in UTF-16, so that any folder name works.
std::wstring RecordPath() {
  wchar_t buffer[MAX_PATH * 4];
  DWORD length = GetEnvironmentVariableW(L"TV_APPMGR_LOG", buffer, MAX_PATH * 4);
  if (length > 0 && length < MAX_PATH * 4) return std::wstring(buffer, length);
  length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
  if (length == 0 || length >= MAX_PATH * 4) return L"appmgr-command-line.txt";
  std::wstring path(buffer, length);
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"appmgr-command-line.txt";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const char* line = GetCommandLineA();
  // Written under another name and renamed, so a reader never sees half.
  std::wstring path = RecordPath();
  std::wstring partial = path + L".part";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = WriteFile(file, line, lstrlenA(line), &written, nullptr);
  CloseHandle(file);
  if (!ok || !MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
  return 0;
}
