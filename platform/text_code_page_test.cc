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

TEST(TextCodePageTest, SettingsAndForcedModes) {
  const std::pair<std::optional<std::string_view>, std::optional<CodePageSetting>> cases[] = {
      {std::nullopt, CodePageSetting::kPerFile}, {"", CodePageSetting::kPerFile},
      {"auto", CodePageSetting::kPerFile},       {"Auto", CodePageSetting::kPerFile},
      {"932", CodePageSetting::kCp932},          {"65001", CodePageSetting::kUtf8},
      {"utf-8", CodePageSetting::kUtf8},         {"UTF8", CodePageSetting::kUtf8},
      {"uTf8", CodePageSetting::kUtf8},          {"UTF_8", std::nullopt},
      {" 932", std::nullopt},                    {"1252", std::nullopt},
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
