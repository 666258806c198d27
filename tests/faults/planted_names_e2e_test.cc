// Root runs the tools over names that another user, nobody, planted: with
// backslashes a glob loop passes on, absolute paths through folders that do
// not exist, and a folder swapped under interactive tvsh. Root's private
// files must stay byte for byte as they were, and nothing of them may reach
// nobody.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/faults/fault_run.h"

namespace tv::faults {
namespace {

const std::string kSetprivNobody = "/usr/bin/setpriv --reuid=nobody --regid=nogroup --clear-groups";

class PlantedNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root: root is the victim, nobody the attacker";
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "needs setpriv to act as nobody";
    if (getpwnam("nobody") == nullptr || getgrnam("nogroup") == nullptr)
      GTEST_SKIP() << "no user nobody or group nogroup";
    // shared: sticky and world-writable, like /tmp; open: anyone may write
    // in it, so anyone may rename what is there; private: root's alone.
    MakeFolder("shared", 01777);
    MakeFolder("open", 0777);
    MakeFolder("private", 0700);
    for (const char* name : {"secret.txt", "config", "notes.txt"}) {
      folder_.Write(std::string("private/") + name, std::string("root's ") + name + "\n");
      ASSERT_EQ(chmod(Path(std::string("private/") + name).c_str(), 0600), 0);
    }
    before_ = PrivateState();
  }

  void TearDown() override {
    if (!IsSkipped()) {
      EXPECT_EQ(PrivateState(), before_) << "root's private files changed";
    }
  }

  std::string Path(const std::string& name) const { return folder_.path() + "/" + name; }
  void MakeFolder(const std::string& name, mode_t mode) const {
    folder_.MakeFolder(name);
    ASSERT_EQ(chmod(Path(name).c_str(), mode), 0);
  }
  std::vector<FileState> PrivateState() const {
    std::vector<FileState> state;
    for (const char* name : {"secret.txt", "config", "notes.txt"}) {
      state.push_back(StateOf(Path(std::string("private/") + name)));
    }
    return state;
  }
  // A shell script run as nobody in the scratch folder.
  void AsNobody(const std::string& script) const {
    ProgramRun run = RunProgram("/bin/sh", {"-c", kSetprivNobody + " sh -c '" + script + "'"},
                                {.cwd = folder_.path()});
    ASSERT_EQ(run.status, 0) << script << ": " << run.err;
  }
  // A bash script run as root in `cwd`, with $T the built tvsh.
  ProgramRun AsRoot(const std::string& script, const std::string& cwd) const {
    return RunProgram("/bin/bash", {"-c", "T=" + BinDir() + "/tvsh; " + script},
                      {.cwd = Path(cwd)});
  }

  Folder folder_;
  std::vector<FileState> before_;
};

TEST_F(PlantedNamesTest, BackslashNamesAGlobMetAreRefused) {
  AsNobody(
      "cd shared && mkdir d nb && : > \"d\\..\\..\\private\\secret.txt\" && "
      "printf \"\\202\\240\\n\" > nb/in.sjis && ln -s ../../private/config nb/in.txt && "
      ": > \"nb\\in.sjis\" && mkdir \"d\\..\\..\\private\" && "
      "printf \"nobody\\n\" > \"d\\..\\..\\private/notes.txt\"");
  folder_.Write("shared/mine.txt", "root's own\n");

  ProgramRun run = AsRoot("for f in *.txt; do \"$T\" vornak \"$f\" > \"$f.upper\"; done", "shared");
  EXPECT_EQ(folder_.Read("shared/d\\..\\..\\private\\secret.txt.upper"), "");
  EXPECT_EQ(folder_.Read("shared/mine.txt.upper"), "ROOT'S OWN\n") << "ordinary names still work";
  EXPECT_NE(run.err.find("d\\..\\..\\private\\secret.txt"), std::string::npos) << run.err;

  AsRoot("for f in *.sjis; do echo y | \"$T\" KANVO /O UTF8N \"$f\" \"${f%.sjis}.txt\"; done",
         "shared");
  run = AsRoot("for d in */; do \"$T\" -C \"$d\" vornak notes.txt > \"$d/notes.upper\"; done",
               "shared");
  EXPECT_EQ(folder_.Read("shared/d\\..\\..\\private/notes.upper"), "");
  EXPECT_NE(run.err.find("not used as the shell's folder"), std::string::npos) << run.err;
}

