// KANVO run by root where another user, nobody, can reach: links, files
// and pipes that nobody put in a shared (sticky) folder or in a folder of
// nobody's own, and files of nobody's that root converts. Each run must
// leave every file it was not asked to write byte for byte as it was, with
// its owner and mode; a file it replaces keeps its owner, group, mode, ACL
// and extended attributes, and nobody gains access. Races are tested at
// their decision points in platform_test (OutputTargetTest).
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/faults/fault_run.h"

namespace tv::faults {
namespace {

const std::string kCreateError = kKanvoError + "出力ファイルのオープンでエラーが発生しました：  \n";

// What a file is: its bytes (or a link's text), owner, group, mode.
struct FileState {
  std::string bytes;
  uid_t uid = 0;
  gid_t gid = 0;
  mode_t mode = 0;
  bool operator==(const FileState&) const = default;
};

std::ostream& operator<<(std::ostream& os, const FileState& s) {
  return os << testing::PrintToString(s.bytes) << " " << s.uid << ":" << s.gid << " " << std::oct
            << s.mode << std::dec;
}

FileState StateOf(const std::string& path) {
  FileState state;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return state;
  state.uid = st.st_uid;
  state.gid = st.st_gid;
  state.mode = st.st_mode;
  if (S_ISLNK(st.st_mode)) {
    char text[4096];
    ssize_t n = readlink(path.c_str(), text, sizeof text);
    state.bytes.assign(text, n > 0 ? static_cast<size_t>(n) : 0);
  } else if (S_ISREG(st.st_mode)) {
    FILE* f = fopen(path.c_str(), "rb");
    char buf[4096];
    size_t n;
    while (f != nullptr && (n = fread(buf, 1, sizeof buf, f)) > 0) state.bytes.append(buf, n);
    if (f != nullptr) fclose(f);
  }
  return state;
}

std::string Attribute(const std::string& path, const char* name) {
  char value[4096];
  ssize_t n = getxattr(path.c_str(), name, value, sizeof value);
  return n < 0 ? "(none)" : std::string(value, static_cast<size_t>(n));
}

class HostileOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0)
      GTEST_SKIP() << "needs root: nobody's files are made by root and given away";
    if (!CanRunUnprivileged()) GTEST_SKIP() << "needs setpriv to run as nobody";
    struct passwd* pw = getpwnam("nobody");
    struct group* gr = getgrnam("nogroup");
    if (pw == nullptr || gr == nullptr) GTEST_SKIP() << "no user nobody or group nogroup";
    nobody_ = pw->pw_uid;
    nogroup_ = gr->gr_gid;
    // shared: world-writable and sticky, like /tmp; private: root's alone;
    // nobodys: nobody's own folder; open: root's, anyone may write in it.
    folder_.Write("in.txt", "new\n");
    MakeFolder("shared", 01777, 0, 0);
    MakeFolder("private", 0700, 0, 0);
    MakeFolder("nobodys", 0755, nobody_, nogroup_);
    MakeFolder("open", 0777, 0, 0);
    Make("private/secret.txt", "root's secret\n", 0600, 0, 0);
  }

  std::string Path(const std::string& name) const { return folder_.path() + "/" + name; }
  void MakeFolder(const std::string& name, mode_t mode, uid_t uid, gid_t gid) const {
    folder_.MakeFolder(name);
    ASSERT_EQ(chown(Path(name).c_str(), uid, gid), 0);
    ASSERT_EQ(chmod(Path(name).c_str(), mode), 0);
  }
  // A file as its owner would have made it (owner first: chown clears
  // set-ID bits).
  void Make(const std::string& name, const std::string& bytes, mode_t mode, uid_t uid,
            gid_t gid) const {
    folder_.Write(name, bytes);
    ASSERT_EQ(chown(Path(name).c_str(), uid, gid), 0);
    ASSERT_EQ(chmod(Path(name).c_str(), mode), 0);
  }
  void MakeLink(const std::string& name, const std::string& to, uid_t uid) const {
    ASSERT_EQ(symlink(to.c_str(), Path(name).c_str()), 0);
    ASSERT_EQ(lchown(Path(name).c_str(), uid, uid == 0 ? 0 : nogroup_), 0);
  }
  // KANVO as root, every question answered Yes, stopped if it hangs.
  ProgramRun Kanvo(const std::string& in, const std::string& out) const {
    return RunTool("/usr/bin/timeout", {"20", BinDir() + "/KANVO", in, out}, folder_.path(),
                   "y\ny\n");
  }

  Folder folder_;
  uid_t nobody_ = 0;
  gid_t nogroup_ = 0;
};

