// Test helper: lists the visible top-level windows of the Wine session with
// their controls, in UTF-8 on standard output, one per line:
//   window <handle> <owner> <class> <title>
//   control <handle> <id> <class> <text>
// Fields are separated by tabs; tabs and line breaks in texts become blanks.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string ToUtf8(const wchar_t* text, int length) {
  if (length <= 0) return "";
  int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

std::string TextOf(HWND window) {
  wchar_t buffer[1024];
  DWORD_PTR length = 0;
  // Asked of the window itself, so that controls of other processes answer.
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, 2000, &length)) {
    length = InternalGetWindowText(window, buffer, 1024);
  }
  return ToUtf8(buffer, static_cast<int>(length));
}

std::string ClassOf(HWND window) {
  wchar_t buffer[256];
  int length = GetClassNameW(window, buffer, 256);
  return ToUtf8(buffer, length);
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  std::printf("control\t%p\t%d\t%s\t%s\n", static_cast<void*>(control), GetDlgCtrlID(control),
              ClassOf(control).c_str(), TextOf(control).c_str());
  return TRUE;
}

BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  std::printf("window\t%p\t%p\t%s\t%s\n", static_cast<void*>(window),
              static_cast<void*>(GetWindow(window, GW_OWNER)), ClassOf(window).c_str(),
              TextOf(window).c_str());
  EnumChildWindows(window, PrintControl, 0);
  return TRUE;
}

}  // namespace

int main() {
  EnumWindows(PrintWindow, 0);
  std::fflush(stdout);
  return 0;
}
