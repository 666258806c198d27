#include "tools/sort/line_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tools/sort/insertion_walk.h"

namespace tv::sort {
namespace {

TEST(LineListTest, OrderIsThatOfTheInsertionWalkOnRandomInputs) {
  // Few distinct units and short lines make many repeats and shared
  // prefixes; zero and 0xFFFF check that units compare unsigned and whole.
  // Repeats in input already in (reverse) order check that equal lines keep
  // their input order.
  const char16_t alphabet[] = {u'a', u'b', u'A', 0x3042, 0xFF21, 0x0000, 0xFFFF, 0xD800, 0x8000};
  std::mt19937 rng(12345);
  for (int round = 0; round < 4000; ++round) {
    size_t count = rng() % 40;
    size_t distinct_units = 2 + rng() % 8;
    size_t max_length = 1 + rng() % 10;
    std::vector<std::u16string> lines;
    for (size_t i = 0; i < count; ++i) {
      std::u16string line;
      for (size_t n = rng() % (max_length + 1); n > 0; --n) line.push_back(alphabet[rng() % distinct_units]);
      lines.push_back(line);
    }
    // The lines as drawn, and drawn into order, into reverse order, and
    // into order but for one pair of neighbours.
    int shape = round % 4;
    if (shape != 0) {
      std::vector<std::u16string> ordered;
      for (size_t index : InsertionWalk(lines, shape == 2)) ordered.push_back(lines[index]);
      if (shape == 3 && ordered.size() > 1) {
        size_t at = rng() % (ordered.size() - 1);
        std::swap(ordered[at], ordered[at + 1]);
      }
      lines = ordered;
    }
    for (bool descending : {false, true}) {
      SortedLineList list = ListOf(lines);
      SortLines(descending, &list);
      std::vector<size_t> expected = InsertionWalk(lines, descending);
      ASSERT_EQ(OrderOf(list, lines), expected) << "round " << round << " descending " << descending;

      // Unique: the first of each run of equal neighbours stays.
      DropRepeatedLines(&list);
      ASSERT_EQ(OrderOf(list, lines), FirstOfEachRun(lines, expected)) << "round " << round;
    }
  }
}

TEST(LineListTest, RadixOrderIsTheComparisonSortsOnLargeRandomInputs) {
  // Many lines that share prefixes of every length (so that runs of equal
  // keys are long and are told apart several windows deep), repeats, zero
  // units, lines that are prefixes of others, and some long enough to be
  // split.
  const char16_t alphabet[] = {u'a', u'b', 0x0000, 0xFFFF, 0x8000, 0x3042, 0x00FF, 0x0100};
  std::mt19937 rng(4242);
  for (int round = 0; round < 60; ++round) {
    std::vector<std::u16string> stems;
    for (size_t n = 1 + rng() % 20; n > 0; --n) {
      std::u16string stem;
      for (size_t k = rng() % 30; k > 0; --k) stem.push_back(alphabet[rng() % 3]);
      stems.push_back(stem);
    }
    size_t distinct_units = 2 + rng() % 7;
    SortedLineList list;
    for (size_t n = rng() % 3000; n > 0; --n) {
      std::u16string line = stems[rng() % stems.size()];
      for (size_t k = rng() % 12; k > 0; --k) line.push_back(alphabet[rng() % distinct_units]);
      if (rng() % 500 == 0) line.append(kLineUnits + rng() % 100, u'z');
      list.text.insert(list.text.end(), line.begin(), line.end());
      list.text.push_back(u'\n');
    }
    AddLines(0, false, &list);
    for (bool descending : {false, true}) {
      SortedLineList radix = list;
      SortedLineList plain = list;
      SortLines(descending, &radix);
      SortLinesByComparison(descending, &plain);
      ASSERT_EQ(radix.lines.size(), plain.lines.size());
      for (size_t i = 0; i < radix.lines.size(); ++i) {
        // Same places, so equal lines kept their input order too; and the
        // keys are those of the lines again.
        ASSERT_EQ(radix.lines[i].place, plain.lines[i].place) << "round " << round << " at " << i;
        ASSERT_EQ(radix.lines[i].key, plain.lines[i].key);
      }
      DropRepeatedLines(&radix);
      DropRepeatedLines(&plain);
      ASSERT_EQ(radix.lines.size(), plain.lines.size());
    }
  }
}

TEST(LineListTest, CompareUnitsIsCodeUnitOrder) {
  struct Case {
    std::u16string a, b;
    int expected;
  } cases[] = {
      {u"", u"", 0},
      {u"", u"a", -1},
      {u"abcd", u"abcde", -1},
      {u"Z", u"a", -1},                            // every upper before lower
      {u"あ", u"ア", -1},                          // by value, not by reading
      {u"\xFFFF", u"\x0100", 1},                   // unsigned units
      {u"abcdefgh\xE000", u"abcdefgh\xD800", 1},  // past the first word
      {std::u16string(u"a\0b", 3), u"a", 1},       // zero is just a unit
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareUnits(c.a, c.b), c.expected) << std::string(c.a.begin(), c.a.end());
    EXPECT_EQ(CompareUnits(c.b, c.a), -c.expected);
  }
}

std::vector<std::u16string> Pieces(const std::u16string& text, bool unicode) {
  SortedLineList list;
  list.text.assign(text.begin(), text.end());
  AddLines(0, unicode, &list);
  std::vector<std::u16string> pieces;
  for (size_t i = 0; i < list.lines.size(); ++i) pieces.emplace_back(list.Line(i));
  return pieces;
}

TEST(LineListTest, LineEndsAreCutByMode) {
  using V = std::vector<std::u16string>;
  struct Case {
    std::u16string text;
    bool unicode;
    V expected;
  } cases[] = {
      {u"", false, V{}},
      {u"a\nb", false, V{u"a", u"b"}},
      {u"\n\n", false, V{u"", u""}},
      {u"a\r\n", false, V{u"a\r"}},  // text mode folds CR LF before this
      {u"a\r\nb\n\r\n", true, V{u"a", u"b\n", u""}},
      {u"\n", true, V{u"\n"}},
      {u"\r", true, V{u"\r"}},
      {u"a\r", true, V{u"a\r"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Pieces(c.text, c.unicode), c.expected);
}

TEST(LineListTest, LongLinesAreTakenInPiecesOfAtMost1023Units) {
  std::u16string full(kLineUnits, u'x');
  std::u16string rest(5, u'y');
  using V = std::vector<std::u16string>;
  EXPECT_EQ(Pieces(full + rest + u"\n", false), (V{full, rest}));
  EXPECT_EQ(Pieces(full + u"\n" + rest, false), (V{full, rest}));  // no empty piece
  EXPECT_EQ(Pieces(full + full + u"\n", false), (V{full, full}));
  EXPECT_EQ(Pieces(full + u"\r\n", true), (V{full}));
  // In Unicode mode a lone line feed is part of the line, and so of its
  // last piece.
  EXPECT_EQ(Pieces(full + u"\n", true), (V{full, u"\n"}));
  EXPECT_EQ(Pieces(full.substr(1) + u"\r\n", true), (V{full.substr(1)}));
  // A surrogate pair across the cut goes whole into the next piece.
  std::u16string pair = u"\U0001F600";
  EXPECT_EQ(Pieces(full.substr(1) + pair + rest, false), (V{full.substr(1), pair + rest}));
  EXPECT_EQ(Pieces(full.substr(2) + pair + rest, false), (V{full.substr(2) + pair, rest}));
}

}  // namespace
}  // namespace tv::sort
