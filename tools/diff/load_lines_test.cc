#include "tools/diff/load_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/byte_stream.h"
#include "platform/wide_reader.h"
#include "platform/wide_writer.h"
#include "tools/diff/compare_files.h"
#include "tools/diff/pair_by_scan.h"

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
  for (size_t i = 0; i < array.size(); ++i) lines.emplace_back(array.Text(i));
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

// The shapes of file pairs that people compare: equal fronts of every
// length, long lines, few distinct lines, runs of equal lines.
std::vector<std::pair<std::string, std::string>> ShapedPairs(std::mt19937& rng) {
  auto numbered = [](int count, int width) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back(std::string(i % width, 'x') + std::to_string(i));
    return lines;
  };
  auto joined = [](const std::vector<std::string>& lines, const char* end) {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
  };
  std::vector<std::pair<std::string, std::string>> pairs;
  std::vector<std::string> base = numbered(30000, 13);
  std::string whole = joined(base, "\n");
  pairs.push_back({whole, whole});                               // identical
  std::vector<std::string> last = base;
  last[last.size() - 100] += "!";
  pairs.push_back({whole, joined(last, "\n")});                 // one change near the end
  pairs.push_back({whole, joined(base, "\r\n")});              // other line ends
  pairs.push_back({whole, whole.substr(0, whole.size() - 1)});  // last line without its end
  pairs.push_back({whole, whole + "tail"});
  pairs.push_back({std::string(90000, '\n'), std::string(90001, '\n')});  // empty lines
  pairs.push_back({std::string(90001, '\n'), std::string(90000, '\n')});
  // Lines past the read limit, equal in front and differing at their ends.
  std::string longs = std::string(3 * kDiffLineUnits + 5, 'L') + "\n" + whole;
  pairs.push_back({longs + "a\n", longs + "b\n"});
  pairs.push_back({longs, std::string(kDiffLineUnits - 1, 'L') + "M" + longs});
  // Few distinct lines, some replaced by others of them.
  std::vector<std::string> few, replaced;
  for (int i = 0; i < 20000; ++i) few.push_back(std::string(1 + rng() % 3, "abc"[rng() % 3]));
  replaced = few;
  for (int i = 0; i < 20; ++i) replaced[rng() % replaced.size()] = few[i];
  pairs.push_back({joined(few, "\n"), joined(replaced, "\n")});
  // Scattered edits: changed, dropped and added lines.
  std::vector<std::string> edited;
  for (const std::string& line : base) {
    unsigned pick = rng() % 200;
    if (pick == 0) continue;
    edited.push_back(pick == 1 ? line + "?" : line);
    if (pick == 2) edited.push_back("new");
  }
  pairs.push_back({whole, joined(edited, "\n")});
  pairs.push_back({"", whole});
  pairs.push_back({whole, ""});
  return pairs;
}

std::string Report(DiffLineArray& a, DiffLineArray& b) {
  StringSink sink;
  WideWriter out(&sink);
  CompareFiles(a, b, false, out);
  out.Flush();
  return sink.bytes();
}

TEST(LoadPairTest, LeavingOutTheEqualFrontChangesNothing) {
  std::mt19937 rng(424242);
  for (const auto& [first, second] : ShapedPairs(rng)) {
    for (InputMode mode : {InputMode::kText, InputMode::kUnicode}) {
      SCOPED_TRACE(testing::Message() << first.size() << " and " << second.size() << " bytes, mode "
                                      << static_cast<int>(mode));
      // Each file whole, and its pairing held to the plain scan.
      DiffLineArray whole_a, whole_b;
      StringSource source_a(first), source_b(second);
      WideReader reader_a(&source_a, mode), reader_b(&source_b, mode);
      ASSERT_EQ(LoadLines(&reader_a, &whole_a), LoadResult::kOk);
      ASSERT_EQ(LoadLines(&reader_b, &whole_b), LoadResult::kOk);
      std::string expected = Report(whole_a, whole_b);
      std::vector<std::u16string> texts_a, texts_b;
      for (size_t i = 0; i < whole_a.size(); ++i) texts_a.emplace_back(whole_a.Text(i));
      for (size_t k = 0; k < whole_b.size(); ++k) texts_b.emplace_back(whole_b.Text(k));
      std::vector<int> partners = PairByScan(texts_a, texts_b, false);
      for (size_t i = 0; i < whole_a.size(); ++i) ASSERT_EQ(whole_a[i].partner, partners[i]);

      DiffLineArray a, b;
      StringSource pair_a(first), pair_b(second);
      WideReader pair_reader_a(&pair_a, mode), pair_reader_b(&pair_b, mode);
      PairLoadResult loaded = LoadPair(&pair_reader_a, &a, &pair_reader_b, &b);
      ASSERT_EQ(loaded.first, LoadResult::kOk);
      ASSERT_EQ(loaded.second, LoadResult::kOk);
      EXPECT_EQ(a.base() + a.size(), whole_a.size());
      EXPECT_EQ(b.base() + b.size(), whole_b.size());
      EXPECT_EQ(Report(a, b), expected);
      // Identical files keep no more than their last lines, however long.
      if (first == second) {
        EXPECT_LE(a.size(), 2u);  // the last whole line, and a last one without its end
      }
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
