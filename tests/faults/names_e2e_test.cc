// Awkward names: blanks, quotation marks, tabs, bytes that are not UTF-8,
// absolute Linux paths, and names and paths too long for the device's path
// buffer or the file system. A name the tool can take reaches exactly that
// file; one it cannot take gives its message, never another file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

#include "tests/faults/fault_run.h"

namespace tv::faults {
namespace {

// One line in Shift_JIS, as every tool reads it.
const std::string kSjisLine = "\x82\xA0z\r\n";  // "あz"

TEST(NamesTest, BlanksTabsAndOtherBytesReachTheirFiles) {
  const std::vector<std::string> names = {
      "my file.txt",
      "ta\tb.txt",
      "bad\xFF\xFE.txt",
      "\xE6\x97\xA5 \x93\xFA.txt",
  };
  for (const std::string& name : names) {
    Folder folder;
    folder.Write(name, kSjisLine);
    folder.Write("other.txt", "x\r\n");
    std::string out_name = "out_" + name;
    ProgramRun run = RunTool("KANVO", {"/O", "UTF8N", name, out_name}, folder.path());
    EXPECT_EQ(run.status, 0) << name << run.out;
    EXPECT_EQ(folder.Read(out_name), "あz\r\n") << name;

    run = RunTool("diff", {name, "other.txt"}, folder.path());
    EXPECT_EQ(run.status, 0) << name;
    EXPECT_EQ(run.out, "\n1-1,1-1\n!<あz\n ---\n!>x\n") << name;
    for (const std::string tool : {"sort", "vornak"}) {
      run = RunTool(tool, {name}, folder.path());
      EXPECT_EQ(run.status, 0) << tool << " " << name;
      EXPECT_EQ(run.out, tool == "sort" ? "あz\n" : "あZ\n") << tool << " " << name;
    }
    EXPECT_EQ(folder.Names(), (std::set<std::string>{name, out_name, "other.txt"})) << name;
  }
}

TEST(NamesTest, NamesTheDeviceWouldTrim) {
  // With "a.txt" and "a.txt " both there, the device would open the first
  // for the second: from a script every tool refuses the name; at tvsh's
  // prompt the device's reading is what the user typed for.
  Folder folder;
  folder.Write("  lead.txt", kSjisLine);
  folder.Write("lead.txt", "other\n");
  folder.Write("a.txt\t", kSjisLine);
  const std::string message =
      "バックスラッシュ（\\）や、前後に空白のある名前を含む引数は、tvsh のプロンプトでのみ"
      "使えます（フォルダの区切りは /）：";
  struct Case {
    std::string tool;
    std::vector<std::string> args;
  } cases[] = {
      {"KANVO", {"  lead.txt", "out.txt"}},
      {"diff", {"  lead.txt", "lead.txt"}},
      {"sort", {"  lead.txt"}},
      {"vornak", {"a.txt\t"}},
      {"tvsh", {"sort", "  lead.txt"}},  // tvsh passes no typed mark to a command it is given
  };
  for (const Case& c : cases) {
    ProgramRun run = RunTool(c.tool, c.args, folder.path(), "y\n");
    EXPECT_EQ(run.status, 255) << c.tool;
    EXPECT_EQ(run.out, "") << c.tool;
    std::string shown = c.args.back() == "a.txt\t" ? "a.txt?" : "  lead.txt";
    EXPECT_EQ(run.err, message + shown + "\n") << c.tool;
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"  lead.txt", "lead.txt", "a.txt\t"}));
  ProgramRun typed = RunProgram("sort", {"  lead.txt"}, {.cwd = folder.path(), .typed = true});
  EXPECT_EQ(typed.out, "other\n");
  typed = RunProgram("tvsh", {"sort", "  lead.txt"}, {.cwd = folder.path(), .typed = true});
  EXPECT_EQ(typed.status, 255) << "the mark tvsh inherited is not passed on";
}

