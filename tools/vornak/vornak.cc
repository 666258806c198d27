#include "tools/vornak/vornak.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/case_map.h"
#include "platform/wide_writer.h"
#include "runtime/filter_input.h"
#include "runtime/option_scan.h"
#include "runtime/path_argument.h"
#include "runtime/tool_message.h"
#include "tools/vornak/upper_utf8.h"

namespace tv::vornak {

namespace {

constexpr char16_t kInputError[] = u"入力ファイルの読み込みでエラーが発生しました。";
constexpr char16_t kOutputError[] = u"データの出力中にエラーが発生しました。";

// The usage is kept as code page 932 bytes and shown through the code page.
constexpr char kUsageLine1[] = "vornak [/U] [filename]\n";
constexpr char kUsageLine2[] =
    " /U  \x8E\x77\x92\xE8\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCD Unicode\n";

constexpr size_t kChunkUnits = 8 * 1024;

}  // namespace

char16_t UpperCaseUnit(char16_t u) {
  if (u < 0x80) return (u >= u'a' && u <= u'z') ? u - (u'a' - u'A') : u;
  // Kana and kanji, the bulk of Japanese text, have no case.
  if (u >= 0x3040 && u < 0xA000) return u;
  return ToUpperUnit(u);
}

#if defined(__SSE2__)
namespace {

// Lanes of v that lie in [low, high), as all-ones lanes (unsigned: the
// distance from low is below the width exactly when saturating subtraction
// of width - 1 leaves zero).
__m128i InRange(__m128i v, uint16_t low, uint16_t high) {
  __m128i distance = _mm_sub_epi16(v, _mm_set1_epi16(static_cast<short>(low)));
  __m128i beyond = _mm_subs_epu16(distance, _mm_set1_epi16(static_cast<short>(high - low - 1)));
  return _mm_cmpeq_epi16(beyond, _mm_setzero_si128());
}

// The stretches with no letter that has an upper case, which hold nearly
// all Japanese text: punctuation and symbols, kana and kanji, and the
// half- and full-width forms (whose full-width letters are handled with
// ASCII's). The test beside this file checks every unit against the table.
__m128i Caseless(__m128i v) {
  __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))),
                                  _mm_setzero_si128());
  __m128i symbols =
      _mm_or_si128(_mm_or_si128(InRange(v, 0x2000, 0x2140), InRange(v, 0x2190, 0x24D0)),
                   InRange(v, 0x24EA, 0x2C00));
  __m128i cjk = _mm_or_si128(InRange(v, 0x2E00, 0xA640), InRange(v, 0xAC00, 0xFFFF));
  __m128i last = _mm_cmpeq_epi16(v, _mm_set1_epi16(-1));  // U+FFFF, past the range's end
  return _mm_or_si128(_mm_or_si128(ascii, symbols), _mm_or_si128(cjk, last));
}

// The first, cheaper test: ASCII, kana, kanji and the forms from U+FF00.
__m128i MostlyCaseless(__m128i v) {
  __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))),
                                  _mm_setzero_si128());
  __m128i forms = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF00))),
                                  _mm_set1_epi16(static_cast<short>(0xFF00)));
  return _mm_or_si128(_mm_or_si128(ascii, forms), InRange(v, 0x3000, 0xA000));
}

}  // namespace
#endif

void UpperCaseUnits(char16_t* units, size_t count) {
  size_t i = 0;
#if defined(__SSE2__)
  // Eight units at a time. ASCII and full-width small letters lose 0x20
  // (the signed compares pick out exactly 'a'..'z' and U+FF41..U+FF5A,
  // since units from 0x8000 count as negative); a block with any unit
  // outside the caseless stretches goes through the table as well.
  const __m128i case_bit = _mm_set1_epi16(0x20);
  for (; i + 8 <= count; i += 8) {
    __m128i* at = reinterpret_cast<__m128i*>(units + i);
    __m128i v = _mm_loadu_si128(at);
    __m128i ascii_small = _mm_and_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(u'a' - 1)),
                                        _mm_cmplt_epi16(v, _mm_set1_epi16(u'z' + 1)));
    __m128i wide_small =
        _mm_and_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(static_cast<short>(0xFF41 - 1))),
                      _mm_cmplt_epi16(v, _mm_set1_epi16(static_cast<short>(0xFF5A + 1))));
    __m128i small = _mm_or_si128(ascii_small, wide_small);
    _mm_storeu_si128(at, _mm_sub_epi16(v, _mm_and_si128(small, case_bit)));
    if (_mm_movemask_epi8(MostlyCaseless(v)) != 0xFFFF &&
        _mm_movemask_epi8(Caseless(v)) != 0xFFFF) {
      for (size_t k = i; k < i + 8; ++k) units[k] = UpperCaseUnit(units[k]);
    }
  }
