// KANVO between Unicode forms, through its command line, held to a plain
// decode and encode of the same characters, drawn from all of Unicode's
// planes: every character arrives whole; only the mark and the line breaks
// change. And the count of what a conversion to a legacy code replaced.
#include "tools/kanvo/unicode_recode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/fake_env.h"
#include "platform/utf16.h"
#include "tools/kanvo/kanvo.h"
#include "tools/kanvo/newline.h"

namespace kanvo {
namespace {

struct Form {
  const char16_t* keyword;
  TextCode code;
};
constexpr Form kForms[] = {{u"UTF8", CODE_UTF8}, {u"UTF8N", CODE_UTF8N}, {u"UNICODE", CODE_UNICODE}};

std::string Encode(const std::u32string& text, TextCode code) {
  std::string bytes = code == CODE_UTF8 ? "\xEF\xBB\xBF" : code == CODE_UNICODE ? "\xFF\xFE" : "";
  for (char32_t cp : text) {
    if (code != CODE_UNICODE) {
      tv::AppendUtf8(cp, &bytes);
      continue;
    }
    std::u16string units;
    if (cp >= 0x10000) {
      units = {static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)),
               static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
    } else {
      units = {static_cast<char16_t>(cp)};
    }
    for (char16_t u : units) {
      bytes.push_back(static_cast<char>(u & 0xFF));
      bytes.push_back(static_cast<char>(u >> 8));
    }
  }
  return bytes;
}

// Every `from` sequence of line-break characters replaced by `to`.
std::u32string Rewritten(const std::u32string& text, NewlineKind from, NewlineKind to) {
  if (from == to) return text;
  auto chars = [](NewlineSequence s) {
    std::u32string out;
    for (size_t k = 0; k < s.size; ++k) out.push_back(s.units[k]);
    return out;
  };
  const std::u32string sought = chars(SoughtSequence(from)), with = chars(ReplacementSequence(to));
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, sought.size(), sought) == 0) {
      out += with;
      i += sought.size();
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

// Characters from every plane (surrogate code points excepted), with line
// breaks of every kind among them.
std::u32string Characters(std::mt19937& rng, size_t count) {
  static const char32_t kBreaks[][3] = {{'\r', '\n'}, {'\n'}, {'\r'}};
  std::u32string text;
  while (text.size() < count) {
    unsigned pick = rng() % 10;
    if (pick == 0) {
      text += kBreaks[rng() % 3];
    } else if (pick == 1) {
      text.push_back(static_cast<char32_t>(0x20 + rng() % 0x5F));
    } else {
      char32_t plane = rng() % 17;
      char32_t cp = plane << 16 | (rng() & 0xFFFF);
      if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFEFF;  // the mark character, inside the text
      text.push_back(cp);
    }
  }
  return text;
}

TEST(UnicodeRecodeTest, EveryCharacterArrivesWhole) {
  std::mt19937 rng(17);
  const std::pair<const char16_t*, NewlineKind> kTargets[] = {
      {u"", NL_NONE}, {u" /N CRLF", NL_CRLF}, {u" /N LF", NL_LF}, {u" /N CR", NL_CR}};
  for (int round = 0; round < 200; ++round) {
    const std::u32string text = Characters(rng, rng() % 3 == 0 ? 30000 : rng() % 200);
    const Form& from = kForms[rng() % 3];
    const Form& to = kForms[rng() % 3];
    const auto [target, target_kind] = kTargets[rng() % 4];
    const std::string input = Encode(text, from.code);
    tv::FakeEnv env;
    env.share = u"\\w\\";
    env.AddFile("/w/in", input);
    std::u16string line =
        u"/I " + std::u16string(from.keyword) + u" /O " + to.keyword + target + u" in out";
    SCOPED_TRACE(tv::Utf16ToUtf8(line));
    ASSERT_EQ(KanvoMain(env, line), 0);
    NewlineKind current = DetectNewlineKind(input);
    NewlineKind wanted = target_kind == NL_NONE ? DefaultNewlineTarget(to.code) : target_kind;
    ASSERT_EQ(env.files["/w/out"].bytes, Encode(Rewritten(text, current, wanted), to.code));
    EXPECT_EQ(env.stderr_sink.bytes(), "");
  }
}

TEST(UnicodeRecodeTest, ReplacedCharactersAreCountedOnStandardError) {
  struct Case {
    std::u16string line;
    std::string input;
    std::string err;
  } cases[] = {
      // U+00E9 has only a best fit, U+1F600 no form, U+4E2D and ASCII one each.
      {u"/I UTF8N /O SJIS in out", "caf\xC3\xA9 \xF0\x9F\x98\x80 \xE4\xB8\xAD",
       "KANVO: 2 文字を変換できず置き換えました\n"},
      {u"/I UTF8N /O EUC in", "\xF0\x9F\x98\x80", "KANVO: 1 文字を変換できず置き換えました\n"},
      // A pair with no form counts once.
      {u"/I UNICODE /O JIS in out", std::string("\x3D\xD8\x00\xDE\x41\x00", 6),
       "KANVO: 1 文字を変換できず置き換えました\n"},
      {u"/I EUC /O UTF8 in out", "\x8F\xB0\xA1\xB4\xC1", "KANVO: 1 文字を変換できず置き換えました\n"},
      // Nothing lost: nothing said.
      {u"/I UTF8N /O SJIS in out", "\xE4\xB8\xAD", ""},
      {u"/I UTF8N /O UNICODE in out", "caf\xC3\xA9 \xF0\x9F\x98\x80", ""},
      {u"/I SJIS /O UTF8 in out", "\x82\xA0", ""},
  };
  for (const Case& c : cases) {
    tv::FakeEnv env;
    env.share = u"\\w\\";
    env.AddFile("/w/in", c.input);
    SCOPED_TRACE(tv::Utf16ToUtf8(c.line));
    EXPECT_EQ(KanvoMain(env, c.line), 0);
    EXPECT_EQ(env.stderr_sink.bytes(), c.err);
  }
}

}  // namespace
}  // namespace kanvo
