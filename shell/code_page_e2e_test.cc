// The text code page through the built programs: diff, sort and vornak read
// each text file as UTF-8 when it is UTF-8 and as code page 932 otherwise,
// or as tvsh --utf8 / --cp932 or TORVELAN_CODEPAGE force; KANVO is
// unaffected.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/utf16.h"
#include "testutil/run_program.h"

namespace tv {
namespace {

// Runs a tool through tvsh in `dir`; `utf8` adds --utf8, `cp932` --cp932.
ProgramRun RunTool(const TempDir& dir, bool utf8, const std::vector<std::string>& tool_args,
                   bool cp932 = false) {
  std::vector<std::string> args;
  if (utf8) args.push_back("--utf8");
  if (cp932) args.push_back("--cp932");
  args.insert(args.end(), {"-C", dir.path()});
  args.insert(args.end(), tool_args.begin(), tool_args.end());
  return RunProgram("tvsh", args);
}

// Runs a tool with TORVELAN_CODEPAGE set to `value`, without tvsh.
ProgramRun RunWithCodePage(const TempDir& dir, const std::string& value,
                           const std::vector<std::string>& tool_args) {
  std::vector<std::string> args = {"TORVELAN_CODEPAGE=" + value, BinDir() + "/" + tool_args[0]};
  args.insert(args.end(), tool_args.begin() + 1, tool_args.end());
  return RunProgram("/usr/bin/env", args, {.cwd = dir.path()});
}

// Random lines of characters that both code pages hold, with CR LF or LF.
std::u16string JapaneseLines(std::mt19937& rng, int count) {
  const std::u16string alphabet = u"aBz 09日本語漢字あいうアイウｱｲｳＡｂ、。「」・ー～";
  std::u16string text;
  for (int i = 0; i < count; ++i) {
    size_t length = rng() % 8;
    for (size_t k = 0; k < length; ++k) text.push_back(alphabet[rng() % alphabet.size()]);
    text += rng() % 3 == 0 ? u"\r\n" : u"\n";
  }
  return text;
}

TEST(CodePageTest, Utf8FilesReadAsTheirShiftJisTwins) {
  // The same text in Shift_JIS and in UTF-8 (with and without a mark),
  // each read in its own code page by default, or as --utf8, --cp932 or
  // TORVELAN_CODEPAGE say, gives the same output.
  std::mt19937 rng(5);
  TempDir dir;
  std::u16string a = JapaneseLines(rng, 60);
  std::u16string b = a.substr(0, a.size() / 2) + JapaneseLines(rng, 5) + a.substr(a.size() / 2);
  dir.Write("a.sjis", Utf16ToCp932(a));
  dir.Write("b.sjis", Utf16ToCp932(b));
  dir.Write("a.utf8", "\xEF\xBB\xBF" + Utf16ToUtf8(a));
  dir.Write("b.utf8", Utf16ToUtf8(b));
  std::vector<std::vector<std::string>> runs = {{"sort", "NAME_A"},
                                                {"sort", "/R/Q", "NAME_A"},
                                                {"vornak", "NAME_A"},
                                                {"diff", "NAME_A", "NAME_B"},
                                                {"diff", "/I", "NAME_B", "NAME_A"}};
  for (std::vector<std::string> args : runs) {
    std::vector<std::string> sjis = args, utf8 = args;
    for (std::string& arg : sjis)
      arg = arg == "NAME_A" ? "a.sjis" : arg == "NAME_B" ? "b.sjis" : arg;
    for (std::string& arg : utf8)
      arg = arg == "NAME_A" ? "a.utf8" : arg == "NAME_B" ? "b.utf8" : arg;
    ProgramRun expected = RunTool(dir, false, sjis);
    SCOPED_TRACE(args[0] + " " + args[1]);
    ASSERT_EQ(expected.status, 0) << expected.err;
    ASSERT_NE(expected.out, "");
    for (const ProgramRun& run :
         {RunTool(dir, true, utf8), RunTool(dir, false, utf8), RunWithCodePage(dir, "65001", utf8),
          RunWithCodePage(dir, "utf-8", utf8), RunWithCodePage(dir, "Utf8", utf8),
          RunWithCodePage(dir, "", utf8), RunWithCodePage(dir, "AUTO", utf8),
          RunWithCodePage(dir, "932", sjis), RunTool(dir, false, sjis, true)}) {
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.out, expected.out);
    }
  }
  // Files of both code pages compare by their text; the header says how
  // each was read.
  ProgramRun mixed = RunTool(dir, false, {"diff", "a.sjis", "b.utf8"});
  ProgramRun same = RunTool(dir, false, {"diff", "a.sjis", "b.sjis"});
  EXPECT_EQ(mixed.out, "< [シフトJIS]\n> [UTF-8]\n--------------\n" + same.out);
}

TEST(CodePageTest, Utf8SpecificsComeThrough) {
  TempDir dir;
  // A mark, CR LF, a character above U+FFFF (a surrogate pair, which sorts
  // below U+E000-U+FFFF in code units), invalid bytes, a second mark.
  dir.Write("a.txt",
            "\xEF\xBB\xBF"
            "いろは\r\n"
            "\xEF\xBF\xBD"
            "z\n"
            "\xF0\xA0\x80\x8B"
            "x\n"
            "\xEE\x80\x80"
            "y\n"
            "\xFF\xC0\xAF"
            "bad\n"
            "\xEF\xBB\xBF"
            "abc\n");
  dir.Write("u.txt", std::string("\xFF\xFE"
                                 "a\0b\0\n\0",
                                 8));
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {{"sort", "a.txt"},
       "いろは\n\xF0\xA0\x80\x8Bx\n\xFF\xC0\xAF"
       "bad\n\xEE\x80\x80y\n\xEF\xBB\xBF"
       "abc\n"
       "\xEF\xBF\xBDz\n"},
      {{"vornak", "a.txt"},
       "いろは\n\xEF\xBF\xBDZ\n\xF0\xA0\x80\x8BX\n\xEE\x80\x80Y\n\xFF\xC0\xAF"
       "BAD\n"
       "\xEF\xBB\xBF"
       "ABC\n"},
      {{"diff", "u.txt", "a.txt"},
       "< [Unicode]\n> [UTF-8]\n--------------\n\n1-1,1-6\n!<ab\n ---\n!>いろは\n"
       "!>\xEF\xBF\xBDz\n!>\xF0\xA0\x80\x8Bx\n!>\xEE\x80\x80y\n!>\xFF\xC0\xAF"
       "bad\n"
       "!>\xEF\xBB\xBF"
       "abc\n"},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunTool(dir, true, c.args);
    EXPECT_EQ(run.status, 0) << c.args[0] << run.err;
    EXPECT_EQ(run.out, c.expected) << c.args[0];
  }
}

TEST(CodePageTest, UnknownCodePageIsRefused) {
  TempDir dir;
  dir.Write("a.txt", "b\na\n");
  for (const std::string value : {"1252", "UTF_8", "65001 ", "UTF-16", "automatic"}) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"sort", "a.txt"}, {"vornak", "a.txt"}, {"diff", "a.txt", "a.txt"}, {"sort", "/H"}}) {
      ProgramRun run = RunWithCodePage(dir, value, args);
      EXPECT_EQ(run.status, 255) << value << " " << args[0];
      EXPECT_EQ(run.out, "") << value << " " << args[0];
      EXPECT_NE(run.err.find("TORVELAN_CODEPAGE の値「" + value + "」"), std::string::npos)
          << run.err;
    }
  }
  // KANVO chooses its codes by its own options.
  ProgramRun kanvo = RunWithCodePage(dir, "1252", {"KANVO", "/I", "SJIS", "/O", "UTF8N", "a.txt"});
  EXPECT_EQ(kanvo.status, 0) << kanvo.err;
  EXPECT_EQ(kanvo.out, "b\r\na\r\n\n");
}

}  // namespace
}  // namespace tv
