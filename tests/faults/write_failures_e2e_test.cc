// Writes that fail: standard output on a full device, closed, or past a
// file-size limit, for every tool; KANVO's output file on a full device and
// past the limit. Each run must end with the tool's failure value and its
// message where it has one, and leave the old output file whole with no
// temporary file beside it.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/faults/fault_run.h"

namespace tv::faults {
namespace {

const std::string kKanvoWriteError =
    kKanvoError + "出力ファイルの書き込みでエラーが発生しました： \n";

// Inputs large enough to pass any output buffer and the size limit.
std::string ManyLines() {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

struct StdoutCase {
  const char* what;
  std::string tool;
  std::vector<std::string> args;
  int status;
  std::string err;  // standard error
};

// Every tool, with something to write and with only its usage to write.
std::vector<StdoutCase> StdoutCases(const std::string& folder) {
  return {
      {"KANVO text", "KANVO", {"big.txt"}, 1, kKanvoWriteError},
      {"KANVO usage", "KANVO", {"/H"}, 1, ""},
      {"diff report", "diff", {"big.txt", "other.txt"}, 255, ""},
      {"diff usage", "diff", {}, 255, ""},
      {"sort file", "sort", {"big.txt"}, 255, kOutputError},
      {"sort usage", "sort", {"/H"}, 255, kOutputError},
      {"vornak file", "vornak", {"big.txt"}, 255, kOutputError},
      {"vornak usage", "vornak", {"/H"}, 255, kOutputError},
      {"Pelquin report", "Pelquin", {}, 1, ""},
      {"Pelquin usage", "Pelquin", {"/h"}, 1, ""},
      {"tvsh passes the status on", "tvsh", {"-C", folder, "sort", "big.txt"}, 255, kOutputError},
  };
}

void ExpectFailure(const StdoutCase& c, const ProgramRun& run, const std::string& how) {
  EXPECT_EQ(run.status, c.status) << c.what << " " << how;
  EXPECT_EQ(run.err, c.err) << c.what << " " << how;
}

TEST(WriteFailuresTest, StandardOutputOnAFullDevice) {
  Folder folder;
  folder.Write("big.txt", ManyLines());
  folder.Write("other.txt", "x\n");
  for (const StdoutCase& c : StdoutCases(folder.path())) {
    ExpectFailure(c, RunWithStdoutTo("/dev/full", c.tool, c.args, folder.path()), "/dev/full");
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"big.txt", "other.txt"}));
}

TEST(WriteFailuresTest, StandardOutputClosed) {
  Folder folder;
  folder.Write("big.txt", ManyLines());
  folder.Write("other.txt", "x\n");
  for (const StdoutCase& c : StdoutCases(folder.path())) {
    ExpectFailure(c, RunWithStdoutClosed(c.tool, c.args, folder.path()), "closed");
  }
  EXPECT_EQ(folder.Names(), (std::set<std::string>{"big.txt", "other.txt"}));
}

TEST(WriteFailuresTest, StandardOutputPastTheFileSizeLimit) {
  Folder folder;
  folder.Write("big.txt", ManyLines());
  folder.Write("other.txt", "x\n");
  std::string out = folder.path() + "/stdout.txt";
  for (const StdoutCase& c : StdoutCases(folder.path())) {
    if (c.args.empty() || c.args[0] == "/H" || c.args[0] == "/h" || c.tool == "Pelquin") {
      continue;  // a usage or a report fits
    }
    ExpectFailure(c, RunWithSizeLimit(8, c.tool, c.args, folder.path(), "", out), "past the limit");
  }
}

// Nothing to write is no failure, wherever the output goes.
TEST(WriteFailuresTest, NothingToWriteIsNoFailure) {
  Folder folder;
  folder.Write("a.txt", "same\n");
  folder.Write("empty.txt", "");
  struct Case {
    std::string tool;
    std::vector<std::string> args;
  } cases[] = {
      {"diff", {"a.txt", "a.txt"}},
      {"sort", {"empty.txt"}},
      {"vornak", {"empty.txt"}},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunWithStdoutTo("/dev/full", c.tool, c.args, folder.path());
    EXPECT_EQ(run.status, 0) << c.tool;
    EXPECT_EQ(run.err, "") << c.tool;
  }
}

TEST(WriteFailuresTest, KanvoOutputFileOnAFullDevice) {
  Folder folder;
  folder.Write("in.txt", "text\n");
  // /dev/full exists: the overwrite question comes first.
  ProgramRun run = RunTool("KANVO", {"in.txt", "/dev/full"}, folder.path(), "y\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kKanvoWriteError);
  EXPECT_EQ(folder.Names(), std::set<std::string>{"in.txt"});
}

TEST(WriteFailuresTest, KanvoOutputFilePastTheFileSizeLimitLeavesTheOldFileWhole) {
  const std::string text = ManyLines();
  struct Case {
    const char* what;
    std::vector<std::string> args;
    bool old_output;  // out.txt exists before the run
  } cases[] = {
      {"new file", {"/O", "UTF8", "in.txt", "out.txt"}, false},
      {"existing file", {"/O", "UNICODE", "in.txt", "out.txt"}, true},
      {"onto itself", {"/O", "EUC", "in.txt", "in.txt"}, false},
  };
  for (const Case& c : cases) {
    Folder folder;
    folder.Write("in.txt", text);
    std::set<std::string> names = {"in.txt"};
    if (c.old_output) {
      folder.Write("out.txt", "old contents\n");
      names.insert("out.txt");
    }
    ProgramRun run = RunWithSizeLimit(64, "KANVO", c.args, folder.path(), "y\n");
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_EQ(run.out, kKanvoWriteError) << c.what;
    EXPECT_EQ(folder.Names(), names) << c.what << ": a file lost or left behind";
    EXPECT_TRUE(folder.Read("in.txt") == text) << c.what;
    if (c.old_output) {
      EXPECT_EQ(folder.Read("out.txt"), "old contents\n") << c.what;
    }
  }
}

}  // namespace
}  // namespace tv::faults
