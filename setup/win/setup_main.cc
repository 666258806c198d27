// The desktop installer: checks the package beside it, shows the agreement
// and confirmation pages, and hands the package to the Application Manager.
#include <windows.h>

#include "setup/win/win_platform.h"
#include "setup/win/win_ui.h"
#include "setup/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  tv::WinPackagePlatform platform;
  tv::WinWizardUi ui(instance);
  tv::RunSetup(platform, ui);
  // Whatever happened has been told in a message box.
  return 0;
}
