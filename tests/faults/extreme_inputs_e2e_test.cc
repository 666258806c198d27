// Extreme inputs for every tool: an empty file, a file of NUL bytes only,
// one line of 10 MB, a million empty lines, and binary data. Each tool
// must end normally with the output its rules give (where they fix one),
// and KANVO must leave exactly its output file behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/faults/fault_run.h"

namespace tv::faults {
namespace {

const std::string kLine(10'000'000, 'x');

std::string Repeat(const std::string& piece, size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (size_t i = 0; i < count; ++i) text += piece;
  return text;
}

// The same bytes on every run.
std::string BinaryData(size_t size) {
  std::string bytes;
  uint32_t state = 12345;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245 + 12345;
    bytes.push_back(static_cast<char>(state >> 23));
  }
  return bytes;
}

// sort's answer for the long line: pieces of at most 1023 units, the short
// last piece first.
std::string SortedLongLine() {
  size_t full = kLine.size() / 1023;
  return std::string(kLine.size() - full * 1023, 'x') + "\n" +
         Repeat(std::string(1023, 'x') + "\n", full);
}

struct Input {
  const char* name;
  std::string bytes;
  // Expected outputs; nullopt where the rules fix no particular bytes.
  std::optional<std::string> kanvo_file;  // KANVO name out.txt
  std::optional<std::string> kanvo_out;   // KANVO name
  std::optional<std::string> sort_out;
  std::optional<std::string> vornak_out;
};

const std::vector<Input>& Inputs() {
  static const std::vector<Input> inputs = {
      {"empty", "", "", "\n", "", ""},
      // NUL bytes are UTF-16 to detection: 500 NUL units, back to 500 bytes.
      {"nul", std::string(1000, '\0'), std::string(500, '\0'), std::string(500, '\0') + "\n",
       std::string(1000, '\0') + "\n", std::string(1000, '\0')},
      {"long line", kLine + "\n", kLine + "\r\n", kLine + "\r\n\n", SortedLongLine(),
       std::string(kLine.size(), 'X') + "\n"},
      {"million empty lines", std::string(1'000'000, '\n'), Repeat("\r\n", 1'000'000),
       Repeat("\r\n", 1'000'000) + "\n", std::string(1'000'000, '\n'),
       std::string(1'000'000, '\n')},
      {"binary", BinaryData(200'000), std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  return inputs;
}

// `replaced`: KANVO's count of characters a legacy code could not hold may
// stand on standard error (binary data read as UTF-16 has many).
void ExpectOutput(const ProgramRun& run, const std::optional<std::string>& expected,
                  const std::string& what, bool replaced = false) {
  EXPECT_EQ(run.status, 0) << what;
  const std::string count_line_end = " 文字を変換できず置き換えました\n";
  bool count_line = run.err.starts_with("KANVO: ") && run.err.ends_with(count_line_end) &&
                    run.err.find('\n') == run.err.size() - 1;
  if (!(replaced && count_line)) {
    EXPECT_EQ(run.err, "") << what;
  }
  // Compared whole but not printed whole: the outputs run to megabytes.
  if (expected) {
    EXPECT_TRUE(run.out == *expected) << what << ": " << run.out.size() << " bytes";
  }
}

TEST(ExtremeInputsTest, EveryToolOnEveryInput) {
  for (const Input& input : Inputs()) {
    Folder folder;
    folder.Write("in.txt", input.bytes);
    std::string what = input.name;

    ProgramRun run = RunTool("KANVO", {"in.txt", "out.txt"}, folder.path());
    EXPECT_EQ(run.status, 0) << what;
    EXPECT_EQ(run.out, "") << what;
    if (input.kanvo_file) {
      EXPECT_TRUE(folder.Read("out.txt") == *input.kanvo_file) << what;
    }
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"in.txt", "out.txt"})) << what;

    ExpectOutput(RunTool("KANVO", {"in.txt"}, folder.path()), input.kanvo_out, "KANVO " + what,
                 input.kanvo_out == std::nullopt);
    ExpectOutput(RunTool("diff", {"in.txt", "in.txt"}, folder.path()), "", "diff " + what);
    ExpectOutput(RunTool("sort", {"in.txt"}, folder.path()), input.sort_out, "sort " + what);
    ExpectOutput(RunTool("vornak", {"in.txt"}, folder.path()), input.vornak_out, "vornak " + what);
    // The same through standard input, read as UTF-8: alike for these
    // texts, which are ASCII.
    ExpectOutput(RunTool("vornak", {}, folder.path(), input.bytes), input.vornak_out,
                 "vornak standard input " + what);
    EXPECT_TRUE(folder.Read("in.txt") == input.bytes) << what;
  }
}

TEST(ExtremeInputsTest, ExtremeInputsAgainstEachOther) {
  Folder folder;
  folder.Write("empty.txt", "");
  folder.Write("nul.txt", std::string(1000, '\0'));
  folder.Write("lines.txt", std::string(1'000'000, '\n'));
  folder.Write("binary.dat", BinaryData(200'000));
  // A Shift_JIS file against one taken as UTF-16 (a zero byte): the header,
  // then every line of the second file as added.
  ProgramRun run = RunTool("diff", {"empty.txt", "nul.txt"}, folder.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "< [シフトJIS]\n> [Unicode]\n--------------\n\n*,1-1\n ---\n+>" +
                         std::string(500, '\0') + "\n");
  run = RunTool("diff", {"lines.txt", "empty.txt"}, folder.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out == "\n1-1000000,*\n" + Repeat("-<\n", 1'000'000) + " ---\n")
      << run.out.size() << " bytes";
  for (auto [first, second] : {std::pair{"binary.dat", "lines.txt"}, {"lines.txt", "binary.dat"}}) {
    run = RunTool("diff", {first, second}, folder.path());
    EXPECT_EQ(run.status, 0) << first;
    EXPECT_NE(run.out, "") << first;
  }
  // Repeated lines dropped: one empty line is left of a million.
  run = RunTool("sort", {"/Q", "lines.txt"}, folder.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "\n");
}

}  // namespace
}  // namespace tv::faults
