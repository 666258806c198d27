// In-memory stand-ins for the installer's platform and pages, for tests.
#ifndef TV_SETUP_FAKE_SETUP_H_
#define TV_SETUP_FAKE_SETUP_H_

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "setup/package_platform.h"
#include "setup/resource.h"
#include "setup/wizard.h"

namespace tv {

// Shift_JIS for 表, whose trail byte is a backslash.
inline const std::string kHyo = "\x95\x5C";

class FakePlatform : public PackagePlatform {
 public:
  std::string module_file_name;
  std::set<std::string> files;
  std::set<std::string> folders;
  std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> ini;
  std::optional<std::string> app_manager;
  bool start_succeeds = true;

  std::vector<std::string> queried_paths;
  std::vector<std::pair<std::string, std::string>> started;  // program, command line

  // A complete package in `dir` (which ends in a backslash).
  void AddPackage(const std::string& dir) {
    module_file_name = dir + "setup.exe";
    for (const char* name : {"setup.exe", "SETUP.INI", "STANDARD.INI", "COMPACT.INI", "PKG.CAB"}) {
      files.insert(dir + name);
    }
    ini[dir + "SETUP.INI"]["Application"] = {{"OSVersion", "3.0"}, {"CPU", "ARM"}};
    ini[dir + "STANDARD.INI"]["TorvelanOpen"]["CabFiles"] = "PKG.CAB";
    app_manager = "C:\\CE\\CEAppMgr.exe";
  }

  std::string ModuleFileName() override { return module_file_name; }
  bool IsLeadByte(uint8_t b) override {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  }
  PathKind KindOf(const std::string& path) override {
    queried_paths.push_back(path);
    if (folders.count(path)) return PATH_FOLDER;
    return files.count(path) ? PATH_FILE : PATH_MISSING;
  }
  std::string ReadIniString(const std::string& path, const std::string& section,
                            const std::string& key) override {
    if (!files.count(path)) return "";
    auto& sections = ini[path];
    if (!sections.count(section) || !sections[section].count(key)) return "";
    return sections[section][key];
  }
  std::optional<std::string> ReadAppManagerPath() override { return app_manager; }
  bool StartProcess(const std::string& program, const std::string& command_line) override {
    started.emplace_back(program, command_line);
    return start_succeeds;
  }
};

// Plays a script of page results and message answers, logging what it shows.
class FakeUi : public WizardUi {
 public:
  struct PageStep {
    int page_id;
    int result;
    std::function<void(WizardState*)> while_open = nullptr;  // e.g. a command on the page
  };

  bool backdrop_succeeds = true;
  std::deque<PageStep> pages;
  std::deque<bool> answers;  // for Yes/No boxes
  std::vector<std::string> log;
  std::vector<WizardState> states_seen;  // state at each page's opening

  bool CreateBackdrop() override {
    log.push_back("backdrop");
    return backdrop_succeeds;
  }
  int ShowPage(int page_id, WizardState* state) override {
    log.push_back("page " + std::to_string(page_id));
    states_seen.push_back(*state);
    if (pages.empty()) {
      ADD_FAILURE() << "page " << page_id << " shown after the script ended";
      throw std::runtime_error("script ended");
    }
    PageStep step = pages.front();
    pages.pop_front();
    EXPECT_EQ(step.page_id, page_id);
    if (step.while_open) step.while_open(state);
    return step.result;
  }
  bool ShowMessage(Message message) override {
    static const char* const kNames[] = {"unknown-error", "bad-package", "launch-failed",
                                         "cancelled", "confirm-cancel"};
    log.push_back(std::string("message ") + kNames[message]);
    if (!StyleOf(message).yes_no) return true;
    if (answers.empty()) {
      ADD_FAILURE() << "question asked after the script ended";
      throw std::runtime_error("script ended");
    }
    bool yes = answers.front();
    answers.pop_front();
    log.push_back(yes ? "yes" : "no");
    return yes;
  }
};

}  // namespace tv

#endif  // TV_SETUP_FAKE_SETUP_H_
