// Runs the built diff through the shell stand-in, which publishes the test
// folder as the current directory, and compares whole outputs.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testutil/run_program.h"

namespace tv {
namespace {

const std::string kUsage =
    "使用方法:\n"
    "  diff [/I] [/U] file1 [/U] file2\n"
    "\n"
    " /I  空白文字のみの差異なら無視\n"
    " /U  Unicodeファイルとして処理\n"
    "file1, file2 比較対照のファイル\n";
const std::string kSjisFirst = "< [シフトJIS]\n> [Unicode]\n--------------\n";
const std::string kUnicodeFirst = "< [Unicode]\n> [シフトJIS]\n--------------\n";

// UTF-16LE bytes of ASCII-range text, with the mark FF FE when asked.
std::string Utf16(const std::u16string& text, bool mark = true) {
  std::string bytes = mark ? "\xFF\xFE" : "";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

ProgramRun RunDiff(const TempDir& dir, const std::vector<std::string>& args,
                   const ProgramOptions& options = {}) {
  std::vector<std::string> full = {"-C", dir.path(), "diff"};
  full.insert(full.end(), args.begin(), args.end());
  return RunProgram("tvsh", full, options);
}

// The folder as the tool sees it: a device path ending in a backslash.
std::string DeviceFolder(const TempDir& dir) {
  std::string path = dir.path();
  std::replace(path.begin(), path.end(), '/', '\\');
  return path + "\\";
}

struct ReportCase {
  const char* name;
  std::string first, second;
  std::string expected;
  std::vector<std::string> args = {"a.txt", "b.txt"};
};

std::string Numbered(int count, int changed1 = 0, int changed2 = 0) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    text += (i == changed1 || i == changed2 ? "x" : "l") + std::to_string(i) + "\n";
  }
  return text;
}

TEST(DiffE2eTest, Reports) {
  const std::string kLong(10239, 'x');
  const ReportCase cases[] = {
      {"identical", "a\nb\n", "a\nb\n", ""},
      {"changed line", "a\nb\nc\n", "a\nx\nc\n", "\n1-3,1-3\n <a\n!<b\n <c\n ---\n >a\n!>x\n >c\n"},
      {"deleted line", "a\nb\nc\n", "a\nc\n", "\n1-3,*\n <a\n-<b\n <c\n ---\n"},
      {"added line", "a\nc\n", "a\nb\nc\n", "\n*,1-3\n ---\n >a\n+>b\n >c\n"},
      {"swapped", "A\nB\n", "B\nA\n", "\n1-2,1-2\n <A\n-<B\n ---\n+>B\n >A\n"},
      {"far pair", "X\nA\nB\n", "A\nB\nX\n", "\n1-3,1-3\n <X\n-<A\n-<B\n ---\n+>A\n+>B\n >X\n"},
      {"added at end", "a\nb\n", "a\nb\nc\nd\n", "\n*,2-4\n ---\n >b\n+>c\n+>d\n"},
      {"line 5 of 10", Numbered(10), Numbered(10, 5),
       "\n4-6,4-6\n <l4\n!<l5\n <l6\n ---\n >l4\n!>x5\n >l6\n"},
      {"two lines apart", Numbered(10), Numbered(10, 3, 6),
       "\n2-7,2-7\n <l2\n!<l3\n <l4\n <l5\n!<l6\n <l7\n ---\n"
       " >l2\n!>x3\n >l4\n >l5\n!>x6\n >l7\n"},
      {"three lines apart", Numbered(10), Numbered(10, 3, 7),
       "\n2-4,2-4\n <l2\n!<l3\n <l4\n ---\n >l2\n!>x3\n >l4\n"
       "\n6-8,6-8\n <l6\n!<l7\n <l8\n ---\n >l6\n!>x7\n >l8\n"},
      {"percent signs", "100%d\n%s\n", "100%d\n%n\n",
       "\n1-2,1-2\n <100%d\n!<%s\n ---\n >100%d\n!>%n\n"},
      {"blanks ignored",
       " a b\nc\td\ne\x81\x40"
       "f\ng\n",
       "ab \nc d\nef\nh\n",
       "\n3-4,3-4\n <e　f\n!<g\n ---\n >ef\n!>h\n",
       {"/I", "a.txt", "b.txt"}},
      {"blanks count",
       " a b\nc\td\ne\x81\x40"
       "f\ng\n",
       "ab \nc d\nef\nh\n",
       "\n1-4,1-4\n!< a b\n!<c\td\n!<e　f\n!<g\n ---\n!>ab \n!>c d\n!>ef\n!>h\n"},
      {"CR LF against LF", "a\r\nb\r\n", "a\nb\n", ""},
      {"lone CR at the end", "a\r\nb\r", "a\nb", "\n1-2,1-2\n <a\n!<b\r\n ---\n >a\n!>b\n"},
      {"lines ended by CR", "a\rb\r", "a\nb\n", "\n1-1,1-2\n!<a\rb\r\n ---\n!>a\n!>b\n"},
      {"line over 10239 units", kLong + "y\n", kLong + "z\n",
       "\n1-2,1-2\n <" + kLong + "\n!<y\n ---\n >" + kLong + "\n!>z\n"},
      {"empty first", "", "a\nb\n", "\n*,1-2\n ---\n+>a\n+>b\n"},
      {"empty second", "a\nb\n", "", "\n1-2,*\n-<a\n-<b\n ---\n"},
      {"both empty", "", "", ""},
      // Code detection and marks.
      {"Shift_JIS against UTF-16", "\x82\xA0\n", Utf16(u"\u3042\n"), kSjisFirst},
      {"UTF-16 against Shift_JIS", Utf16(u"x\ny\n"), "x\nz\n",
       kUnicodeFirst + "\n1-2,1-2\n <x\n!<y\n ---\n >x\n!>z\n"},
      {"zero byte means UTF-16", "a\n", Utf16(u"a\n", false), kSjisFirst},
      {"mark or none", Utf16(u"a\n"), Utf16(u"a\n", false), ""},
      {"FE FF read as a mark", "a\n", "\xFE\xFF" + Utf16(u"a\n", false), kSjisFirst},
      {"UTF-16 CR LF against LF", Utf16(u"a\r\nb\r\n"), "a\nb\n", kUnicodeFirst},
      // "あい" as UTF-16 has neither mark nor zero byte: only /U reads it so.
      {"/U on the first file",
       "\x42\x30\x44\x30",
       "\x42\x30\x44\x30",
       kUnicodeFirst + "\n1-1,1-1\n!<あい\n ---\n!>B0D0\n",
       {"/U", "a.txt", "b.txt"}},
      {"/u on the second file",
       "\x42\x30\x44\x30",
       "\x42\x30\x44\x30",
       kSjisFirst + "\n1-1,1-1\n!<B0D0\n ---\n!>あい\n",
       {"a.txt", "/u", "b.txt"}},
      {"/U on both", "\x42\x30\x44\x30", "\x42\x30\x44\x30", "", {"/U", "a.txt", "/U", "b.txt"}},
  };
  for (const ReportCase& c : cases) {
    TempDir dir;
    dir.Write("a.txt", c.first);
    dir.Write("b.txt", c.second);
    ProgramRun run = RunDiff(dir, c.args);
    EXPECT_EQ(run.status, 0) << c.name;
    EXPECT_EQ(run.out, c.expected) << c.name;
  }
}

TEST(DiffE2eTest, UsageAndMessages) {
  TempDir dir;
  dir.Write("a.txt", "a\n");
  dir.Write("b.txt", "b\n");
  ASSERT_EQ(mkdir((dir.path() + "/sub").c_str(), 0755), 0);
  std::string folder = DeviceFolder(dir);
  struct Case {
    std::vector<std::string> args;
    std::string out;
    int status;
  } cases[] = {
      {{}, kUsage, 1},
      {{"\u3000"}, "", 255},  // the device would drop it: refused outside the prompt
      {{"/I"}, "file1 を指定してください\n\n" + kUsage, 0},
      {{"/i", "a.txt"}, "file2 を指定してください\n\n" + kUsage, 0},
      {{"nope.txt", "b.txt"}, "指定のファイルが存在しません：" + folder + "nope.txt\n", 0},
      {{"a.txt", "nope.txt"}, "指定のファイルが存在しません：" + folder + "nope.txt\n", 0},
      {{"sub", "b.txt"}, "file1 に指定されているのはフォルダです：" + folder + "sub\n", 0},
      {{"a.txt", "sub"}, "file2 に指定されているのはフォルダです：" + folder + "sub\n", 0},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunDiff(dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.args.size();
    EXPECT_EQ(run.out, c.out);
  }
}

TEST(DiffE2eTest, FileThatCannotBeOpened) {
  TempDir dir;
  dir.Write("a.txt", "a\n");
  // A socket has attributes but cannot be opened as a file, even by root.
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::string socket_path = dir.path() + "/s";
  ASSERT_LT(socket_path.size(), sizeof(address.sun_path));
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ProgramRun run = RunDiff(dir, {"a.txt", "s"});
  close(fd);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "ファイルのオープンでエラーが発生しました：" + DeviceFolder(dir) + "s\n");
}

TEST(DiffE2eTest, WriteFailureGivesFailureExitValue) {
  TempDir dir;
  dir.Write("a.txt", "a\n");
  dir.Write("b.txt", "b\n");
  ProgramOptions options;
  options.stdout_path = "/dev/full";
  ProgramRun run = RunDiff(dir, {"a.txt", "b.txt"}, options);
  EXPECT_EQ(run.status, 255);
}

#ifndef __SANITIZE_ADDRESS__  // the sanitizer's shadow memory needs no limit
TEST(DiffE2eTest, OutOfMemoryWhileLoading) {
  TempDir dir;
  std::string big;
  for (int i = 0; i < 300000; ++i) big += "line " + std::to_string(i) + std::string(90, 'x') + "\n";
  dir.Write("big.txt", big);
  dir.Write("b.txt", "b\n");
  // About 60 MB of lines to hold with 40 MB of address space.
  ProgramRun run =
      RunProgram("/bin/sh", {"-c", "ulimit -v 40000 && exec \"$0\" \"$@\"", BinDir() + "/tvsh",
                             "-C", dir.path(), "diff", "big.txt", "b.txt"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "メモリー不足が発生しました。");
}
#endif

}  // namespace
}  // namespace tv