TEST(NamesTest, ControlCharactersInNamesShowAsQuestionMarks) {
  // A name could otherwise erase the question's line and show another.
  Folder folder;
  const std::string name = "x\x1b[2K\r\x1b[1A overwrite harmless.txt";
  folder.Write("in.txt", "a\n");
  folder.Write(name, "old\n");
  ProgramRun run = RunTool("KANVO", {"in.txt", name}, folder.path(), "n\n");
  EXPECT_NE(run.err.find("x?[2K??[1A overwrite harmless.txt (y/n)"), std::string::npos) << run.err;
  EXPECT_EQ(folder.Read(name), "old\n");
  run = RunTool("diff", {"\x1b[8mhidden\x9b.txt", "in.txt"}, folder.path());
  EXPECT_EQ(run.out, "指定のファイルが存在しません：?[8mhidden?.txt\n");
}

TEST(NamesTest, ArgumentWithADoubleQuoteIsRefused) {
  // A name holding a double quote would split into names the user never
  // gave: `for f in *.txt; do KANVO "$f" "$f.sjis"; done` over this one
  // wrote into another folder. Every tool refuses before reading or writing.
  Folder folder;
  folder.MakeFolder("victim");
  const std::string hostile = "in.txt \\victim\\injected \".txt";
  folder.Write(hostile, kSjisLine);
  folder.Write("in.txt", kSjisLine);
  const std::string message = "二重引用符（\"）を含む引数は渡せません：";
  struct Case {
    std::string tool;
    std::vector<std::string> args;
    std::string refused;
  } cases[] = {
      {"KANVO", {hostile, hostile + ".sjis"}, hostile},
      {"KANVO", {"/O", "EUC", "in.txt", "out\".txt"}, "out\".txt"},
      {"diff", {"in.txt", hostile}, hostile},
      {"sort", {"a", "\"b.txt"}, "\"b.txt"},
      {"vornak", {hostile}, hostile},
      {"Pelquin", {"/h\""}, "/h\""},
      {"tvsh", {"KANVO", hostile, hostile + ".sjis"}, hostile},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunTool(c.tool, c.args, folder.path(), "y\ny\n");
    EXPECT_EQ(run.status, 255) << c.tool << " " << c.refused;
    EXPECT_EQ(run.out, "") << c.tool << " " << c.refused;
    EXPECT_EQ(run.err, message + c.refused + "\n") << c.tool;
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"victim", "in.txt", hostile}));
  EXPECT_EQ(folder.Names("victim"), std::set<std::string>{});
}

TEST(NamesTest, AbsoluteLinuxPathsForEachTool) {
  // Run from another folder, with paths as bash completes them: each reaches
  // its file, and options keep their meaning beside them and in clusters.
  Folder folder;
  Folder elsewhere;
  folder.MakeFolder("sub dir");
  const std::string in = folder.Write("sub dir/in.txt", "b\r\n\x82\xA0\r\na\r\n");
  const std::string other = folder.Write("other.txt", "b\r\n");
  elsewhere.Write("u.txt", std::string("b\0\r\0\n\0a\0\r\0\n\0", 12));  // UTF-16
  const std::string missing = "/no-such-folder-here/in.txt";
  struct Case {
    std::string tool;
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {"KANVO", {in}, 0, "b\r\nあ\r\na\r\n\n"},
      {"KANVO", {"/O", "UTF8N", "/N", "LF", in, folder.path() + "/out.txt"}, 0, ""},
      {"diff", {"/I", in, other}, 0, "\n1-3,*\n <b\n-<あ\n-<a\n ---\n"},
      {"sort", {"/R", in}, 0, "あ\nb\na\n"},
      {"sort", {"/R/U", "u.txt"}, 0, "b\na\n"},
      {"sort", {"/Uu.txt"}, 0, "a\nb\n"},
      {"vornak", {in}, 0, "B\nあ\nA\n"},
      // A path whose folder does not exist is passed as it is: options.
      {"KANVO",
       {missing},
       1,
       kKanvoError + "/N の指定に誤りがあります。/N "
                     "の後ろに指定できるキーワードを以下に示します：\n\nCRLF  LF  CR\n"},
      {"sort", {missing}, 255, kInputError},
      {"diff", {missing, other}, 0, "指定のファイルが存在しません：" + missing + "\n"},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunTool(c.tool, c.args, elsewhere.path());
    EXPECT_EQ(run.status, c.status) << c.tool << " " << c.args[0];
    EXPECT_EQ(run.out, c.out) << c.tool << " " << c.args[0];
  }
  EXPECT_EQ(folder.Read("out.txt"), "b\nあ\na\n");
  EXPECT_EQ(elsewhere.Names(), std::set<std::string>{"u.txt"});
}

