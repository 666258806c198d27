#include "platform/wide_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string_view>
#include <vector>

#include "platform/cp932.h"
#include "platform/trickle_source.h"

namespace tv {
namespace {

std::u16string ReadAllUnits(const std::string& bytes, InputMode mode) {
  StringSource source(bytes);
  WideReader reader(&source, mode);
  std::u16string out;
  for (int u; (u = reader.GetUnit()) >= 0;) out.push_back(static_cast<char16_t>(u));
  return out;
}

TEST(WideReaderTest, DecodesEachMode) {
  struct Case {
    const char* name;
    std::string bytes;
    InputMode mode;
    std::u16string expected;
  } cases[] = {
      {"text crlf", "a\r\nb\rc\n", InputMode::kText, u"a\nb\rc\n"},
      {"text sjis", "\x93\xFA\x96\x7B", InputMode::kText, u"日本"},
      {"text half-width kana", "\xB1", InputMode::kText, u"ｱ"},
      {"text lead at end", "a\x93", InputMode::kText, u"a\x30FB"},
      {"text lead before zero", std::string("\x93\0x", 3), InputMode::kText,
       std::u16string(u"\x30FB\0x", 3)},
      {"text cr at end", "a\r", InputMode::kText, u"a\r"},
      {"unicode as stored", std::string("\xFF\xFE" "a\0\r\0\n\0", 8), InputMode::kUnicode,
       u"\xFEFF" u"a\r\n"},
      {"unicode odd byte", std::string("a\0b", 3), InputMode::kUnicode, u"a"},
      {"console utf8", "\xE6\x97\xA5\r\n", InputMode::kConsole, u"日\n"},
      {"console escape", "\xFFz", InputMode::kConsole, u"\xDCFFz"},
      {"console astral", "\xF0\x9F\x98\x80", InputMode::kConsole, u"\U0001F600"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadAllUnits(c.bytes, c.mode), c.expected) << c.name;
  }
}

TEST(WideReaderTest, LongInputsCrossBufferBoundariesIntact) {
  // Pairs and CR LF straddle every buffer refill when the unit is odd-sized.
  std::string bytes = "x";
  std::u16string expected = u"x";
  for (int i = 0; i < 100000; ++i) {
    bytes += "\x93\xFA\r\n";
    expected += u"日\n";
  }
  EXPECT_EQ(ReadAllUnits(bytes, InputMode::kText), expected);
}

TEST(WideReaderTest, GetLineHonoursTheLimitAndStopsAfterLineFeed) {
  StringSource source("abcdef\nxy");
  WideReader reader(&source, InputMode::kConsole);
  char16_t buf[4];
  size_t len;
  std::vector<std::u16string> pieces;
  ReadStatus status;
  while ((status = reader.GetLine(buf, 4, &len)) == ReadStatus::kOk) {
    ASSERT_LE(len, 3u);
    ASSERT_EQ(buf[len], 0);
    pieces.emplace_back(buf, len);
  }
  EXPECT_EQ(status, ReadStatus::kEnd);
  EXPECT_EQ(pieces, (std::vector<std::u16string>{u"abc", u"def", u"\n", u"xy"}));
}

// GetLine must cut exactly the units that GetUnit delivers one by one,
// whatever the bytes and wherever buffer refills fall.
TEST(WideReaderTest, GetLineAgreesWithUnitByUnitReading) {
  std::mt19937 rng(7);
  static const unsigned char kBytes[] = {'a', '\r', '\n', 0, 0x82, 0xA0, 0x93, 0xB1, 0xFF, 0x30};
  for (InputMode mode :
       {InputMode::kText, InputMode::kUnicode, InputMode::kConsole, InputMode::kUtf8Text}) {
    for (size_t limit : {2, 3, 7, 10240}) {
      std::string bytes;
      for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(kBytes[rng() % 10]);
      std::u16string units = ReadAllUnits(bytes, mode);
      StringSource source(bytes);
      WideReader reader(&source, mode);
      char16_t buf[10240];
      size_t len;
      size_t at = 0;
      while (reader.GetLine(buf, limit, &len) == ReadStatus::kOk) {
        size_t line_feed = units.find(u'\n', at);
        size_t line = line_feed == std::u16string::npos ? units.size() - at : line_feed - at + 1;
        size_t want = std::min(line, limit - 1);
        ASSERT_EQ(std::u16string_view(buf, len), std::u16string_view(units).substr(at, want))
            << "limit " << limit << " at unit " << at;
        ASSERT_EQ(buf[len], 0);
        at += len;
      }
      EXPECT_EQ(at, units.size());
    }
  }
}

TEST(WideReaderTest, ReadErrorIsToldApartFromEnd) {
  StringSource source("line one\nline two\n");
  source.FailAfter(12);
  WideReader reader(&source, InputMode::kText);
  std::u16string line;
  EXPECT_EQ(reader.GetLine(&line), ReadStatus::kOk);
  EXPECT_EQ(line, u"line one\n");
  EXPECT_EQ(reader.GetLine(&line), ReadStatus::kError);
  EXPECT_TRUE(reader.failed());
}

TEST(WideReaderTest, PushedBackUnitComesFirst) {
  StringSource source(std::string("a\0b\0", 4));
  WideReader reader(&source, InputMode::kUnicode);
  EXPECT_EQ(reader.GetUnit(), 'a');
  reader.UngetUnit(u'a');
  std::u16string line;
  EXPECT_EQ(reader.GetLine(&line), ReadStatus::kOk);
  EXPECT_EQ(line, u"ab");
  EXPECT_EQ(reader.GetLine(&line), ReadStatus::kEnd);
}

TEST(WideReaderTest, BulkReadAgreesWithUnitReads) {
  // Bytes drawn from the interesting ones: CR, LF, ASCII, lead and trail
  // bytes, zero, UTF-8 starts and continuations, invalid bytes.
  const unsigned char alphabet[] = {'\r', '\n', 'a', 0, 0x81, 0x93, 0xFA, 0xB1, 0xE0,
                                    0xFC, 0xC3, 0xA9, 0xE6, 0x97, 0xF0, 0x9F, 0x98, 0xFF};
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    size_t length = rng() % 200;
    for (size_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>(alphabet[rng() % sizeof alphabet]));
    for (InputMode mode :
         {InputMode::kConsole, InputMode::kText, InputMode::kUnicode, InputMode::kUtf8Text}) {
      std::u16string expected = ReadAllUnits(bytes, mode);
      TrickleSource source(bytes, round);
      WideReader reader(&source, mode);
      std::u16string got;
      char16_t buf[5];
      size_t max = 1 + rng() % 5;
      // Mix in unit reads and a push-back, which bulk reads must honour.
      int u = reader.GetUnit();
      if (u >= 0) reader.UngetUnit(static_cast<char16_t>(u));
      while (size_t n = reader.GetUnits(buf, max)) got.append(buf, n);
      EXPECT_FALSE(reader.failed());
      EXPECT_EQ(got, expected) << "round " << round << " mode " << static_cast<int>(mode);
    }
  }
}

TEST(WideReaderTest, BulkReadOfLongMostlyAsciiTextAgreesWithUnitReads) {
  // Long ASCII runs take the many-at-a-time paths; the odd CR, lead byte or
  // UTF-8 sequence must end a run at exactly its place.
  const char* rare[] = {"\r", "\r\n", "\x93\xFA", "\xE6\x97\xA5", "\xF0\x9F\x98\x80", "\xFF", "\xB1"};
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    std::string bytes;
    size_t length = rng() % 5000;
    while (bytes.size() < length) {
      if (rng() % 40 == 0) {
        bytes += rare[rng() % 7];
      } else {
        bytes.push_back(static_cast<char>(' ' + rng() % 95));
      }
    }
    for (InputMode mode : {InputMode::kConsole, InputMode::kText, InputMode::kUnicode}) {
      StringSource source(bytes);
      WideReader reader(&source, mode);
      std::u16string got;
      std::vector<char16_t> buf(4096);
      size_t max = 1 + rng() % buf.size();
      while (size_t n = reader.GetUnits(buf.data(), max)) got.append(buf.data(), n);
      ASSERT_EQ(got, ReadAllUnits(bytes, mode)) << "round " << round;
    }
  }
}

