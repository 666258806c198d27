#include "setup/wizard.h"

#include <gtest/gtest.h>

#include "setup/fake_setup.h"

namespace tv {
namespace {

using Log = std::vector<std::string>;

const std::string kDir = "C:\\Pkg\\";
const std::string kStandardLine = "\"C:\\CE\\CEAppMgr.exe\" \"C:\\Pkg\\STANDARD.INI\"";
const std::string kCompactLine = "\"C:\\CE\\CEAppMgr.exe\" \"C:\\Pkg\\COMPACT.INI\"";

struct SetupRun {
  FakePlatform platform;
  FakeUi ui;
  SetupRun() { platform.AddPackage(kDir); }
  void Go() {
    try {
      RunSetup(platform, ui);
    } catch (const std::runtime_error&) {
      // The script ended; the fake has reported it.
    }
    EXPECT_TRUE(ui.pages.empty()) << "pages left unshown";
    EXPECT_TRUE(ui.answers.empty()) << "answers left unused";
  }
};

// Every way through the agreement and confirmation loops.
TEST(RunSetup, NavigatesThePages) {
  constexpr int A = IDD_AGREEMENT, C = IDD_CONFIRMATION;
  struct Case {
    const char* name;
    std::deque<FakeUi::PageStep> pages;
    std::deque<bool> answers;
    Log expected;
    bool launched;
  } cases[] = {
      {"agree and start",
       {{A, IDC_AGREE}, {C, IDC_START}},
       {},
       {"backdrop", "page 129", "page 132"},
       true},
      {"cancel before ever agreeing",
       {{A, IDC_CANCEL}},
       {},
       {"backdrop", "page 129", "message cancelled"},
       false},
      {"back, agree again and start",
       {{A, IDC_AGREE}, {C, IDC_BACK}, {A, IDC_AGREE}, {C, IDC_START}},
       {},
       {"backdrop", "page 129", "page 132", "page 129", "page 132"},
       true},
      {"back, cancel, No, agree and start",
       {{A, IDC_AGREE}, {C, IDC_BACK}, {A, IDC_CANCEL}, {A, IDC_AGREE}, {C, IDC_START}},
       {false},
       {"backdrop", "page 129", "page 132", "page 129", "message confirm-cancel", "no", "page 129",
        "page 132"},
       true},
      {"back, cancel, Yes",
       {{A, IDC_AGREE}, {C, IDC_BACK}, {A, IDC_CANCEL}},
       {true},
       {"backdrop", "page 129", "page 132", "page 129", "message confirm-cancel", "yes"},
       false},
      {"cancel on confirmation, No, start",
       {{A, IDC_AGREE}, {C, IDC_CANCEL}, {C, IDC_START}},
       {false},
       {"backdrop", "page 129", "page 132", "message confirm-cancel", "no", "page 132"},
       true},
      {"cancel on confirmation, Yes",
       {{A, IDC_AGREE}, {C, IDC_CANCEL}},
       {true},
       {"backdrop", "page 129", "page 132", "message confirm-cancel", "yes"},
       false},
      {"confirmation page that could not be shown counts as cancel",
       {{A, IDC_AGREE}, {C, -1}},
       {true},
       {"backdrop", "page 129", "page 132", "message confirm-cancel", "yes"},
       false},
      {"next on confirmation counts as cancel",
       {{A, IDC_AGREE}, {C, IDC_NEXT}, {C, IDC_CANCEL}},
       {false, true},
       {"backdrop", "page 129", "page 132", "message confirm-cancel", "no", "page 132",
        "message confirm-cancel", "yes"},
       false},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetupRun run;
    run.ui.pages = c.pages;
    run.ui.answers = c.answers;
    run.Go();
    EXPECT_EQ(run.ui.log, c.expected);
    if (c.launched) {
      ASSERT_EQ(run.platform.started.size(), 1u);
      EXPECT_EQ(run.platform.started[0].second, kStandardLine);
    } else {
      EXPECT_TRUE(run.platform.started.empty());
    }
  }
}

TEST(RunSetup, LaunchFailureIsReportedAfterTheStartButton) {
  SetupRun run;
  run.platform.app_manager.reset();
  run.ui.pages = {{IDD_AGREEMENT, IDC_AGREE}, {IDD_CONFIRMATION, IDC_START}};
  run.Go();
  EXPECT_EQ(run.ui.log, (Log{"backdrop", "page 129", "page 132", "message launch-failed"}));
}

TEST(RunSetup, PageValuesSurviveCancelAndBack) {
  SetupRun run;
  auto choose_compact = [](WizardState* s) { ConfirmationPageCommand(IDC_COMPACT, s); };
  run.ui.pages = {{IDD_AGREEMENT, IDC_AGREE},
                  {IDD_CONFIRMATION, IDC_CANCEL, choose_compact},
                  {IDD_CONFIRMATION, IDC_BACK},
                  {IDD_AGREEMENT, IDC_AGREE},
                  {IDD_CONFIRMATION, IDC_START}};
  run.ui.answers = {false};
  run.Go();
  ASSERT_EQ(run.ui.states_seen.size(), 5u);
  EXPECT_FALSE(run.ui.states_seen[0].agreed);
  for (size_t i = 1; i < 5; ++i) {
    EXPECT_TRUE(run.ui.states_seen[i].agreed) << i;
    EXPECT_EQ(run.ui.states_seen[i].info.os_version, "3.0");
    EXPECT_EQ(run.ui.states_seen[i].info.cpu, "ARM");
  }
  EXPECT_EQ(run.ui.states_seen[1].install_type, INSTALL_STANDARD);
  EXPECT_EQ(run.ui.states_seen[2].install_type, INSTALL_COMPACT);
  ASSERT_EQ(run.platform.started.size(), 1u);
  EXPECT_EQ(run.platform.started[0].second, kCompactLine);
}

TEST(RunSetup, PackageFaultsAreReportedBeforeAnyWindow) {
  struct Case {
    const char* name;
    std::function<void(FakePlatform&)> change;
    const char* expected;
  } cases[] = {
      {"no own path", [](FakePlatform& p) { p.module_file_name.clear(); }, "message unknown-error"},
      {"no backslash", [](FakePlatform& p) { p.module_file_name = "setup.exe"; },
       "message unknown-error"},
      {"folder too long",
       [](FakePlatform& p) { p.module_file_name = "C:\\" + std::string(300, 'd') + "\\s.exe"; },
       "message bad-package"},
      {"no SETUP.INI", [](FakePlatform& p) { p.files.erase(kDir + "SETUP.INI"); },
       "message bad-package"},
      {"no STANDARD.INI", [](FakePlatform& p) { p.files.erase(kDir + "STANDARD.INI"); },
       "message bad-package"},
      {"no package file", [](FakePlatform& p) { p.files.erase(kDir + "PKG.CAB"); },
       "message bad-package"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetupRun run;
    c.change(run.platform);
    run.Go();
    EXPECT_EQ(run.ui.log, (Log{c.expected}));
  }
}

TEST(RunSetup, EndsSilentlyWithoutBackdrop) {
  SetupRun run;
  run.ui.backdrop_succeeds = false;
  run.Go();
  EXPECT_EQ(run.ui.log, (Log{"backdrop"}));
}

TEST(PageCommands, EndThePageOrChangeTheInstallType) {
  struct Case {
    int command;
    std::optional<int> agreement;
    std::optional<int> confirmation;
    InstallType type_after;
  } cases[] = {
      {IDC_AGREE, IDC_AGREE, std::nullopt, INSTALL_STANDARD},
      {IDC_CANCEL, IDC_CANCEL, IDC_CANCEL, INSTALL_STANDARD},
      {IDC_START, std::nullopt, IDC_START, INSTALL_STANDARD},
      {IDC_BACK, std::nullopt, IDC_BACK, INSTALL_STANDARD},
      {IDC_NEXT, std::nullopt, IDC_NEXT, INSTALL_STANDARD},
      {IDC_COMPACT, std::nullopt, std::nullopt, INSTALL_COMPACT},
      {IDC_OS_VERSION, std::nullopt, std::nullopt, INSTALL_STANDARD},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AgreementPageCommand(c.command), c.agreement) << c.command;
    WizardState state;
    EXPECT_EQ(ConfirmationPageCommand(c.command, &state), c.confirmation) << c.command;
    EXPECT_EQ(state.install_type, c.type_after) << c.command;
  }
  WizardState state;
  ConfirmationPageCommand(IDC_COMPACT, &state);
  ConfirmationPageCommand(IDC_STANDARD, &state);
  EXPECT_EQ(state.install_type, INSTALL_STANDARD);
  EXPECT_EQ(InstallTypeStringId(INSTALL_STANDARD), IDS_TYPE_STANDARD);
  EXPECT_EQ(InstallTypeStringId(INSTALL_COMPACT), IDS_TYPE_COMPACT);
}

TEST(StyleOf, PackageMessagesHaveNoOwnerAndOnlyTheCancelQuestionAsks) {
  for (Message m : {MSG_UNKNOWN_ERROR, MSG_BAD_PACKAGE, MSG_LAUNCH_FAILED, MSG_INSTALL_CANCELLED,
                    MSG_CONFIRM_CANCEL}) {
    MessageStyle style = StyleOf(m);
    bool before_window = m == MSG_UNKNOWN_ERROR || m == MSG_BAD_PACKAGE;
    EXPECT_EQ(style.owned_by_backdrop, !before_window) << m;
    EXPECT_EQ(style.yes_no, m == MSG_CONFIRM_CANCEL) << m;
  }
  EXPECT_EQ(StyleOf(MSG_INSTALL_CANCELLED).icon, ICON_WARNING);
  EXPECT_EQ(StyleOf(MSG_CONFIRM_CANCEL).icon, ICON_QUESTION);
  EXPECT_EQ(StyleOf(MSG_LAUNCH_FAILED).icon, ICON_ERROR);
}

}  // namespace
}  // namespace tv
