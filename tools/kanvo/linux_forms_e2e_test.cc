// The command-line forms a Linux user types where the device has none,
// through the built programs: `-` for standard input and output, text piped
// to KANVO with no name, outputs through inherited descriptors, refused
// extra names, --guess and the usual code names. Each form is checked
// against the same job done with named files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "testutil/run_program.h"

namespace {

using tv::ProgramOptions;
using tv::ProgramRun;
using tv::RunProgram;
using tv::TempDir;

// A Shift_JIS text with kana, kanji and ASCII on two lines.
const std::string kSjis =
    "\x93\xFA\x96{\x8C\xEA\x82\xCC\x83"
    "e\x83L\x83X\x83g ABC\n\x82\xA9\x82\xC8\x81"
    "E\x83J\x83i\x81u\x8A\xBF\x8E\x9A\x81v\n";

ProgramRun RunIn(const TempDir& dir, const std::string& tool, const std::vector<std::string>& args,
                 ProgramOptions options = {}) {
  options.cwd = dir.path();
  return RunProgram(tool, args, options);
}

ProgramOptions Piped(const std::string& bytes) {
  ProgramOptions options;
  options.stdin_bytes = bytes;
  return options;
}

// KANVO's output file for args ending in the name out.txt.
std::string Converted(const TempDir& dir, std::vector<std::string> args,
                      const ProgramOptions& options = {}) {
  unlink((dir.path() + "/out.txt").c_str());
  args.push_back("out.txt");
  EXPECT_EQ(RunIn(dir, "KANVO", args, options).status, 0);
  return dir.Read("out.txt");
}

TEST(LinuxFormsE2eTest, StandardStreamsGiveWhatNamedFilesGive) {
  TempDir dir;
  dir.Write("in.txt", kSjis);
  for (const char* code : {"SJIS", "JIS", "EUC", "UTF8", "UTF8N", "UNICODE"}) {
    std::string want = Converted(dir, {"/O", code, "/N", "CR", "in.txt"});
    // Out through '-', and through /dev/stdout onto a log opened for append.
    ProgramRun dash = RunIn(dir, "KANVO", {"/O", code, "/N", "CR", "in.txt", "-"});
    EXPECT_EQ(dash.status, 0) << code;
    EXPECT_EQ(dash.out, want) << code;
    ProgramRun piped = RunIn(dir, "KANVO", {"/O", code, "/N", "CR", "-", "-"}, Piped(kSjis));
    EXPECT_EQ(piped.out, want) << code;
    dir.Write("log.txt", "earlier\n");
    ProgramOptions append;
    append.stdout_path = dir.path() + "/log.txt";
    append.stdout_append = true;
    EXPECT_EQ(RunIn(dir, "KANVO", {"/O", code, "in.txt", "/dev/stdout"}, append).status, 0);
    EXPECT_EQ(dir.Read("log.txt"), "earlier\n" + Converted(dir, {"/O", code, "in.txt"})) << code;
    // The same bytes read back from '-' into a file.
    EXPECT_EQ(Converted(dir, {"/I", code, "/N", "LF", "-"}, Piped(want)), kSjis) << code;
  }
  // No name and text on a pipe: the text shown, as for a named file.
  ProgramRun shown = RunIn(dir, "KANVO", {"in.txt"});
  ProgramRun filtered = RunIn(dir, "KANVO", {}, Piped(kSjis));
  EXPECT_EQ(filtered.status, 0);
  EXPECT_EQ(filtered.out, shown.out);
  EXPECT_EQ(RunIn(dir, "KANVO", {"/O", "EUC"}, Piped(kSjis)).out, shown.out);
  // The question's answer would come from the text itself: not asked.
  dir.Write("out.txt", "old");
  ProgramRun asked = RunIn(dir, "KANVO", {"-", "out.txt"}, Piped("y\n" + kSjis));
  EXPECT_EQ(asked.status, 1);
  EXPECT_EQ(asked.err, "");
  EXPECT_EQ(dir.Read("out.txt"), "old");

  // The filters: '-' reads standard input as the named file would be read.
  dir.Write("b.txt", "b\nB\n");
  const std::vector<std::pair<std::string, std::vector<std::string>>> filters = {
      {"sort", {"/R", "in.txt"}}, {"vornak", {"in.txt"}}, {"diff", {"in.txt", "b.txt"}}};
  for (const auto& [tool, args] : filters) {
    std::vector<std::string> dashed = args;
    for (std::string& arg : dashed) arg = arg == "in.txt" ? "-" : arg;
    ProgramRun named = RunIn(dir, tool, args);
    ProgramRun from_stdin = RunIn(dir, tool, dashed, Piped(kSjis));
    EXPECT_EQ(from_stdin.status, named.status) << tool;
    EXPECT_EQ(from_stdin.out, named.out) << tool;
  }
}

TEST(LinuxFormsE2eTest, NamesBeyondTheOutputAreRefused) {
  TempDir dir;
  dir.Write("a.txt", kSjis);
  dir.Write("b.txt", "b");
  dir.Write("c.txt", "c");
  const std::string refused = "***** Error\n出力ファイル名の後ろには何も指定できません： ";
  struct Case {
    std::vector<std::string> args;
    std::string shown;
  } cases[] = {
      {{"a.txt", "b.txt", "c.txt"}, "c.txt"},  // a glob of three files
      {{"a.txt", "b.txt", "/O", "UTF8N"}, "/O"},
      {{"/O", "EUC", "a.txt", "b.txt", "my file"}, "my file"},
      {{"-", "b.txt", "c.txt"}, "c.txt"},
  };
  for (const Case& c : cases) {
    // A Yes waits on standard input: nothing may take it.
    ProgramRun run = RunIn(dir, "KANVO", c.args, Piped("y\n"));
    EXPECT_EQ(run.status, 1) << c.shown;
    EXPECT_EQ(run.out, refused + c.shown + "\n");
    EXPECT_EQ(run.err, "") << "nothing asked";
    EXPECT_EQ(dir.Read("b.txt"), "b");
  }
}

TEST(LinuxFormsE2eTest, GuessNamesWhatTheConversionUses) {
  TempDir dir;
  dir.Write("sjis.txt", kSjis);
  std::string lines, want;
  std::vector<std::string> args = {"--guess"};
  for (const char* code : {"SJIS", "JIS", "EUC", "UTF8", "UTF8N", "UNICODE"}) {
    for (const char* newline : {"CRLF", "CR", "LF"}) {
      std::string name = std::string(code) + "-" + newline + ".txt";
      dir.Write(name, Converted(dir, {"/O", code, "/N", newline, "sjis.txt"}));
      args.push_back(name);
      want += name + ": " + code + " " + newline + "\n";
      // Fed back, the answer converts the file to the text it came from.
      EXPECT_EQ(Converted(dir, {"/I", code, "/O", "SJIS", "/N", "LF", name}), kSjis) << name;
    }
  }
  dir.Write("line.txt", "no break");
  args.push_back("line.txt");
  want += "line.txt: SJIS NONE\n";
  ProgramRun run = RunIn(dir, "KANVO", args);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, want);