TEST(NamesTest, NamesAtAndPastTheFileSystemLimit) {
  Folder folder;
  folder.Write("in.txt", "text\n");
  const std::string longest(255, 'n');  // the longest name a file may have
  const std::string too_long(256, 'n');
  // The longest name is written, and written over, like any other.
  for (const char* answer : {"", "y\n"}) {
    ProgramRun run = RunTool("KANVO", {"in.txt", longest}, folder.path(), answer);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(folder.Read(longest), "text\r\n");
  }
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {"input name too long",
       {too_long},
       kKanvoError + "指定された入力ファイルは存在しません： " + too_long + "\n"},
      {"output name too long",
       {"in.txt", too_long},
       kKanvoError + "出力ファイルのオープンでエラーが発生しました：  \n"},
      {"path too long",
       {std::string(3000, 'd') + "/../" + std::string(2000, 'e')},
       kKanvoError + "指定された入力ファイルは存在しません： " + std::string(3000, 'd') + "/../" +
           std::string(2000, 'e') + "\n"},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunTool("KANVO", c.args, folder.path());
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"in.txt", longest}));
}

TEST(NamesTest, PathsPastTheDevicePathBuffer) {
  // With the shell's folder in front, a name of 260 units and more does not
  // fit the 260-unit path buffer of sort, vornak and diff: refused as if
  // missing, never cut to another file's name. KANVO has no such limit.
  Folder folder;
  std::string device_folder = folder.path();
  for (char& c : device_folder) c = c == '/' ? '\\' : c;
  size_t room = 259 - (device_folder.size() + 1);  // units left for a name
  const std::string fits(room, 'f');
  const std::string too_long(room + 1, 'g');
  folder.Write(fits, "fits\n");
  folder.Write(too_long, "too long\n");
  folder.Write(too_long.substr(0, room), "cut\n");  // what a cut name would open
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"-C", folder.path()});
    return RunTool("tvsh", args, folder.path());
  };
  EXPECT_EQ(run({"sort", fits}).out, "fits\n");
  EXPECT_EQ(run({"vornak", fits}).out, "FITS\n");
  ProgramRun sort = run({"sort", too_long});
  EXPECT_EQ(sort.status, 255);
  EXPECT_EQ(sort.out, kInputError);
  ProgramRun vornak = run({"vornak", too_long});
  EXPECT_EQ(vornak.status, 255);
  EXPECT_EQ(vornak.out, kInputError);
  ProgramRun diff = run({"diff", too_long, fits});
  EXPECT_EQ(diff.status, 0);
  EXPECT_EQ(diff.out, "指定のファイルが存在しません：" + too_long + "\n");
  ProgramRun kanvo = run({"KANVO", too_long});
  EXPECT_EQ(kanvo.status, 0);
  EXPECT_EQ(kanvo.out, "too long\r\n\n");
}

TEST(NamesTest, ShellFolderTooDeepForTheShare) {
  // A folder whose device path does not fit the share's 260 units is not
  // published cut short, where the tools would read and write in another
  // folder: tvsh refuses and runs nothing.
  Folder folder;
  std::string deep = std::string(200, 'd') + "/" + std::string(100, 'e');
  mkdir((folder.path() + "/" + std::string(200, 'd')).c_str(), 0755);
  folder.MakeFolder(deep);
  folder.Write(deep + "/in.txt", "text\n");
  ProgramRun run = RunTool("tvsh", {"-C", folder.path() + "/" + deep, "KANVO", "in.txt", "out.txt"},
                           folder.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "tvsh: cannot publish the current directory: File name too long\n");
  EXPECT_EQ(folder.Names(deep), std::set<std::string>{"in.txt"});
}

}  // namespace
}  // namespace tv::faults
