#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

namespace tv {
namespace {

// The data file read on its own terms (lead bytes from the DBCSTABLE
// comments, not from the ranges) to check the generated tables entry by entry.
struct BestFit {
  std::map<int, int> single, wide;
  std::map<int, std::map<int, int>> pairs;  // lead -> trail -> unit
};

BestFit ReadBestFit() {
  std::ifstream in(TV_SOURCE_DIR "/third_party/cp932/bestfit932.txt", std::ios::binary);
  EXPECT_TRUE(in) << "data file missing";
  BestFit table;
  std::string line, section;
  int left = 0, lead = 0;
  while (std::getline(in, line)) {
    std::string comment;
    if (size_t semi = line.find(';'); semi != std::string::npos) {
      comment = line.substr(semi);
      line.resize(semi);
    }
    std::istringstream fields(line);
    std::string a, b;
    if (!(fields >> a)) continue;
    if (a.rfind("0x", 0) != 0) {
      section = a;
      fields >> left;
      if (section == "DBCSTABLE") {
        size_t at = comment.find("LeadByte = ");
        lead = at == std::string::npos ? -1 : std::stoi(comment.substr(at + 11), nullptr, 16);
      }
      if (section == "ENDCODEPAGE") break;
      continue;
    }
    if (left == 0 || !(fields >> b)) continue;  // a lead byte range line
    --left;
    int from = std::stoi(a, nullptr, 16), to = std::stoi(b, nullptr, 16);
    if (section == "MBTABLE") table.single[from] = to;
    if (section == "DBCSTABLE") table.pairs[lead][from] = to;
    if (section == "WCTABLE") table.wide[from] = to;
  }
  return table;
}

std::string Hex(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", v);
  return buf;
}

// The four characters mended on the way to bytes: unit, bytes, and the unit
// those bytes still give back.
struct Mend {
  char16_t unit;
  int bytes;
  char16_t back;
};
constexpr Mend kMends[] = {
    {0x2014, 0x815C, 0x2015},  // em dash
    {0x301C, 0x8160, 0xFF5E},  // wave dash
    {0x2016, 0x8161, 0x2225},  // double vertical line
    {0x2212, 0x817C, 0xFF0D},  // minus sign
};

TEST(Cp932Test, AgreesWithTheDataFileAndTheMends) {
  BestFit table = ReadBestFit();
  ASSERT_EQ(table.single.size(), 196u);
  ASSERT_EQ(table.pairs.size(), 60u);
  ASSERT_EQ(table.wide.size(), 9486u);
  for (const Mend& m : kMends) {
    ASSERT_EQ(table.wide.count(m.unit), 0u) << Hex(m.unit);
    ASSERT_EQ(table.pairs[m.bytes >> 8][m.bytes & 0xFF], m.back) << Hex(m.bytes);
    table.wide[m.unit] = m.bytes;
  }
  for (int byte = 0; byte < 256; ++byte) {
    bool lead = table.pairs.count(byte) != 0;
    EXPECT_EQ(Cp932IsLeadByte(byte), lead) << Hex(byte);
    // Every byte that leads nothing has its own entry: no single-byte default.
    EXPECT_EQ(table.single.count(byte), lead ? 0u : 1u) << Hex(byte);
    if (!lead) {
      EXPECT_EQ(Cp932SingleByteToUnit(byte), table.single[byte]) << Hex(byte);
    }
  }
  for (auto& [lead, trails] : table.pairs) {
    for (int trail = 0; trail < 256; ++trail) {
      auto it = trails.find(trail);
      int expected = it == trails.end() || trail == 0 ? 0x30FB : it->second;
      ASSERT_EQ(Cp932PairToUnit(lead, trail), expected) << Hex(lead << 8 | trail);
    }
  }
  for (int unit = 0; unit < 0x10000; ++unit) {
    auto it = table.wide.find(unit);
    int expected = it == table.wide.end() ? '?' : it->second;
    uint8_t out[2];
    int len = Cp932UnitToBytes(unit, out);
    int got = len == 2 ? out[0] << 8 | out[1] : out[0];
    ASSERT_EQ(got, expected) << Hex(unit);
    ASSERT_EQ(len, expected > 0xFF ? 2 : 1) << Hex(unit);
  }
}

// Bytes, the unit they give, and the bytes that unit gives back.
struct Case {
  std::string bytes;
  char16_t unit;
  std::string back;
};

TEST(Cp932Test, KnownCharacters) {
  const Case cases[] = {
      {"A", u'A', "A"},
      {"\x5c", u'\\', "\x5c"},
      {"\x80", 0x0080, "\x80"},
      {"\xa0", 0xF8F0, "\xa0"},
      {"\xa1", 0xFF61, "\xa1"},  // half-width katakana
      {"\xb1", 0xFF71, "\xb1"},
      {"\xdf", 0xFF9F, "\xdf"},
      {"\xfd", 0xF8F1, "\xfd"},
      {"\xff", 0xF8F3, "\xff"},
      {"\x82\xa0", u'あ', "\x82\xa0"},
      {"\x93\xfa", u'日', "\x93\xfa"},
      {"\x81\x45", 0x30FB, "\x81\x45"},
      {"\xf0\x40", 0xE000, "\xf0\x40"},  // user-defined area
      {"\xf9\xfc", 0xE757, "\xf9\xfc"},
      // Duplicates: each goes back to the one pair the table picks.
      {"\x87\x90", 0x2252, "\x81\xe0"},  // NEC row 13 and JIS row 2
      {"\xfa\x5b", 0x2235, "\x81\xe6"},
      {"\xfa\x4a", 0x2160, "\x87\x54"},  // IBM extension to NEC row 13
      {"\xee\xef", 0x2170, "\xfa\x40"},  // NEC-selected IBM to IBM
      {"\xed\x40", 0x7E8A, "\xfa\x5c"},
      {"\xee\xf9", 0xFFE2, "\x81\xca"},
      {"\xfa\x54", 0xFFE2, "\x81\xca"},
      // Pairs with no entry, whatever the trail byte.
      {"\x85\x40", 0x30FB, "\x81\x45"},
      {"\x81\x20", 0x30FB, "\x81\x45"},
      {"\x81\x7f", 0x30FB, "\x81\x45"},
      {"\xfc\xfc", 0x30FB, "\x81\x45"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Hex(c.unit));
    EXPECT_EQ(Cp932ToUtf16(c.bytes), std::u16string(1, c.unit));
    EXPECT_EQ(Utf16ToCp932(std::u16string(1, c.unit)), c.back);
  }
}

TEST(Cp932Test, UnitsWithNoEntryGiveQuestionMark) {
  // Best fit where the table has one, '?' elsewhere; surrogates unit by unit.
  EXPECT_EQ(Utf16ToCp932(u"\u00a5\u00a6"), "\x5c\x7c");
  EXPECT_EQ(Utf16ToCp932(u"\u203e\ufffd\u2013"), "???");
  EXPECT_EQ(Utf16ToCp932(u"a\U0001F600b"), "a??b");
  EXPECT_EQ(Utf16ToCp932(std::u16string{0xD800, 0xDC80, 0xDFFF}), "???");
}

TEST(Cp932Test, MendedCharactersInEveryShape) {
  for (const Mend& m : kMends) {
    SCOPED_TRACE(Hex(m.unit));
    const std::string bytes = {static_cast<char>(m.bytes >> 8), static_cast<char>(m.bytes)};
    const char16_t text[] = {u'a', m.unit, u'b', 0};
    EXPECT_EQ(Utf16ToCp932(std::u16string_view(text, 3)), "a" + bytes + "b");
    char out[8];
    ASSERT_EQ(Utf16ToCp932(text, kUpToZero, out, sizeof out), 5u);
    EXPECT_EQ(std::string(out, 4), "a" + bytes + "b");
    // The way back is the table's.
    EXPECT_EQ(Cp932ToUtf16(bytes), std::u16string(1, m.back));
    EXPECT_EQ(Utf16ToCp932(std::u16string(1, m.back)), bytes);
  }
}

TEST(Cp932Test, LeadByteWithoutTrail) {
  using namespace std::string_literals;
  EXPECT_EQ(Cp932ToUtf16("A\x81"), u"A\u30fb");
  EXPECT_EQ(Cp932ToUtf16("\x81\0B"s), u"\u30fb\0B"s);  // the zero stays
  EXPECT_EQ(Cp932ToUtf16("\xfc\0"s), u"\u30fb\0"s);
  EXPECT_EQ(Cp932PairToUnit(0x82, 0), 0x30FB);
  EXPECT_EQ(Cp932SingleByteToUnit(0x82), 0x30FB);

  char16_t out[4] = {1, 1, 1, 1};
  EXPECT_EQ(Cp932ToUtf16("\x82", kUpToZero, out, 4), 2u);
  EXPECT_EQ(out[0], 0x30FB);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(Cp932ToUtf16("x\x82", 2, out, 4), 2u);  // lead byte at the given end
  EXPECT_EQ(out[1], 0x30FB);
}

TEST(Cp932Test, RoundTrip) {
  const std::u16string text = u"日本語のテキスト、ｶﾀｶﾅ と ABC 123 ①Ⅹ㈱\r\n\t\u0001";
  std::string bytes = Utf16ToCp932(text);
  EXPECT_EQ(Cp932ToUtf16(bytes), text);
  EXPECT_EQ(Utf16ToCp932(std::u16string_view()), "");
  EXPECT_EQ(Cp932ToUtf16(std::string_view()), u"");
}

TEST(Cp932Test, CallShapesAndSizeQuery) {
  const char src[] = "\x93\xfa" "a\0zz";  // 日 a, a zero, then more
  char16_t dst[8];
  // Up to and including the first zero.
  EXPECT_EQ(Cp932ToUtf16(src, kUpToZero, nullptr, 0), 3u);
  EXPECT_EQ(Cp932ToUtf16(src, kUpToZero, dst, 0), 3u);
  ASSERT_EQ(Cp932ToUtf16(src, kUpToZero, dst, 8), 3u);
  EXPECT_EQ(std::u16string(dst, 3), std::u16string(u"日a\0", 3));
  // A given length runs through the zero.
  EXPECT_EQ(Cp932ToUtf16(src, 6, nullptr, 5), 5u);
  ASSERT_EQ(Cp932ToUtf16(src, 6, dst, 5), 5u);
  EXPECT_EQ(std::u16string(dst, 5), std::u16string(u"日a\0zz", 5));

  const char16_t text[] = u"日a\0z";
  char out[8];
  EXPECT_EQ(Utf16ToCp932(text, kUpToZero, nullptr, 0), 4u);
  ASSERT_EQ(Utf16ToCp932(text, kUpToZero, out, 4), 4u);
  EXPECT_EQ(std::string(out, 4), std::string("\x93\xfa" "a\0", 4));
  EXPECT_EQ(Utf16ToCp932(text, 4, out, 0), 5u);
  ASSERT_EQ(Utf16ToCp932(text, 4, out, 8), 5u);
  EXPECT_EQ(std::string(out, 5), std::string("\x93\xfa" "a\0z", 5));
  EXPECT_EQ(Cp932ToUtf16(nullptr, kUpToZero, dst, 8), 0u);
  EXPECT_EQ(Utf16ToCp932(nullptr, kUpToZero, out, 8), 0u);
}

TEST(Cp932Test, TooSmallBufferWritesNothingBeyondIt) {
  const char* src = "\x93\xfa" "ab";
  for (size_t src_len : {kUpToZero, size_t{3}, size_t{4}}) {
    size_t need = Cp932ToUtf16(src, src_len, nullptr, 0);
    for (size_t cap = 1; cap < need; ++cap) {
      char16_t dst[8] = {7, 7, 7, 7, 7, 7, 7, 7};
      EXPECT_EQ(Cp932ToUtf16(src, src_len, dst, cap), 0u) << src_len << " " << cap;
      for (size_t i = cap; i < 8; ++i) EXPECT_EQ(dst[i], 7) << cap << " " << i;
    }
  }
  // A pair never splits: one byte left for a two-byte character fails.
  for (size_t cap : {1, 2, 3}) {
    char out[4] = {7, 7, 7, 7};
    EXPECT_EQ(Utf16ToCp932(u"a日", 2, out, cap), cap == 3 ? 3u : 0u) << cap;
    if (cap < 3) {
      for (size_t i = cap; i < 4; ++i) EXPECT_EQ(out[i], 7) << cap << " " << i;
    }
  }
}

TEST(Cp932Test, ArbitraryBytesAgreeAcrossShapes) {
  std::mt19937 rng(932);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(rng() % 64, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() % 4 ? 0x80 + rng() % 0x80 : rng() % 0x80);
    std::u16string whole = Cp932ToUtf16(bytes);
    ASSERT_EQ(Cp932ToUtf16(bytes.data(), bytes.size(), nullptr, 0), whole.size());
    std::u16string exact(whole.size() + 1, u'\x7');
    if (!whole.empty()) {
      ASSERT_EQ(Cp932ToUtf16(bytes.data(), bytes.size(), exact.data(), whole.size()),
                whole.size());
      EXPECT_EQ(exact.substr(0, whole.size()), whole);
      EXPECT_EQ(exact.back(), u'\x7');
    }
    if (whole.size() > 1) {  // a capacity of 0 would be the size query
      EXPECT_EQ(Cp932ToUtf16(bytes.data(), bytes.size(), exact.data(), whole.size() - 1), 0u);
    }
    std::string back = Utf16ToCp932(whole);
    EXPECT_EQ(Utf16ToCp932(whole.data(), whole.size(), nullptr, 0), back.size());
    EXPECT_EQ(Cp932ToUtf16(back), whole);  // decoded text always survives re-encoding
  }
}

}  // namespace
}  // namespace tv