TEST(WideReaderTest, BulkReadOfDenseJapaneseTextAgreesWithUnitReads) {
  // Mostly two-byte characters, broken by short ASCII runs, CR, LF, zero
  // bytes and lone lead bytes, so that every many-at-a-time step stops and
  // resumes anywhere, buffer refills included.
  const std::string_view pieces[] = {"\x93\xFA", "\x96\x7B", "\x82\xA0", "\x83\x41", "\x81\x42",
                                     "\xB1",     "abc",      "\r\n",     "\n",       "\r",
                                     {"\0", 1},  "\x93",     "\xFC\xFC", "x"};
  std::mt19937 rng(13);
  for (int round = 0; round < 20; ++round) {
    std::string bytes;
    size_t length = rng() % 300000;
    while (bytes.size() < length) {
      unsigned pick = rng() % 40;
      if (pick < 20) {
        bytes.append(pieces[rng() % 5]);
      } else if (pick < 30) {
        // Any byte from 0x80 up (lead or not, the edges of the lead
        // stretches included) and any byte after it.
        bytes.push_back(static_cast<char>(0x80 + rng() % 0x80));
        bytes.push_back(static_cast<char>(rng() % 0x100));
      } else {
        bytes.append(pieces[rng() % std::size(pieces)]);
      }
    }
    std::u16string expected = ReadAllUnits(bytes, InputMode::kText);
    for (bool trickle : {false, true}) {
      std::unique_ptr<ByteSource> source;
      if (trickle) {
        source = std::make_unique<TrickleSource>(bytes, round);
      } else {
        source = std::make_unique<StringSource>(bytes);
      }
      WideReader reader(source.get(), InputMode::kText);
      std::u16string got;
      std::vector<char16_t> buf(5000);
      while (size_t n = reader.GetUnits(buf.data(), 1 + rng() % buf.size())) {
        got.append(buf.data(), n);
      }
      ASSERT_EQ(got, expected) << "round " << round << " trickle " << trickle;
    }
    // Lines: the same units, cut after each line feed or at the limit.
    for (size_t limit : {40, 4096}) {
      StringSource source(bytes);
      WideReader reader(&source, InputMode::kText);
      std::vector<char16_t> buf(limit);
      std::u16string got;
      size_t len;
      while (reader.GetLine(buf.data(), limit, &len) == ReadStatus::kOk) {
        std::u16string_view line(buf.data(), len);
        ASSERT_EQ(line, std::u16string_view(expected).substr(got.size(), len));
        ASSERT_TRUE(line.back() == u'\n' || len == limit - 1 ||
                    got.size() + len == expected.size());
        bool ends_line = line.back() == u'\n';
        ASSERT_EQ(line.find(u'\n'), ends_line ? len - 1 : std::u16string_view::npos) << round;
        got += line;
      }
      ASSERT_EQ(got.size(), expected.size()) << "round " << round << " limit " << limit;
    }
  }
}

