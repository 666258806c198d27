#include "setup/win/win_ui.h"

#include <string>

#include "setup/resource.h"

namespace tv {

namespace {

const char kTitleVersion[] = "V1.53";
const COLORREF kBackdropColour = RGB(0x00, 0x00, 0x99);

// Title and class name buffers; the strings are far shorter.
constexpr int kNameBufferSize = 100;
constexpr int kTextBufferSize = 256;

std::string LoadText(HINSTANCE instance, int id, int buffer_size) {
  std::string text(buffer_size, '\0');
  int length = LoadStringA(instance, id, text.data(), buffer_size);
  text.resize(length > 0 ? length : 0);
  return text;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      // The menu is not attached (see the README), but the commands keep
      // their meaning should it ever be.
      if (LOWORD(wparam) == IDM_ABOUT) {
        DialogBoxA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)),
                   MAKEINTRESOURCEA(IDD_ABOUT), window, AboutProc);
        return 0;
      }
      if (LOWORD(wparam) == IDM_EXIT) {
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      HBRUSH brush = CreateSolidBrush(kBackdropColour);
      FillRect(dc, &client, brush);
      DeleteObject(brush);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

INT_PTR CALLBACK AgreementProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;  // default focus
  if (message == WM_COMMAND) {
    if (std::optional<int> result = AgreementPageCommand(LOWORD(wparam))) {
      EndDialog(dialog, *result);
      return TRUE;
    }
  }
  return FALSE;
}

void ShowInstallType(HWND dialog, const WizardState& state) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  std::string text = LoadText(instance, InstallTypeStringId(state.install_type), kTextBufferSize);
  SetDlgItemTextA(dialog, IDC_INSTALL_TYPE, text.c_str());
}

INT_PTR CALLBACK ConfirmationProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    const WizardState& state = *reinterpret_cast<WizardState*>(lparam);
    SendDlgItemMessageA(dialog, IDC_INFO_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_INFORMATION)), 0);
    SetDlgItemTextA(dialog, IDC_OS_VERSION, state.info.os_version.c_str());
    SetDlgItemTextA(dialog, IDC_CPU, state.info.cpu.c_str());
    ShowInstallType(dialog, state);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    auto* state = reinterpret_cast<WizardState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (state == nullptr) return FALSE;
    if (std::optional<int> result = ConfirmationPageCommand(LOWORD(wparam), state)) {
      EndDialog(dialog, *result);
    } else {
      ShowInstallType(dialog, *state);
    }
    return TRUE;
  }
  return FALSE;
}

}  // namespace

bool WinWizardUi::CreateBackdrop() {
  std::string title = LoadText(instance_, IDS_APP_TITLE, kNameBufferSize);
  std::string class_name = LoadText(instance_, IDS_WINDOW_CLASS, kNameBufferSize);

  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = BackdropProc;
  window_class.hInstance = instance_;
  window_class.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_SETUP_LARGE));
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszMenuName = nullptr;
  window_class.lpszClassName = class_name.c_str();
  window_class.hIconSm = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_SETUP_SMALL));
  RegisterClassExA(&window_class);

  title += kTitleVersion;
  backdrop_ =
      CreateWindowExA(0, class_name.c_str(), title.c_str(), WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                      0, CW_USEDEFAULT, 0, nullptr, nullptr, instance_, nullptr);
  if (backdrop_ == nullptr) return false;
  ShowWindow(backdrop_, SW_SHOWMAXIMIZED);
  UpdateWindow(backdrop_);
  return true;
}

int WinWizardUi::ShowPage(int page_id, WizardState* state) {
  DLGPROC procedure = page_id == IDD_AGREEMENT ? AgreementProc : ConfirmationProc;
  return static_cast<int>(DialogBoxParamA(instance_, MAKEINTRESOURCEA(page_id), backdrop_,
                                          procedure, reinterpret_cast<LPARAM>(state)));
}

bool WinWizardUi::ShowMessage(Message message) {
  MessageStyle style = StyleOf(message);
  std::string text = LoadText(instance_, style.string_id, kTextBufferSize);
  std::string caption = LoadText(instance_, IDS_MESSAGE_CAPTION, kTextBufferSize);
  UINT type = style.yes_no ? MB_YESNO : MB_OK;
  switch (style.icon) {
    case ICON_ERROR:
      type |= MB_ICONERROR;
      break;
    case ICON_WARNING:
      type |= MB_ICONWARNING;
      break;
    case ICON_QUESTION:
      type |= MB_ICONQUESTION;
      break;
  }
  HWND owner = style.owned_by_backdrop ? backdrop_ : nullptr;
  int answer = MessageBoxA(owner, text.c_str(), caption.c_str(), type);
  return !style.yes_no || answer == IDYES;
}

}  // namespace tv