#endif
  // Most text is ASCII: four units at a time spare it the table. In each
  // 16-bit lane of a unit below 0x80, adding 0x1F sets bit 7 from 'a' up
  // and adding 0x05 sets it past 'z'; the lanes in between lose 0x20.
  for (; i + 4 <= count; i += 4) {
    uint64_t word;
    std::memcpy(&word, units + i, 8);
    if ((word & 0xFF80FF80FF80FF80ull) == 0) {
      uint64_t from_a = word + 0x001F001F001F001Full;
      uint64_t past_z = word + 0x0005000500050005ull;
      word -= (from_a & ~past_z & 0x0080008000800080ull) >> 2;
      std::memcpy(units + i, &word, 8);
    } else {
      for (size_t k = i; k < i + 4; ++k) units[k] = UpperCaseUnit(units[k]);
    }
  }
  for (; i < count; ++i) units[i] = UpperCaseUnit(units[i]);
}

namespace {

// Whole chunks rather than lines: the text passes unit for unit anyway.
// False when reading failed.
bool UpperCaseUnitStream(WideReader& in, WideWriter& out) {
  std::unique_ptr<char16_t[]> chunk(new char16_t[kChunkUnits]);
  for (;;) {
    size_t n = in.GetUnits(chunk.get(), kChunkUnits);
    if (n == 0) return !in.failed();
    UpperCaseUnits(chunk.get(), n);
    // Failure is the stream's error state; no unit value can stand for it.
    if (!out.PutString({chunk.get(), n})) return true;
  }
}

}  // namespace

void PrintUsage(WideWriter& out) {
  out.PutNarrow(kUsageLine1);
  out.PutNarrow(kUsageLine2);
}

int ToolMain(Env& env, const std::u16string& command_line) {
  std::optional<CodePageSetting> code_page = ChosenCodePage(env);
  if (!code_page) return -1;
  WideWriter out(&env.StdOut());
  OptionScan options = ScanOptions(command_line.c_str(), u"U");
  if (options.help) {
    PrintUsage(out);
    // A usage that did not reach its reader is a failed write like any other.
    if (!out.Flush()) {
      PrintToolMessage(env, out, kOutputError);
      return -1;
    }
    return 0;
  }

  std::unique_ptr<ByteSource> file;
  ByteSource* source = &env.StdIn();
  InputMode mode = InputMode::kConsole;
  if (options.file_argument != nullptr) {
    char16_t path[kPathUnits];
    ResolveFileArgument(env, path, options.file_argument);
    file = OpenInputFile(env, path, options.Has(u'U'), *code_page, &mode);
    if (!file) {
      PrintToolMessage(env, out, kInputError);
      return -1;
    }
    source = file.get();
  }

  bool read_failed;
  if (mode == InputMode::kConsole || mode == InputMode::kUtf8Text) {
    // UTF-8 text skips its one mark, in a named file only: a second one is
    // text.
    read_failed = !UpperCaseUtf8Stream(*source, mode == InputMode::kUtf8Text, out);
  } else {
    WideReader in(source, mode);
    SkipByteOrderMark(in);
    read_failed = !UpperCaseUnitStream(in, out);
  }
  // What was read before a read error is written out before the message.
  if (!out.Flush()) {
    PrintToolMessage(env, out, kOutputError);
    return -1;
  }
  if (read_failed) {
    PrintToolMessage(env, out, kInputError);
    return -1;
  }
  return 0;
}

}  // namespace tv::vornak