// UTF-8 text decoded the plainest way, byte by byte: one mark at the start
// skipped, CR LF as LF, each byte that does not begin a valid sequence
// escaped on its own.
std::u16string PlainUtf8Decode(std::string_view bytes) {
  std::u16string out;
  size_t i = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  while (i < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      out.push_back(u'\n');
      i += 2;
      continue;
    }
    size_t length = b < 0x80 ? 1 : b < 0xC2 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF5 ? 4 : 0;
    char32_t cp = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    bool valid = length > 0 && i + length <= bytes.size();
    for (size_t k = 1; valid && k < length; ++k) {
      unsigned char c = static_cast<unsigned char>(bytes[i + k]);
      valid = (c & 0xC0) == 0x80;
      cp = cp << 6 | (c & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && cp >= least[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (!valid) {
      out.push_back(static_cast<char16_t>(0xDC00 + b));
      ++i;
    } else if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
      i += length;
    } else {
      out.push_back(static_cast<char16_t>(cp));
      i += length;
    }
  }
  return out;
}

TEST(WideReaderTest, Utf8TextAgreesWithAPlainDecoder) {
  // Mostly Japanese text, which the fast path takes in whole blocks, with
  // pieces that it must hand on or stop at: the edges of each length,
  // four-byte characters, overlong forms, surrogates in UTF-8, values above
  // U+10FFFF, cut sequences, stray continuations, marks, CR, LF, zero.
  const std::string_view common[] = {"\xE6\x97\xA5", "\xE3\x81\x82", "\xE3\x80\x81", "abc ",
                                     "\xEF\xBD\x81", "\xEF\xBD\xB1", "\n"};
  const std::string_view rare[] = {
      "\r\n", "\r", {"\0", 1}, "\xC3\xA9", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80",
      "\xEF\xBF\xBF", "\xED\x9F\xBF", "\xEE\x80\x80", "\xF0\x9F\x98\x80", "\xF0\x90\x80\x80",
      "\xF4\x8F\xBF\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF",
      "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80",
      "\xF5\x80\x80\x80", "\xE6\x97", "\xF0\x9F\x98", "\xC3", "\x80", "\xBF", "\xFF",
      "\xFE", "\xEF\xBB\xBF", "\xEF\xBB"};
  std::mt19937 rng(17);
  for (int round = 0; round < 400; ++round) {
    std::string bytes = rng() % 3 == 0 ? "\xEF\xBB\xBF" : "";
    size_t length = rng() % (round % 10 == 0 ? 200000 : 600);
    unsigned rare_odds = 1 + rng() % 200;
    while (bytes.size() < length) {
      if (rng() % rare_odds == 0) {
        bytes += rare[rng() % std::size(rare)];
      } else if (rng() % 50 == 0) {
        bytes.push_back(static_cast<char>(rng()));
      } else {
        bytes += common[rng() % std::size(common)];
      }
    }
    std::u16string expected = PlainUtf8Decode(bytes);
    ASSERT_EQ(ReadAllUnits(bytes, InputMode::kUtf8Text), expected) << "round " << round;
    std::unique_ptr<ByteSource> source;
    if (round % 2) {
      source = std::make_unique<TrickleSource>(bytes, round);
    } else {
      source = std::make_unique<StringSource>(bytes);
    }
    WideReader reader(source.get(), InputMode::kUtf8Text);
    std::u16string got;
    std::vector<char16_t> buf(5000);
    while (size_t n = reader.GetUnits(buf.data(), 1 + rng() % buf.size())) {
      got.append(buf.data(), n);
    }
    ASSERT_EQ(got, expected) << "round " << round;
    // Console input is the same UTF-8 without the mark skipped.
    std::u16string console = PlainUtf8Decode("\xE6\x97\xA5" + bytes).substr(1);
    ASSERT_EQ(ReadAllUnits(bytes, InputMode::kConsole), console) << "round " << round;
  }
}

TEST(WideReaderTest, NoPairOfCodePage932IsALineFeed) {
  // Line reading ends a line at a line feed byte or CR LF only.
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!Cp932IsLeadByte(static_cast<uint8_t>(lead))) continue;
    for (int trail = 1; trail < 256; ++trail) {
      ASSERT_NE(Cp932PairToUnit(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)), u'\n');
    }
  }
}

TEST(WideReaderTest, AsciiBytesAreTheirOwnUnitsInCodePage932) {
  // The bulk text decoder relies on it.
  for (int b = 0; b < 0x80; ++b) EXPECT_EQ(Cp932SingleByteToUnit(static_cast<uint8_t>(b)), b);
}

TEST(WideReaderTest, BulkReadReportsErrorAfterTheGoodBytes) {
  StringSource source("abcdef");
  source.FailAfter(4);
  WideReader reader(&source, InputMode::kConsole);
  std::u16string got;
  char16_t buf[16];
  while (size_t n = reader.GetUnits(buf, 16)) got.append(buf, n);
  EXPECT_EQ(got, u"abcd");
  EXPECT_TRUE(reader.failed());
}

}  // namespace
}  // namespace tv