TEST_F(HostileOutputTest, NobodysNamesInASharedFolderAreRefused) {
  MakeLink("shared/out2.txt", "../private/secret.txt", nobody_);
  MakeLink("shared/out3.txt", "../private/made.txt", nobody_);
  Make("shared/report.txt", "nobody's\n", 06777, nobody_, nogroup_);
  ASSERT_EQ(mkfifo(Path("shared/fifo").c_str(), 0666), 0);
  ASSERT_EQ(chown(Path("shared/fifo").c_str(), nobody_, nogroup_), 0);
  struct Case {
    const char* what;
    std::string in, out;
  } cases[] = {
      // Links: nobody's link leads to root's file, or to where one would be.
      {"link to root's file", "in.txt", "shared\\out2.txt"},
      {"link to nothing yet", "in.txt", "shared\\out3.txt"},
      // nobody's set-ID file would take root's secret and root's identity.
      {"nobody's set-ID file", "private\\secret.txt", "shared\\report.txt"},
      // nobody's pipe would receive root's text.
      {"nobody's pipe", "private\\secret.txt", "shared\\fifo"},
  };
  const std::vector<std::string> watched = {"private/secret.txt", "shared/out2.txt",
                                            "shared/out3.txt", "shared/report.txt", "shared/fifo"};
  std::vector<FileState> before;
  for (const std::string& name : watched) before.push_back(StateOf(Path(name)));
  for (const Case& c : cases) {
    ProgramRun run = Kanvo(c.in, c.out);
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_EQ(run.out, kCreateError) << c.what;
    EXPECT_EQ(run.err, "") << c.what << ": no question about a file never to be written";
    for (size_t i = 0; i < watched.size(); ++i) {
      EXPECT_EQ(StateOf(Path(watched[i])), before[i]) << c.what << ": " << watched[i];
    }
  }
  EXPECT_EQ(folder_.Names("private"), std::set<std::string>{"secret.txt"});
  EXPECT_EQ(folder_.Names("shared"),
            (std::set<std::string>{"out2.txt", "out3.txt", "report.txt", "fifo"}));
}

TEST_F(HostileOutputTest, ReplacedFileKeepsItsOwnerAndNobodyGainsAccess) {
  Make("nobodys/tool", "x\n", 04755, nobody_, nogroup_);
  Make("nobodys/private.txt", "x\n", 0600, nobody_, nogroup_);
  Make("shared/mine.txt", "x\n", 0640, 0, 0);
  Make("open/group.txt", "x\n", 06776, 0, 0);
  struct Case {
    const char* what;
    bool as_nobody;
    std::string in, out;
    FileState after;
  } cases[] = {
      // Root converts nobody's files in place: still nobody's, set-ID
      // for nobody alone, as private as before.
      {"nobody's set-user-ID file",
       false,
       "nobodys\\tool",
       "nobodys\\tool",
       {"x\r\n", nobody_, nogroup_, S_IFREG | 04755}},
      {"nobody's private file",
       false,
       "nobodys\\private.txt",
       "nobodys\\private.txt",
       {"x\r\n", nobody_, nogroup_, S_IFREG | 0600}},
      // Root's own file in the shared folder is root's to replace.
      {"root's file in the shared folder",
       false,
       "in.txt",
       "shared\\mine.txt",
       {"new\r\n", 0, 0, S_IFREG | 0640}},
      // nobody may write root's file but not give it root's identity: the
      // set-ID bits go, and the group's bits are cut to what others had.
      {"root's set-ID file written by nobody",
       true,
       "in.txt",
       "open\\group.txt",
       {"new\r\n", nobody_, nogroup_, S_IFREG | 0766}},
  };
  for (const Case& c : cases) {
    ProgramRun run = c.as_nobody ? RunUnprivileged("KANVO", {c.in, c.out}, folder_.path(), "y\n")
                                 : Kanvo(c.in, c.out);
    EXPECT_EQ(run.status, 0) << c.what << ": " << run.out;
    std::string out = c.out;
    for (char& ch : out) ch = ch == '\\' ? '/' : ch;
    EXPECT_EQ(StateOf(Path(out)), c.after) << c.what;
  }
  EXPECT_EQ(folder_.Names("nobodys"), (std::set<std::string>{"tool", "private.txt"}));
  EXPECT_EQ(folder_.Names("open"), std::set<std::string>{"group.txt"});
}

