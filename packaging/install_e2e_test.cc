// Installing: `cmake --install` into a temporary prefix, then the tools run
// from there; the Debian package made by cpack, its contents and control
// fields, and (as root) its installation into a scratch root and removal.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testutil/run_program.h"

namespace tv {
namespace {

const char* const kTools[] = {"KANVO", "diff", "sort", "vornak", "Pelquin"};
const char* const kPages[] = {"KANVO",  "torvelan-diff", "torvelan-sort",
                              "vornak", "Pelquin",       "tvsh"};

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool SetupWasBuilt() { return IsFile(BinDir() + "/setup.exe"); }

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  std::string part;
  while (std::getline(in, part, separator)) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

// The commands on the user's PATH, with the tool each one is.
struct PathCommand {
  const char* command;
  const char* tool;
};
const PathCommand kPathCommands[] = {
    {"KANVO", "KANVO"},
    {"torvelan-diff", "diff"},
    {"torvelan-sort", "sort"},
    {"vornak", "vornak"},
    {"Pelquin", "Pelquin"},
};

// The files an installation must hold, relative to its prefix.
std::vector<std::string> ExpectedFiles() {
  std::vector<std::string> files = {
      "bin/tvsh",
      "share/doc/torvelan/README.md",
      "share/doc/torvelan/LICENSE",
      "share/doc/torvelan/cp932-ORIGIN",
      "share/doc/torvelan/copyright",
      "share/doc/torvelan/changelog.Debian.gz",
      "share/lintian/overrides/torvelan",
      TV_BASH_COMPLETION_DIR "/KANVO",
  };
  for (const char* tool : kTools) files.push_back(std::string("lib/torvelan/bin/") + tool);
  for (const PathCommand& c : kPathCommands) files.push_back(std::string("bin/") + c.command);
  for (const char* page : kPages) {
    files.push_back(std::string("share/man/man1/") + page + ".1.gz");
    files.push_back(std::string("share/man/ja/man1/") + page + ".1.gz");
  }
  if (SetupWasBuilt()) {
    for (const char* name :
         {"setup.exe", "SETUP.INI", "STANDARD.INI", "COMPACT.INI", "TorvelanOpen_ARM.CAB"}) {
      files.push_back(std::string("share/torvelan/setup/") + name);
    }
  }
  return files;
}

// Runs each tool through the installed tvsh, on a sample, with relative
// names that only the published folder resolves.
void ExpectToolsRunFrom(const std::string& tvsh, const std::string& tools_dir) {
  TempDir work;
  work.Write("sjis.txt", "\x93\xFA\x96\x7B\x8C\xEA\r\n");  // 日本語 in Shift_JIS
  work.Write("a.txt", "a\nb\nc\n");
  work.Write("b.txt", "a\nx\nc\n");
  work.Write("names.txt", "pear\napple\nfig\n");
  struct Case {
    std::vector<std::string> command;
    std::string out;
  } cases[] = {
      {{"KANVO", "/O", "UTF8N", "/N", "LF", "sjis.txt", "utf8.txt"}, ""},
      {{"diff", "a.txt", "b.txt"}, "\n1-3,1-3\n <a\n!<b\n <c\n ---\n >a\n!>x\n >c\n"},
      {{"sort", "/R", "names.txt"}, "pear\nfig\napple\n"},
      {{"vornak", "names.txt"}, "PEAR\nAPPLE\nFIG\n"},
      {{"sh", "-c", "command -v diff; command -v sort"},
       tools_dir + "/diff\n" + tools_dir + "/sort\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command[0]);
    std::vector<std::string> args = {"-C", work.path()};
    args.insert(args.end(), c.command.begin(), c.command.end());
    ProgramRun run = RunProgram(tvsh, args, {.cwd = "/"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
  EXPECT_EQ(work.Read("utf8.txt"), "日本語\n");
  ProgramRun report = RunProgram(tvsh, {"Pelquin"});
  EXPECT_EQ(report.status, 0);
  EXPECT_NE(report.out.find("System Information"), std::string::npos);
}

// Runs each command of bin/ as bash would, by its name on a PATH that holds
// bin/ and the system's folders, in a folder that no tvsh published: the
// names resolve against the working folder, and diff and sort are still
// the system's.
void ExpectCommandsRunFromBin(const std::string& bin) {
  TempDir work;
  work.Write("sjis.txt", "\x93\xFA\x96\x7B\x8C\xEA\r\n");  // 日本語 in Shift_JIS
  work.Write("a.txt", "a\nb\n");
  work.Write("b.txt", "a\nx\n");
  work.Write("names.txt", "pear\napple\n");
  std::string path = "PATH=" + bin + ":/usr/bin:/bin";
  struct Case {
    std::vector<std::string> command;
    std::string out;
  } cases[] = {
      {{"KANVO", "/O", "UTF8N", "/N", "LF", "sjis.txt", "utf8.txt"}, ""},
      {{"torvelan-diff", "a.txt", "b.txt"}, "\n1-2,1-2\n <a\n!<b\n ---\n >a\n!>x\n"},
      {{"torvelan-sort", "names.txt"}, "apple\npear\n"},
      {{"vornak", "names.txt"}, "PEAR\nAPPLE\n"},
      {{"sh", "-c", "command -v diff; command -v sort"}, "/usr/bin/diff\n/usr/bin/sort\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command[0]);
    std::vector<std::string> args = {"-u", "TORVELAN_CURRENT_DIRECTORY", path};
    args.insert(args.end(), c.command.begin(), c.command.end());
    ProgramRun run = RunProgram("/usr/bin/env", args, {.cwd = work.path()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
  EXPECT_EQ(work.Read("utf8.txt"), "日本語\n");
}

class InstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempDir;
    install_ = new ProgramRun(
        RunProgram(TV_CMAKE, {"--install", TV_BUILD_DIR, "--prefix", prefix_->path()}));
  }
  static void TearDownTestSuite() {
    delete install_;
    delete prefix_;
  }
  void SetUp() override { ASSERT_EQ(install_->status, 0) << install_->out << install_->err; }

  static TempDir* prefix_;
  static ProgramRun* install_;
};
TempDir* InstallTest::prefix_ = nullptr;
ProgramRun* InstallTest::install_ = nullptr;

TEST_F(InstallTest, PutsTheToolsOnPathUnderNamesNoSystemCommandHas) {
  for (const std::string& file : ExpectedFiles()) {
    EXPECT_TRUE(IsFile(prefix_->path() + "/" + file)) << file;
  }
  // Nothing else in bin: the tools' diff and sort never shadow the system's.
  ProgramRun bin = RunProgram("/usr/bin/env", {"LC_ALL=C", "ls", "-A", prefix_->path() + "/bin"});
  EXPECT_EQ(bin.out, "KANVO\nPelquin\ntorvelan-diff\ntorvelan-sort\ntvsh\nvornak\n");
}

TEST_F(InstallTest, RunsEveryToolThroughTheInstalledTvsh) {
  ExpectToolsRunFrom(prefix_->path() + "/bin/tvsh", prefix_->path() + "/lib/torvelan/bin");
}

TEST_F(InstallTest, RunsEveryCommandOfBinByItsName) {
  ExpectCommandsRunFromBin(prefix_->path() + "/bin");
}

TEST_F(InstallTest, BashCompletesKanvosOptionsAndKeywords) {
  if (access("/bin/bash", X_OK) != 0) GTEST_SKIP() << "bash is not installed";
  TempDir work;
  work.Write("memo one.txt", "");
  work.Write("memo2.txt", "");
  struct Case {
    const char* words;  // the line typed, up to the cursor
    std::set<std::string> offered;
    bool only;  // nothing else is offered
  } cases[] = {
      {"KANVO /O UTF-1", {"UTF-16", "UTF-16LE"}, true},
      {"KANVO /i e", {"EUC"}, true},
      {"KANVO /N c", {"CRLF", "CR"}, true},
      {"KANVO --g", {"--guess"}, true},
      {"KANVO /", {"/I", "/O", "/N", "/H", "/usr"}, false},  // an absolute path too
      {"KANVO /O EUC me", {"memo one.txt", "memo2.txt"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words);
    std::string script = "source '" + prefix_->path() + "/" TV_BASH_COMPLETION_DIR "/KANVO'; " +
                         "COMP_WORDS=(" + c.words + "); COMP_CWORD=$((${#COMP_WORDS[@]}-1)); " +
                         "_KANVO; printf '%s\\n' \"${COMPREPLY[@]}\"";
    ProgramRun run = RunProgram("/bin/bash", {"-c", script}, {.cwd = work.path()});
    std::vector<std::string> lines = Split(run.out, '\n');
    std::set<std::string> offered(lines.begin(), lines.end());
    for (const std::string& word : c.offered) EXPECT_EQ(offered.count(word), 1u) << word;
    if (c.only) {
      EXPECT_EQ(offered.size(), c.offered.size()) << run.out << run.err;
    }
  }
}

TEST_F(InstallTest, ManFindsThePagesInBothLanguages) {
  if (access("/usr/bin/man", X_OK) != 0) GTEST_SKIP() << "man is not installed";
  std::string man_dir = prefix_->path() + "/share/man";
  // As a user who adds the prefix to MANPATH (-M would not look into the
  // language folders).
  const char* old_manpath = std::getenv("MANPATH");
  std::string saved = old_manpath ? old_manpath : "";
  setenv("MANPATH", man_dir.c_str(), 1);
  for (const char* page : kPages) {
    SCOPED_TRACE(page);
    ProgramRun en = RunProgram("/usr/bin/man", {"-L", "C", "-w", page});
    EXPECT_EQ(en.out, man_dir + "/man1/" + page + ".1.gz\n") << en.err;
    ProgramRun ja = RunProgram("/usr/bin/man", {"-L", "ja", "-w", page});
    EXPECT_EQ(ja.out, man_dir + "/ja/man1/" + page + ".1.gz\n") << ja.err;
  }
  if (old_manpath) {
    setenv("MANPATH", saved.c_str(), 1);
  } else {
    unsetenv("MANPATH");
  }
}

class DebianPackageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (std::string(TV_DPKG_DEB).empty()) return;
    out_ = new TempDir;
    ProgramRun run = RunProgram(
        TV_CPACK, {"-G", "DEB", "--config", std::string(TV_BUILD_DIR) + "/CPackConfig.cmake", "-B",
                   out_->path()});
    cpack_log_ = run.out + run.err;
    ProgramRun found =
        RunProgram("/usr/bin/find", {out_->path(), "-maxdepth", "1", "-name", "torvelan_*.deb"});
    std::vector<std::string> debs = Split(found.out, '\n');
    if (debs.size() == 1) deb_ = debs[0];
  }
  static void TearDownTestSuite() { delete out_; }
  void SetUp() override {
    if (std::string(TV_DPKG_DEB).empty()) GTEST_SKIP() << "dpkg-deb is not installed";
    ASSERT_FALSE(deb_.empty()) << cpack_log_;
  }

  static std::string Field(const std::string& name) {
    std::string value = RunProgram(TV_DPKG_DEB, {"-f", deb_, name}).out;
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
  }

  static TempDir* out_;
  static std::string deb_;
  static std::string cpack_log_;
};
TempDir* DebianPackageTest::out_ = nullptr;
std::string DebianPackageTest::deb_;
std::string DebianPackageTest::cpack_log_;

TEST_F(DebianPackageTest, HasItsControlFields) {
  EXPECT_EQ(Field("Package"), "torvelan");
  EXPECT_EQ(Field("Version"), "1.0-1");
  EXPECT_EQ(Field("Section"), "utils");
  std::string arch = RunProgram(TV_DPKG, {"--print-architecture"}).out;
  EXPECT_EQ(Field("Architecture") + "\n", arch);
  EXPECT_NE(Field("Maintainer"), "");
  EXPECT_NE(Field("Description").find("KANVO"), std::string::npos);
  // Computed from the programs, and every package named is one this
  // machine has: the programs run here.
  std::string depends = Field("Depends");
  EXPECT_NE(depends.find("libc6"), std::string::npos) << depends;
  EXPECT_NE(depends.find("libstdc++6"), std::string::npos) << depends;
  for (const std::string& item : Split(depends, ',')) {
    std::string name = item.substr(item.find_first_not_of(' '));
    name = name.substr(0, name.find(' '));
    ProgramRun query = RunProgram("/usr/bin/dpkg-query", {"-W", "-f", "${Status}", name});
    EXPECT_EQ(query.out, "install ok installed") << name;
  }
}

TEST_F(DebianPackageTest, LintianFindsNoErrorOrWarning) {
  if (std::string(TV_LINTIAN).empty()) GTEST_SKIP() << "lintian is not installed";
  ProgramRun run = RunProgram(TV_LINTIAN, {"--allow-root", "--tag-display-limit", "0", deb_});
  for (const std::string& line : Split(run.out + run.err, '\n')) {
    EXPECT_NE(line.rfind("E: ", 0), 0u) << line;
    EXPECT_NE(line.rfind("W: ", 0), 0u) << line;
  }
  // Lintian ran, and what it did not report is the overrides' business.
  EXPECT_EQ(run.status, 0) << run.out << run.err;
}

TEST_F(DebianPackageTest, HoldsTheInstallLayoutUnderUsrAndNoSystemNames) {
  ProgramRun listing = RunProgram(TV_DPKG_DEB, {"--fsys-tarfile", deb_},
                                  {.stdout_path = out_->path() + "/data.tar"});
  ASSERT_EQ(listing.status, 0) << listing.err;
  ProgramRun names = RunProgram("/bin/tar", {"-tf", out_->path() + "/data.tar"});
  std::set<std::string> files;
  for (const std::string& name : Split(names.out, '\n')) {
    if (name.back() != '/') files.insert(name.substr(name.find('/') + 1));  // drop "./"
  }
  for (const std::string& file : ExpectedFiles()) {
    EXPECT_EQ(files.count("usr/" + file), 1u) << file;
  }
  EXPECT_EQ(files.size(), ExpectedFiles().size());
  EXPECT_EQ(files.count("usr/bin/diff"), 0u);
  EXPECT_EQ(files.count("usr/bin/sort"), 0u);
  // No file that a package of this machine owns already: dpkg -i would
  // refuse it.
  std::vector<std::string> args = {"-S"};
  for (const std::string& file : files) args.push_back("/" + file);
  for (const std::string& line : Split(RunProgram("/usr/bin/dpkg-query", args).out, '\n')) {
    EXPECT_EQ(line.rfind("torvelan: ", 0), 0u) << line;
  }
}

TEST_F(DebianPackageTest, InstallsIntoAScratchRootAndRemovesCleanly) {
  if (geteuid() != 0) GTEST_SKIP() << "dpkg installs as root only";
  TempDir root;
  for (const char* dir : {"/var", "/var/lib", "/var/lib/dpkg", "/var/lib/dpkg/info",
                          "/var/lib/dpkg/updates", "/var/lib/dpkg/triggers"}) {
    ASSERT_EQ(mkdir((root.path() + dir).c_str(), 0755), 0);
  }
  root.Write("var/lib/dpkg/status", "");
  root.Write("var/lib/dpkg/available", "");
  // dpkg looks for its helpers on PATH, which a test's PATH may lack.
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (path + ":/usr/sbin:/sbin:/usr/bin:/bin").c_str(), 1);
  // The scratch root has none of the libraries: they are the host's. A
  // host set to leave out documentation must not leave out ours here.
  ProgramRun install = RunProgram(
      TV_DPKG, {"--root=" + root.path(), "--force-depends", "--path-include=/*", "-i", deb_});
  ASSERT_EQ(install.status, 0) << install.out << install.err;
  for (const std::string& file : ExpectedFiles()) {
    EXPECT_TRUE(IsFile(root.path() + "/usr/" + file)) << file;
  }
  ExpectToolsRunFrom(root.path() + "/usr/bin/tvsh", root.path() + "/usr/lib/torvelan/bin");
  ExpectCommandsRunFromBin(root.path() + "/usr/bin");

  ProgramRun remove = RunProgram(TV_DPKG, {"--root=" + root.path(), "-r", "torvelan"});
  setenv("PATH", path.c_str(), 1);
  ASSERT_EQ(remove.status, 0) << remove.out << remove.err;
  ProgramRun left = RunProgram("/bin/ls", {"-A", root.path()});
  EXPECT_EQ(left.out, "var\n") << "nothing but dpkg's own records";
  ProgramRun status = RunProgram("/usr/bin/dpkg-query",
                                 {"--admindir=" + root.path() + "/var/lib/dpkg", "-W", "torvelan"});
  EXPECT_NE(status.status, 0) << status.out;
}

}  // namespace
}  // namespace tv
