// The per-file choice of the text code page held to a plain decode over
// generated files: UTF-8 with and without multi-byte characters, Shift_JIS
// (some of it valid UTF-8 by chance), control and zero bytes, marks, broken
// and cut-off sequences; read whole, in pieces, and from a source that
// cannot be read twice.
#include "platform/text_code_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "platform/cp932.h"
#include "platform/utf16.h"
#include "platform/trickle_source.h"
#include "platform/utf8_check.h"

namespace tv {
namespace {

std::string Generate(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string text = pick(8) == 0 ? "\xEF\xBB\xBF" : "";
  const int kind = pick(4);  // ASCII, UTF-8, Shift_JIS, anything
  size_t length = static_cast<size_t>(pick(4) == 0 ? pick(3000) : pick(120));
  while (text.size() < length) {
    switch (pick(6)) {
      case 0:
        text += "plain\r\n";
        break;
      case 1:
        text.push_back(static_cast<char>(pick(0x20)));  // control bytes, zero too
        break;
      default:
        if (kind == 1) {
          // Any scalar value: the planes up to 16, mostly the BMP.
          char32_t top = pick(3) == 0 ? 0x10FFFF : 0xFFFF;
          char32_t cp = static_cast<char32_t>(rng() % (top + 1));
          if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0x3042;
          AppendUtf8(cp, &text);
        } else if (kind == 2) {
          // Kana and kanji in code page 932; runs of E0-EF leads now and
          // then pass for UTF-8.
          char16_t unit = static_cast<char16_t>(0x3041 + pick(0x6000));
          text += Utf16ToCp932(std::u16string(1, unit));
        } else if (kind == 3) {
          text.push_back(static_cast<char>(rng()));
        }
    }
  }
  // Now and then one byte broken or the end cut off.
  if (!text.empty() && pick(5) == 0) text[rng() % text.size()] = static_cast<char>(rng());
  if (!text.empty() && pick(5) == 0) text.resize(rng() % text.size());
  return text;
}

std::u16string ReadAll(WideReader& reader) {
  std::u16string units;
  for (int u; (u = reader.GetUnit()) >= 0;) units.push_back(static_cast<char16_t>(u));
  return units;
}

TEST(TextCodePageTest, PerFileChoiceAgreesWithAPlainDecode) {
  std::mt19937 rng(2026);
  int utf8_files = 0, cp932_files = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string text = Generate(rng);
    bool multi_byte = false;
    const bool valid = IsUtf8ByteByByte(text, &multi_byte);
    const InputMode expected = valid && multi_byte ? InputMode::kUtf8Text : InputMode::kText;
    (expected == InputMode::kUtf8Text ? utf8_files : cp932_files)++;
    SCOPED_TRACE(testing::PrintToString(text));

    // The check itself, over pieces cut anywhere.
    Utf8Check check;
    for (size_t at = 0; at < text.size();) {
      size_t piece = 1 + rng() % (rng() % 2 ? 4 : 200);
      check.Feed(std::string_view(text).substr(at, piece));
      at += piece;
    }
    ASSERT_EQ(check.Valid(), valid);
    ASSERT_EQ(check.ValidWithMultiByte(), valid && multi_byte);

    // A file read again from its start, and a pipe held: the same choice,
    // and the text read from the start in that mode.
    WideReader plain(std::make_unique<StringSource>(text), expected);
    const std::u16string units = ReadAll(plain);
    std::unique_ptr<ByteSource> file = std::make_unique<StringSource>(text);
    std::unique_ptr<ByteSource> pipe = std::make_unique<TrickleSource>(text, rng(), 300);
    for (std::unique_ptr<ByteSource>* source : {&file, &pipe}) {
      ASSERT_EQ(ChooseTextMode(CodePageSetting::kPerFile, source), expected);
      WideReader reader(std::move(*source), expected);
      ASSERT_EQ(ReadAll(reader), units);
    }
  }
  EXPECT_GT(utf8_files, 800);
  EXPECT_GT(cp932_files, 800);
}

// One piece of a text for the block checks: an ASCII run, a valid sequence
// of 2-4 bytes (range ends often), or one of each kind UTF-8 forbids.
std::string Utf8Piece(std::mt19937& rng, bool wrong) {
  auto in = [&](unsigned low, unsigned high) {
    return low + static_cast<unsigned>(rng() % (high - low + 1));
  };
  auto near = [&](unsigned low, unsigned high) {
    unsigned k = rng() % 4;
    return k == 0 ? low : k == 1 ? high : in(low, high);
  };
  auto bytes = [&](std::initializer_list<unsigned> list) {
    std::string s;
    for (unsigned b : list) s.push_back(static_cast<char>(b));
    return s;
  };
  std::string s;
  const unsigned from[] = {0x80, 0x800, 0xE000, 0x10000}, to[] = {0x7FF, 0xD7FF, 0xFFFF, 0x10FFFF};
  const unsigned form = rng() % 4;
  if (!wrong) {
    if (rng() % 3 == 0) {
      for (unsigned n = in(1, 70); n > 0; --n) s.push_back(static_cast<char>(in(0, 0x7F)));
    } else {
      AppendUtf8(near(from[form], to[form]), &s);
    }
    return s;
  }
  const unsigned cont = 0x80, top = 0xBF;  // the continuation bytes
  switch (rng() % 8) {
    case 0:  // overlong
      return bytes({in(0xC0, 0xC1), in(cont, top)});
    case 1:  // overlong
      return bytes({0xE0, in(cont, 0x9F), in(cont, top)});
    case 2:  // overlong
      return bytes({0xF0, in(cont, 0x8F), in(cont, top), in(cont, top)});
    case 3:  // surrogate
      return bytes({0xED, in(0xA0, top), in(cont, top)});
    case 4:  // above U+10FFFF
      return bytes({0xF4, in(0x90, top), in(cont, top), in(cont, top)});
    case 5:  // a byte that starts nothing, alone or with continuations
      return bytes({in(0xF5, 0xFF), in(cont, top), in(cont, top), in(cont, top)})
          .substr(0, in(1, 4));
    case 6:  // a stray continuation
      return bytes({in(cont, top)});
    default:  // a sequence cut off
      AppendUtf8(near(from[form], to[form]), &s);
      s.resize(in(1, static_cast<unsigned>(s.size()) - 1));
      return s;
  }
}

TEST(Utf8CheckTest, EveryMethodAgreesWithAPlainDecode) {
  std::mt19937 rng(64);
  int valid_texts = 0, invalid_texts = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const unsigned count = rng() % 60, wrong_at = rng() % 3 == 0 ? rng() % (count + 1) : ~0u;
    for (unsigned i = 0; i <= count; ++i) {
      // Often the next piece starts up to three bytes short of a 16-, 32-
      // or 64-byte edge, so that it straddles one.
      if (rng() % 3 == 0) {
        size_t unit = size_t{16} << rng() % 3, edge = (text.size() / unit + 1) * unit;
        text.resize(std::max(text.size(), edge - rng() % 4), 'a');
      }
      text += Utf8Piece(rng, i == wrong_at);
    }
    bool multi_byte = false;
    const bool valid = IsUtf8ByteByByte(text, &multi_byte);
    (valid ? valid_texts : invalid_texts)++;
    SCOPED_TRACE(testing::PrintToString(text));
    for (Utf8CheckMethod method : {Utf8CheckMethod::kBytes, Utf8CheckMethod::kSse2,
                                   Utf8CheckMethod::kSsse3, Utf8CheckMethod::kAvx2}) {
      if (!Utf8CheckMethodRuns(method)) continue;
      SCOPED_TRACE(static_cast<int>(method));
      Utf8Check whole(method), cut(method);
      whole.Feed(text);
      for (size_t at = 0; at < text.size();) {
        size_t piece = 1 + rng() % (rng() % 2 ? 8 : 150);
        cut.Feed(std::string_view(text).substr(at, piece));
        at += piece;
        // Giving up early is right only for a text that is not UTF-8.
        ASSERT_TRUE(valid ? !cut.failed() : true);
      }
      for (Utf8Check* check : {&whole, &cut}) {
        ASSERT_EQ(check->Valid(), valid);
        ASSERT_EQ(check->ValidWithMultiByte(), valid && multi_byte);
      }
    }
  }
  EXPECT_GT(valid_texts, 1000);
  EXPECT_GT(invalid_texts, 700);
}

