#include "setup/wizard.h"

#include "setup/resource.h"

namespace tv {

namespace {

// The agreement and confirmation loops as one state machine: each turn shows
// one page and decides which page comes next, or that the run is over.
void RunPages(PackagePlatform& platform, const PackagePaths& paths, WizardUi& ui,
              WizardState* state) {
  int page = IDD_AGREEMENT;
  for (;;) {
    int result = ui.ShowPage(page, state);
    if (page == IDD_AGREEMENT) {
      if (result == IDC_AGREE) {
        state->agreed = true;
        page = IDD_CONFIRMATION;
      } else if (!state->agreed) {
        ui.ShowMessage(MSG_INSTALL_CANCELLED);
        return;
      } else if (ui.ShowMessage(MSG_CONFIRM_CANCEL)) {
        return;
      }
      continue;
    }
    if (result == IDC_START) {
      if (!LaunchAppManager(platform, paths, state->install_type)) {
        ui.ShowMessage(MSG_LAUNCH_FAILED);
      }
      return;
    }
    if (result == IDC_BACK) {
      page = IDD_AGREEMENT;
    } else if (ui.ShowMessage(MSG_CONFIRM_CANCEL)) {
      return;
    }
  }
}

}  // namespace

MessageStyle StyleOf(Message message) {
  switch (message) {
    case MSG_UNKNOWN_ERROR:
      return {IDS_UNKNOWN_ERROR, ICON_ERROR, false, false};
    case MSG_BAD_PACKAGE:
      return {IDS_BAD_PACKAGE, ICON_ERROR, false, false};
    case MSG_LAUNCH_FAILED:
      return {IDS_LAUNCH_FAILED, ICON_ERROR, false, true};
    case MSG_INSTALL_CANCELLED:
      return {IDS_INSTALL_CANCELLED, ICON_WARNING, false, true};
    case MSG_CONFIRM_CANCEL:
      break;
  }
  return {IDS_CONFIRM_CANCEL, ICON_QUESTION, true, true};
}

void RunSetup(PackagePlatform& platform, WizardUi& ui) {
  PackagePaths paths;
  switch (LocatePackage(platform, &paths)) {
    case LOCATE_NO_PATH:
      ui.ShowMessage(MSG_UNKNOWN_ERROR);
      return;
    case LOCATE_TOO_LONG:
      ui.ShowMessage(MSG_BAD_PACKAGE);
      return;
    case LOCATE_OK:
      break;
  }
  if (!CheckPackage(platform, paths)) {
    ui.ShowMessage(MSG_BAD_PACKAGE);
    return;
  }
  WizardState state;
  state.info = ReadConfirmationInfo(platform, paths);
  if (!ui.CreateBackdrop()) return;
  RunPages(platform, paths, ui, &state);
}

std::optional<int> AgreementPageCommand(int command) {
  if (command == IDC_CANCEL || command == IDC_AGREE) return command;
  return std::nullopt;
}

std::optional<int> ConfirmationPageCommand(int command, WizardState* state) {
  switch (command) {
    case IDC_START:
    case IDC_CANCEL:
    case IDC_BACK:
    case IDC_NEXT:
      return command;
    case IDC_STANDARD:
    case IDC_COMPACT:
      state->install_type = static_cast<InstallType>(command);
      break;
  }
  return std::nullopt;
}

int InstallTypeStringId(InstallType type) {
  return type == INSTALL_COMPACT ? IDS_TYPE_COMPACT : IDS_TYPE_STANDARD;
}

}  // namespace tv
