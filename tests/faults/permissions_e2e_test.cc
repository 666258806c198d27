// Files that cannot be read or written: permissions taken away (the tools
// run as an unprivileged user when the tests run as root, who would pass
// every permission), files the kernel refuses to read, and a missing
// standard input. Every run ends with the tool's message and failure value
// and changes no file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "tests/faults/fault_run.h"

namespace tv::faults {
namespace {

struct Case {
  const char* what;
  std::string tool;
  std::vector<std::string> args;
  int status;
  std::string out;
};

TEST(PermissionsTest, InputWithoutReadPermission) {
  if (!CanRunUnprivileged()) GTEST_SKIP() << "no way to run without root's privileges";
  Folder folder;
  folder.Write("a.txt", "a\n");
  chmod(folder.Write("locked.txt", "secret\n").c_str(), 0);
  const std::string open_error = "ファイルのオープンでエラーが発生しました：locked.txt\n";
  Case cases[] = {
      {"KANVO",
       "KANVO",
       {"locked.txt", "out.txt"},
       1,
       kKanvoError + "ファイルにアクセスできません： locked.txt\n"},
      {"diff first", "diff", {"locked.txt", "a.txt"}, 0, open_error},
      {"diff second", "diff", {"a.txt", "locked.txt"}, 0, open_error},
      {"diff UTF-16", "diff", {"/U", "locked.txt", "a.txt"}, 0, open_error},
      {"sort", "sort", {"locked.txt"}, 255, kInputError},
      {"sort UTF-16", "sort", {"/U", "locked.txt"}, 255, kInputError},
      {"vornak", "vornak", {"locked.txt"}, 255, kInputError},
      {"vornak UTF-16", "vornak", {"/U", "locked.txt"}, 255, kInputError},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunUnprivileged(c.tool, c.args, folder.path());
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"a.txt", "locked.txt"}));
}

TEST(PermissionsTest, KanvoOutputWhereItMayNotWrite) {
  if (!CanRunUnprivileged()) GTEST_SKIP() << "no way to run without root's privileges";
  Folder folder;
  folder.Write("in.txt", "new\n");
  // ro/: a folder the tool may not write in; rw/: one it may.
  folder.MakeFolder("ro");
  folder.Write("ro/old.txt", "old\n");
  chmod((folder.path() + "/ro").c_str(), 0555);
  folder.MakeFolder("rw");
  chmod((folder.path() + "/rw").c_str(), 0777);
  chmod(folder.Write("rw/read-only.txt", "old\n").c_str(), 0444);
  chmod(folder.Write("rw/others.txt", "old\n").c_str(), 0644);  // root's alone to write
  const std::string create_error =
      kKanvoError + "出力ファイルのオープンでエラーが発生しました：  \n";
  std::vector<Case> cases = {
      {"new file in a read-only folder", "KANVO", {"in.txt", "ro/new.txt"}, 1, create_error},
      {"existing file in a read-only folder", "KANVO", {"in.txt", "ro/old.txt"}, 1, create_error},
  };
  // Files of another user exist only when the tests run as root and the
  // tool as nobody.
  bool other_owner = geteuid() == 0;
  if (other_owner) {
    // Clearing the read-only attribute of another user's file fails.
    cases.push_back(
        {"read-only file of another user",
         "KANVO",
         {"in.txt", "rw/read-only.txt"},
         1,
         kKanvoError + "ファイル属性の変更でエラーが発生しました： rw/read-only.txt\n"});
    // The folder would let the file be replaced; the file itself is not
    // the user's to write.
    cases.push_back(
        {"file the user may not write", "KANVO", {"in.txt", "rw/others.txt"}, 1, create_error});
  }
  for (const Case& c : cases) {
    ProgramRun run = RunUnprivileged(c.tool, c.args, folder.path(), "y\n");
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
  }
  EXPECT_EQ(folder.Names("ro"), std::set<std::string>{"old.txt"});
  EXPECT_EQ(folder.Read("ro/old.txt"), "old\n");
  if (!other_owner) return;
  EXPECT_EQ(folder.Names("rw"), (std::set<std::string>{"read-only.txt", "others.txt"}));
  for (const char* name : {"rw/read-only.txt", "rw/others.txt"}) {
    EXPECT_EQ(folder.Read(name), "old\n") << name;
  }
  struct stat st;
  ASSERT_EQ(stat((folder.path() + "/rw/others.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, geteuid());
  ASSERT_EQ(stat((folder.path() + "/rw/read-only.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST(PermissionsTest, FileTheKernelRefusesToRead) {
  // The process's own memory opens, and reading it from offset 0 fails.
  Folder folder;
  folder.Write("a.txt", "a\n");
  const std::string mem = "/proc/self/mem";
  const std::string shown = "\\proc\\self\\mem";  // as the tools name it
  const std::string open_error = "ファイルのオープンでエラーが発生しました：" + shown + "\n";
  Case cases[] = {
      {"KANVO",
       "KANVO",
       {mem, "out.txt"},
       1,
       kKanvoError + "ファイルにアクセスできません： " + shown + "\n"},
      {"diff first", "diff", {mem, "a.txt"}, 0, open_error},
      {"diff second", "diff", {"a.txt", mem}, 0, open_error},
      {"sort", "sort", {mem}, 255, kInputError},
      {"sort UTF-16", "sort", {"/U", mem}, 255, kInputError},
      {"vornak", "vornak", {mem}, 255, kInputError},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunTool(c.tool, c.args, folder.path());
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
  }
  EXPECT_EQ(folder.Names(), std::set<std::string>{"a.txt"});
}

TEST(PermissionsTest, NoStandardInput) {
  Folder folder;
  Case cases[] = {
      {"sort", "sort", {}, 255, kInputError},
      {"vornak", "vornak", {}, 255, kInputError},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunWithStdinClosed(c.tool, c.args, folder.path());
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
  }
  // KANVO's question with nothing to answer it is a No.
  folder.Write("in.txt", "new\n");
  folder.Write("out.txt", "old\n");
  ProgramRun run = RunWithStdinClosed("KANVO", {"in.txt", "out.txt"}, folder.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(folder.Read("out.txt"), "old\n");
}

}  // namespace
}  // namespace tv::faults