TEST_F(PlantedNamesTest, NameThatVanishesAfterTheGlobIsStillRefused) {
  // Refusing only names that exist would lose this race: nobody removes the
  // name between root's glob and the tool.
  AsNobody("cd shared && mkdir v && : > \"v\\..\\..\\private\\secret.txt\"");
  ProgramRun run = AsRoot("for f in *.txt; do " + kSetprivNobody +
                              " rm -- \"$f\"; \"$T\" vornak \"$f\" > out.upper; "
                              "echo $? > status; done",
                          "shared");
  EXPECT_EQ(folder_.Read("shared/out.upper"), "");
  EXPECT_EQ(folder_.Read("shared/status"), "255\n") << run.err;
}

TEST_F(PlantedNamesTest, AbsolutePathThroughAMissingFolderIsNoNameInTheShellsFolder) {
  // nobody prepares, inside the shared folder, the tree an absolute path
  // would name when read relative to it.
  const std::string w = folder_.path();
  AsNobody("cd shared && mkdir -p ./" + w + "/private/backup ./" + w +
           "/missing && printf \"nobody\\n\" > ./" + w + "/missing/in.txt");
  ProgramRun run = AsRoot("echo y | \"$T\" -C shared KANVO /O UTF8N " + w + "/private/secret.txt " +
                              w + "/private/backup/secret.utf8",
                          "");
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_EQ(folder_.Names("shared/" + w + "/private/backup"), std::set<std::string>{});
  for (const std::string tool : {"vornak", "sort"}) {
    run = AsRoot("\"$T\" -C shared " + tool + " " + w + "/missing/in.txt", "");
    EXPECT_EQ(run.status, 255) << tool;
    EXPECT_EQ(run.out, kInputError) << tool;
  }
  run = AsRoot("\"$T\" -C shared diff " + w + "/missing/in.txt " + w + "/private/notes.txt", "");
  std::string device = w + "/missing/in.txt";
  for (char& c : device) c = c == '/' ? '\\' : c;
  EXPECT_EQ(run.out, "指定のファイルが存在しません：" + device + "\n");
}

TEST_F(PlantedNamesTest, FolderSwappedUnderInteractiveTvshGetsNoCommand) {
  MakeFolder("open/proj", 0755);
  folder_.Write("open/proj/in.txt", "root's text\n");
  folder_.Write("swap.sh",
                "cd " + Path("open") +
                    " && mv proj proj.old && mkdir proj && printf 'nobody\\n' > proj/in.txt && "
                    "ln -s " +
                    Path("private/config") + " proj/out.txt\n");
  ProgramRun run =
      AsRoot("printf '%s\\n' 'cd open/proj' '" + kSetprivNobody + " sh " + Path("swap.sh") +
                 "' 'KANVO /O UTF8N in.txt out.txt' y 'sort in.txt' | "
                 "\"$T\"",
             "");
  EXPECT_EQ(run.out.find("nobody"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("no longer leads to the shell's folder"), std::string::npos) << run.err;
  EXPECT_EQ(folder_.Read("open/proj.old/in.txt"), "root's text\n");
}

TEST(OptionClustersTest, DoubleSlashClustersKeepTheirMeaning) {
  Folder folder;
  folder.Write("in.txt", "a\nc\nb\n");
  EXPECT_EQ(RunTool("sort", {"//R", "in.txt"}, folder.path()).out, "c\nb\na\n");
  ProgramRun usage = RunTool("vornak", {"//h"}, folder.path());
  EXPECT_EQ(usage.out.substr(0, 23), "vornak [/U] [filename]\n");
}

}  // namespace
}  // namespace tv::faults