TEST_F(HostileOutputTest, AclAndExtendedAttributesAreKept) {
  if (std::system("command -v setfacl >/dev/null") != 0) GTEST_SKIP() << "setfacl missing";
  // 0600 with nobody allowed to read: the mode shows the ACL's mask, 0640,
  // and a plain 0640 copy would open the file to root's whole group.
  Make("private/acl.txt", "x\n", 0600, 0, 0);
  std::string path = Path("private/acl.txt");
  ASSERT_EQ(std::system(("setfacl -m u:nobody:r '" + path + "'").c_str()), 0);
  ASSERT_EQ(setxattr(path.c_str(), "user.note", "kept", 4, 0), 0);
  const std::string acl = Attribute(path, "system.posix_acl_access");
  ASSERT_NE(acl, "(none)");
  FileState before = StateOf(path);
  ASSERT_EQ(before.mode, S_IFREG | 0640u);
  ProgramRun run = Kanvo("private\\acl.txt", "private\\acl.txt");
  EXPECT_EQ(run.status, 0) << run.out;
  before.bytes = "x\r\n";
  EXPECT_EQ(StateOf(path), before);
  EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
  EXPECT_EQ(Attribute(path, "user.note"), "kept");
  // nobody still reads it through the ACL.
  chmod(Path("private").c_str(), 0711);
  EXPECT_EQ(RunUnprivileged("vornak", {path}, "/").out, "X\n");
}

