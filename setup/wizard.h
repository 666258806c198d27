// The installer's run from start to end, and the decisions of its pages,
// written against a small user-interface interface so that every path
// through the pages can be driven by a test.
#ifndef TV_SETUP_WIZARD_H_
#define TV_SETUP_WIZARD_H_

#include <optional>

#include "setup/package.h"
#include "setup/package_platform.h"

namespace tv {

enum Message {
  MSG_UNKNOWN_ERROR,      // own path unusable
  MSG_BAD_PACKAGE,        // package incomplete or faulty
  MSG_LAUNCH_FAILED,      // Application Manager could not be started
  MSG_INSTALL_CANCELLED,  // cancelled before ever agreeing
  MSG_CONFIRM_CANCEL,     // Yes/No: really cancel?
};

enum MessageIcon { ICON_ERROR, ICON_WARNING, ICON_QUESTION };

struct MessageStyle {
  int string_id;  // text in the string table
  MessageIcon icon;
  bool yes_no;             // Yes and No buttons, else OK alone
  bool owned_by_backdrop;  // else the box has no owner
};

MessageStyle StyleOf(Message message);

struct WizardState {
  bool agreed = false;  // set by the first agreement, kept for the run
  InstallType install_type = INSTALL_STANDARD;
  ConfirmationInfo info;
};

class WizardUi {
 public:
  virtual ~WizardUi() = default;

  // Registers the window class and shows the maximized backdrop; false when
  // the window cannot be created.
  virtual bool CreateBackdrop() = 0;

  // Shows page `page_id` (IDD_*) modally and returns the identifier it ended
  // with. The page procedures keep `state` up to date.
  virtual int ShowPage(int page_id, WizardState* state) = 0;

  // Shows a message box in the style StyleOf(message); true when the answer
  // is Yes (or for a box with OK alone, always).
  virtual bool ShowMessage(Message message) = 0;
};

// Checks the package and runs the pages; returns when the installer ends.
void RunSetup(PackagePlatform& platform, WizardUi& ui);

// The agreement page ends on cancel (2) and agree (1000), with that result.
std::optional<int> AgreementPageCommand(int command);

// The confirmation page ends on start, cancel, back and next, with that
// result; the install-type commands change `state` and keep it open.
std::optional<int> ConfirmationPageCommand(int command, WizardState* state);

// String table entry naming the install type on the confirmation page.
int InstallTypeStringId(InstallType type);

}  // namespace tv

#endif  // TV_SETUP_WIZARD_H_
