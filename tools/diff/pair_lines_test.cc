#include "tools/diff/pair_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/byte_stream.h"
#include "platform/wide_writer.h"
#include "tools/diff/compare_files.h"
#include "tools/diff/pair_by_scan.h"

namespace tv {
namespace {

TEST(LinesEqualTest, ExactAndIgnoringBlanks) {
  struct Case {
    std::u16string a, b;
    bool exact, ignoring;
  } cases[] = {
      {u"ab", u"ab", true, true},
      {u"ab", u" a\tb\u3000", false, true},
      {u"a b", u"a\u3000\t b", false, true},
      {u"", u" \t\u3000", false, true},
      {u"ab", u"a", false, false},
      {u"a", u"A", false, false},
      {u"ab", u"ba", false, false},
      {u"a\u00A0b", u"ab", false, false},  // only the three blanks are ignored
      {u"a\rb", u"ab", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualByStripping(c.a, c.b, true), c.ignoring);
    EXPECT_EQ(LinesEqual(c.a, c.b, false), c.exact);
    EXPECT_EQ(LinesEqual(c.a, c.b, true), c.ignoring);
    EXPECT_EQ(LinesEqual(c.b, c.a, true), c.ignoring);
  }
}

TEST(RemoveBlanksTest, KeepsOrderOfTheRest) {
  std::u16string text = u" a\tb\u3000c  d\u00A0";
  RemoveBlanks(&text);
  EXPECT_EQ(text, u"abcd\u00A0");
}

std::vector<std::u16string> RandomLines(std::mt19937& rng, size_t count, int alphabet,
                                        bool with_blanks) {
  static const char16_t kBlanks[] = {u' ', u'\t', u'\u3000'};
  std::vector<std::u16string> lines;
  for (size_t i = 0; i < count; ++i) {
    std::u16string line(1, static_cast<char16_t>(u'a' + rng() % alphabet));
    if (rng() % 3 == 0) line += static_cast<char16_t>(u'a' + rng() % alphabet);
    if (with_blanks) {
      for (int n = rng() % 3; n > 0; --n) {
        line.insert(rng() % (line.size() + 1), 1, kBlanks[rng() % 3]);
      }
    }
    lines.push_back(line);
  }
  return lines;
}

void Fill(DiffLineArray* array, const std::vector<std::u16string>& lines) {
  for (const std::u16string& line : lines) array->Append(line);
}

// Classification in words: a run of unpaired lines is one-sided exactly
// when the stretch of the other file facing it holds no line.
void ExpectClassifiedByFacingStretch(const DiffLineArray& x, size_t other_size,
                                     DiffKind one_sided) {
  for (size_t s = 0; s < x.size();) {
    if (x[s].partner != -1) {
      EXPECT_EQ(x[s].kind, DIFF_SAME);
      ++s;
      continue;
    }
    size_t e = s;
    while (e < x.size() && x[e].partner == -1) ++e;
    long from = s == 0 ? 0 : x[s - 1].partner + 1;
    long to = e == x.size() ? static_cast<long>(other_size) : x[e].partner;
    DiffKind expected = to - from <= 0 ? one_sided : DIFF_CHANGED;
    for (size_t i = s; i < e; ++i) ASSERT_EQ(x[i].kind, expected) << "line " << i;
    s = e;
  }
}

TEST(PairLinesTest, MatchesThePlainScanOnRandomFiles) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 6000; ++round) {
    bool ignore_blanks = round % 2 == 1;
    int alphabet = 1 + round % 5;
    std::vector<std::u16string> a = RandomLines(rng, rng() % 30, alphabet, ignore_blanks);
    std::vector<std::u16string> b = RandomLines(rng, rng() % 30, alphabet, ignore_blanks);
    DiffLineArray first, second;
    Fill(&first, a);
    Fill(&second, b);
    StringSink sink;
    WideWriter out(&sink);
    CompareFiles(first, second, ignore_blanks, out);

    std::vector<int> expected = PairByScan(a, b, ignore_blanks);
    for (size_t i = 0; i < a.size(); ++i) {
      ASSERT_EQ(first[i].partner, expected[i]) << "round " << round << " line " << i;
      if (expected[i] != -1) {
        ASSERT_EQ(second[expected[i]].partner, static_cast<int>(i));
      }
    }
    size_t paired = 0;
    for (size_t k = 0; k < b.size(); ++k) paired += second[k].partner != -1;
    ASSERT_EQ(paired, a.size() - std::count(expected.begin(), expected.end(), -1));
    ExpectClassifiedByFacingStretch(first, b.size(), DIFF_DELETED);
    ExpectClassifiedByFacingStretch(second, a.size(), DIFF_ADDED);
  }
}

TEST(LineHashTest, EqualLinesHashAlikeAndTheSeedDecides) {
  // Lines equal but for blanks must meet in the index under every seed;
  // under another seed a line lands elsewhere, so a set of lines made to
  // collide under one seed is spread under the next run's.
  std::mt19937 rng(20261209);
  size_t same_under_other_seed = 0;
  for (const std::u16string& line : RandomLines(rng, 3000, 26, true)) {
    std::u16string stripped = line;
    RemoveBlanks(&stripped);
    for (uint64_t seed : {0ull, 1ull, 0x9E3779B97F4A7C15ull}) {
      ASSERT_EQ(LineHash(line, true, seed), LineHash(stripped, false, seed));
      ASSERT_EQ(LineHash(stripped, true, seed), LineHash(stripped, false, seed));
    }
    same_under_other_seed += LineHash(line, false, 1) == LineHash(line, false, 2);
  }
  EXPECT_EQ(same_under_other_seed, 0u);
}

TEST(PairLinesTest, FarEqualLineWinsAndSkipsEverythingBefore) {
  DiffLineArray a, b;
  Fill(&a, {u"z", u"a", u"b"});
  Fill(&b, {u"a", u"b", u"c", u"z"});
  PairLines(a, b, false);
  EXPECT_EQ(a[0].partner, 3);
  EXPECT_EQ(a[1].partner, -1);
  EXPECT_EQ(a[2].partner, -1);
}

}  // namespace
}  // namespace tv
