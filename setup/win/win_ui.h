// The installer's windows: the backdrop, the modal pages and the message
// boxes, over the Win32 ANSI calls.
#ifndef TV_SETUP_WIN_WIN_UI_H_
#define TV_SETUP_WIN_WIN_UI_H_

#include <windows.h>

#include "setup/wizard.h"

namespace tv {

class WinWizardUi : public WizardUi {
 public:
  explicit WinWizardUi(HINSTANCE instance) : instance_(instance) {}

  bool CreateBackdrop() override;
  int ShowPage(int page_id, WizardState* state) override;
  bool ShowMessage(Message message) override;

 private:
  HINSTANCE instance_;
  HWND backdrop_ = nullptr;
};

}  // namespace tv

#endif  // TV_SETUP_WIN_WIN_UI_H_
