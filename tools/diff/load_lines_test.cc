#include "tools/diff/load_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/byte_stream.h"
#include "platform/wide_reader.h"

namespace tv {
namespace {

// The plain way: one read of at most kDiffLineUnits - 1 units a line, its
// line end cut off.
std::vector<std::u16string> LinesReadOneByOne(const std::string& bytes, InputMode mode) {
  StringSource source(bytes);
  WideReader reader(&source, mode);
  std::vector<std::u16string> lines;
  std::vector<char16_t> buf(kDiffLineUnits);
  size_t n;
  while (reader.GetLine(buf.data(), kDiffLineUnits, &n) == ReadStatus::kOk) {
    std::u16string line(buf.data(), n);
    if (line.ends_with(u"\r\n")) {
      line.resize(n - 2);
    } else if (line.ends_with(u"\n")) {
      line.resize(n - 1);
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::u16string> LinesLoaded(const std::string& bytes, InputMode mode) {
  StringSource source(bytes);
  WideReader reader(&source, mode);
  DiffLineArray array;
  EXPECT_EQ(LoadLines(&reader, &array), LoadResult::kOk);
  std::vector<std::u16string> lines;
  for (size_t i = 0; i < array.size(); ++i) lines.emplace_back(array[i].text);
  return lines;
}

TEST(LoadLinesTest, CutsLinesAsOneReadALineWould) {
  // Short and long lines (past the read limit, and exactly at it), CR LF,
  // lone CRs, empty lines and a last line with or without its end, in
  // texts long enough to be decoded in several pieces.
  const std::string pieces[] = {"a", "\x93\xFA", "\r\n", "\n", "\r", "xyz", "\x82\xA0\x82\xA2"};
  std::mt19937 rng(99);
  for (int round = 0; round < 40; ++round) {
    std::string bytes;
    size_t length = rng() % 400000;
    while (bytes.size() < length) {
      unsigned pick = rng() % 1000;
      if (pick == 0) {
        bytes.append(kDiffLineUnits - 2 + rng() % 4, 'L');
      } else if (pick == 1) {
        bytes.append(3 * kDiffLineUnits + rng() % 100, 'M');
      } else {
        bytes += pieces[rng() % std::size(pieces)];
      }
    }
    for (InputMode mode : {InputMode::kText, InputMode::kUnicode}) {
      ASSERT_EQ(LinesLoaded(bytes, mode), LinesReadOneByOne(bytes, mode))
          << "round " << round << " mode " << static_cast<int>(mode);
    }
  }
}

TEST(LoadLinesTest, ReadErrorIsReported) {
  StringSource source(std::string(200000, 'a') + "\n");
  source.FailAfter(100000);
  WideReader reader(&source, InputMode::kText);
  DiffLineArray array;
  EXPECT_EQ(LoadLines(&reader, &array), LoadResult::kReadError);
  EXPECT_EQ(LoadLines(nullptr, &array), LoadResult::kNoStream);
}

}  // namespace
}  // namespace tv