TEST(TextCodePageTest, SettingsAndForcedModes) {
  const std::pair<std::optional<std::string_view>, std::optional<CodePageSetting>> cases[] = {
      {std::nullopt, CodePageSetting::kPerFile},
      {"", CodePageSetting::kPerFile},
      {"auto", CodePageSetting::kPerFile},
      {"Auto", CodePageSetting::kPerFile},
      {"932", CodePageSetting::kCp932},
      {"65001", CodePageSetting::kUtf8},
      {"utf-8", CodePageSetting::kUtf8},
      {"UTF8", CodePageSetting::kUtf8},
      {"uTf8", CodePageSetting::kUtf8},
      {"UTF_8", std::nullopt},
      {" 932", std::nullopt},
      {"1252", std::nullopt},
  };
  for (const auto& [value, setting] : cases) {
    EXPECT_EQ(CodePageSettingFor(value), setting) << value.value_or("(unset)");
  }
  // A forced code page reads nothing ahead.
  for (auto [setting, mode] : {std::pair{CodePageSetting::kCp932, InputMode::kText},
                               std::pair{CodePageSetting::kUtf8, InputMode::kUtf8Text}}) {
    std::unique_ptr<ByteSource> pipe = std::make_unique<TrickleSource>("\xE3\x81\x82", 1, 300);
    ByteSource* before = pipe.get();
    EXPECT_EQ(ChooseTextMode(setting, &pipe), mode);
    EXPECT_EQ(pipe.get(), before);
  }
}

}  // namespace
}  // namespace tv