// Every kind of folder others may write, every kind of entry nobody can
// leave there: the link rule holds at each part of a path (output, input,
// tvsh's folder), whatever fs.protected_symlinks says; a second name of a
// file and nobody's FIFO are refused as nobody's files are. In a folder
// only root writes, the same entries are root's own doing and are followed.
TEST_F(HostileOutputTest, EntriesOthersLeftAreNeverFollowed) {
  MakeFolder("team", 02775, 0, nogroup_);
  MakeFolder("home", 0755, 0, 0);
  struct Folder {
    const char* name;
    bool refuses;
  } folders[] = {{"shared", true}, {"team", true}, {"home", false}};
  enum Kind { kOwnLink, kOthersLink, kHardLink, kFolderLink, kInputLink, kFifo, kShellFolder };
  const char* kinds[] = {"own link",
                         "nobody's link",
                         "hard link",
                         "nobody's link as a folder",
                         "nobody's link as input",
                         "nobody's FIFO",
                         "tvsh -C through nobody's link"};
  for (const Folder& f : folders) {
    for (int kind = kOwnLink; kind <= kShellFolder; ++kind) {
      std::string what = std::string(f.name) + ", " + kinds[kind];
      std::string tag = std::string(f.name) + std::to_string(kind);
      // The victim: root's file where nobody cannot reach; 0666 so that a
      // second name of it would hand nobody whatever root wrote.
      std::string victim = "private/" + tag + ".txt";
      Make(victim, "root's\n", kind == kHardLink ? 0666 : 0600, 0, 0);
      std::string entry = std::string(f.name) + "/" + tag;
      std::string in = "in.txt", out = entry;
      bool own = kind == kOwnLink;
      switch (kind) {
        case kOwnLink:
        case kOthersLink:
          MakeLink(entry, "../" + victim, own ? 0 : nobody_);
          break;
        case kHardLink:
          ASSERT_EQ(link(Path(victim).c_str(), Path(entry).c_str()), 0);
          break;
        case kFolderLink:
        case kShellFolder:
          MakeLink(entry, "../private", nobody_);
          out = entry + "/" + tag + ".txt";
          break;
        case kInputLink:
          MakeLink(entry, "../" + victim, nobody_);
          in = entry;
          out = "private/" + tag + ".copy";
          break;
        case kFifo:
          ASSERT_EQ(mkfifo(Path(entry).c_str(), 0666), 0);
          ASSERT_EQ(chown(Path(entry).c_str(), nobody_, nogroup_), 0);
          in = entry;
          out = "private/" + tag + ".copy";
          break;
      }
      FileState before = StateOf(Path(victim));
      ProgramRun run;
      if (kind == kShellFolder) {
        run = RunTool("/usr/bin/timeout",
                      {"20", BinDir() + "/tvsh", "-C", entry, "KANVO", "..\\in.txt", tag + ".txt"},
                      folder_.path(), "y\n");
      } else {
        std::string dev_in = in, dev_out = out;
        for (char& c : dev_in) c = c == '/' ? '\\' : c;
        for (char& c : dev_out) c = c == '/' ? '\\' : c;
        run = Kanvo(dev_in, dev_out);
      }
      ASSERT_NE(run.status, 124) << what << ": KANVO stalled";
      bool refused = f.refuses && !own;
      EXPECT_EQ(run.status, refused ? 1 : 0) << what << ": " << run.out << run.err;
      FileState after = StateOf(Path(victim));
      bool victim_written = !refused && kind != kHardLink && kind != kInputLink && kind != kFifo;
      if (victim_written) {
        before.bytes = "new\r\n";
        EXPECT_EQ(after, before) << what << ": root's file replaced, owner and mode kept";
      } else {
        EXPECT_EQ(after, before) << what;
      }
      if (kind == kHardLink && !refused) {
        EXPECT_EQ(StateOf(Path(entry)).bytes, "new\r\n") << what;
      }
      if (kind == kInputLink) {
        EXPECT_EQ(access(Path(out).c_str(), F_OK) == 0, !refused) << what;
      }
    }
  }
  EXPECT_EQ(folder_.Names("shared").size(), 7u) << "nothing added in the shared folder";
}

// A replacement never takes set-ID bits or file capabilities from the file
// it replaces, unless that file is the one converted.
TEST_F(HostileOutputTest, SetIdAndCapabilitiesStayWithTheirOwnFile) {
  // VFS_CAP_REVISION_2 with CAP_NET_RAW permitted.
  const unsigned char caps[20] = {0, 0, 0, 2, 0, 0x20};
  Make("private/tool", "x\n", 04755, 0, 0);
  Make("private/self", "x\n", 06755, 0, 0);
  bool have_caps =
      setxattr(Path("private/tool").c_str(), "security.capability", caps, sizeof caps, 0) == 0;
  if (have_caps) {
    ASSERT_EQ(setxattr(Path("private/self").c_str(), "security.capability", caps, sizeof caps, 0),
              0);
  }
  EXPECT_EQ(Kanvo("in.txt", "private\\tool").status, 0);
  EXPECT_EQ(StateOf(Path("private/tool")), (FileState{"new\r\n", 0, 0, S_IFREG | 0755}));
  EXPECT_EQ(Kanvo("private\\self", "private\\self").status, 0);
  EXPECT_EQ(StateOf(Path("private/self")), (FileState{"x\r\n", 0, 0, S_IFREG | 06755}));
  if (have_caps) {
    EXPECT_EQ(Attribute(Path("private/tool"), "security.capability"), "(none)");
    EXPECT_NE(Attribute(Path("private/self"), "security.capability"), "(none)");
  }
}

TEST_F(HostileOutputTest, PipeWithoutAReaderIsRefusedAtOnce) {
  ASSERT_EQ(mkfifo(Path("private/fifo").c_str(), 0600), 0);
  ProgramRun run = Kanvo("in.txt", "private\\fifo");
  EXPECT_EQ(run.status, 1) << "124 would be the timeout: KANVO waited for a reader";
  EXPECT_EQ(run.out, kCreateError);
}

}  // namespace
}  // namespace tv::faults
