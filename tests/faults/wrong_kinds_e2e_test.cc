// A folder where a file is expected and a file where a folder is expected,
// in every place a tool takes a name: the tool's message and failure value,
// and no file changed or added.
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
  std::string err = "";
};

void RunCases(const Folder& folder, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    ProgramRun run = RunTool(c.tool, c.args, folder.path(), "y\n");
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
    EXPECT_EQ(run.err, c.err) << c.what;
  }
}

TEST(WrongKindsTest, FolderWhereAFileIsExpected) {
  Folder folder;
  folder.Write("a.txt", "a\n");
  folder.MakeFolder("dir");
  const std::vector<Case> cases = {
      {"KANVO input",
       "KANVO",
       {"dir", "out.txt"},
       1,
       kKanvoError + "入力ファイルにディレクトリが指定されています：dir\n"},
      {"KANVO output",
       "KANVO",
       {"a.txt", "dir"},
       1,
       kKanvoError + "同名のフォルダが既に存在するため、出力ファイルを作成できません： dir\n"},
      {"diff first", "diff", {"dir", "a.txt"}, 0, "file1 に指定されているのはフォルダです：dir\n"},
      {"diff second", "diff", {"a.txt", "dir"}, 0, "file2 に指定されているのはフォルダです：dir\n"},
      {"sort", "sort", {"dir"}, 255, kInputError},
      {"vornak", "vornak", {"/U", "dir"}, 255, kInputError},
  };
  RunCases(folder, cases);
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"a.txt", "dir"}));
  EXPECT_TRUE(folder.Names("dir").empty());
  EXPECT_EQ(folder.Read("a.txt"), "a\n");
}

TEST(WrongKindsTest, FileWhereAFolderIsExpected) {
  Folder folder;
  folder.Write("a.txt", "a\n");
  const std::string missing = "指定のファイルが存在しません：a.txt/b.txt\n";
  const std::vector<Case> cases = {
      {"KANVO input",
       "KANVO",
       {"a.txt/b.txt", "out.txt"},
       1,
       kKanvoError + "指定された入力ファイルは存在しません： a.txt/b.txt\n"},
      {"KANVO output",
       "KANVO",
       {"a.txt", "a.txt/out.txt"},
       1,
       kKanvoError + "出力ファイルのオープンでエラーが発生しました：  \n"},
      {"diff first", "diff", {"a.txt/b.txt", "a.txt"}, 0, missing},
      {"diff second", "diff", {"a.txt", "a.txt/b.txt"}, 0, missing},
      {"sort", "sort", {"a.txt/b.txt"}, 255, kInputError},
      {"vornak", "vornak", {"a.txt/b.txt"}, 255, kInputError},
      {"tvsh", "tvsh", {"-C", "a.txt", "sort", "a.txt"}, 1, "", "tvsh: a.txt: not a folder\n"},
  };
  RunCases(folder, cases);
  EXPECT_EQ(folder.Names(), std::set<std::string>{"a.txt"});
  EXPECT_EQ(folder.Read("a.txt"), "a\n");
}

TEST(WrongKindsTest, SymbolicLinksAsTheOutput) {
  // The file a link leads to is replaced, and the link stays a link. A
  // link to nothing is no file to replace: creating one where it points
  // would mean following it by hand.
  Folder folder;
  folder.Write("in.txt", "new\n");
  folder.Write("old.txt", "old\n");
  folder.MakeFolder("sub");
  auto link = [&](const std::string& to, const std::string& name) {
    ASSERT_EQ(symlink(to.c_str(), (folder.path() + "/" + name).c_str()), 0);
  };
  link("old.txt", "to-old");
  link("sub/made.txt", "dangling");
  link("missing/x.txt", "into-nothing");
  link("loop", "loop");
  const std::string create_error =
      kKanvoError + "出力ファイルのオープンでエラーが発生しました：  \n";
  const std::vector<Case> cases = {
      {"link to a file", "KANVO", {"in.txt", "to-old"}, 0, ""},
      {"link to nothing yet", "KANVO", {"in.txt", "dangling"}, 1, create_error},
      {"link into a missing folder", "KANVO", {"in.txt", "into-nothing"}, 1, create_error},
      {"loop of links", "KANVO", {"in.txt", "loop"}, 1, create_error},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunTool(c.tool, c.args, folder.path(), "y\n");
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
  }
  EXPECT_EQ(folder.Read("old.txt"), "new\r\n");
  EXPECT_EQ(folder.Names("sub"), std::set<std::string>{});
  for (const char* name : {"to-old", "dangling", "into-nothing", "loop"}) {
    struct stat st;
    ASSERT_EQ(lstat((folder.path() + "/" + name).c_str(), &st), 0) << name;
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << name;
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in.txt", "old.txt", "sub", "to-old", "dangling",
                                                   "into-nothing", "loop"}));
}

}  // namespace
}  // namespace tv::faults