  // Standard input, named or not; a file that cannot be read fails the run
  // and the others are still answered.
  std::string euc = Converted(dir, {"/O", "EUC", "sjis.txt"});
  EXPECT_EQ(RunIn(dir, "KANVO", {"--guess", "-"}, Piped(euc)).out, "-: EUC LF\n");
  EXPECT_EQ(RunIn(dir, "KANVO", {"--guess"}, Piped(euc)).out, "-: EUC LF\n");
  ProgramRun missing = RunIn(dir, "KANVO", {"--guess", "gone.txt", "line.txt"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "line.txt: SJIS NONE\n");
  EXPECT_NE(missing.err.find("gone.txt"), std::string::npos);
}

TEST(LinuxFormsE2eTest, UsualCodeNamesAreTheKeywordsTheyStandFor) {
  TempDir dir;
  dir.Write("sjis.txt", kSjis);
  const std::pair<const char*, const char*> aliases[] = {
      {"UTF-8", "UTF8N"},     {"utf-16", "UNICODE"}, {"UTF-16LE", "UNICODE"},
      {"ISO-2022-JP", "JIS"}, {"cp932", "SJIS"},     {"Windows-31J", "SJIS"},
  };
  for (const auto& [alias, keyword] : aliases) {
    std::string coded = Converted(dir, {"/O", keyword, "sjis.txt"});
    EXPECT_EQ(Converted(dir, {"/O", alias, "sjis.txt"}), coded) << alias;
    dir.Write("coded.txt", coded);
    EXPECT_EQ(Converted(dir, {"/I", alias, "/O", "SJIS", "/N", "LF", "coded.txt"}), kSjis) << alias;
  }
  // Names that are not whole still give the design's message.
  EXPECT_EQ(RunIn(dir, "KANVO", {"/O", "UTF-16BE", "sjis.txt", "out.txt"}).status, 1);
}

}  // namespace
