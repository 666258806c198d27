// Newline detection and the line-break rewriting of KANVO's writers over
// any text. Detection follows the counting rule done plainly; the output
// file (with the mark of its code), the UTF-16 output and standard output
// are the text with every sought sequence replaced; and a write that comes
// up short leaves the old file whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_util.h"
#include "platform/cp932.h"
#include "platform/fake_env.h"
#include "platform/utf16.h"
#include "tools/kanvo/newline.h"
#include "tools/kanvo/output_writer.h"

using namespace kanvo;
using tv::fuzz::ReplaceAll;

namespace {

// The classification as the percentages are first described, reading only
// the input's own bytes.
NewlineKind PlainNewlineKind(std::string_view text) {
  auto at = [&](size_t i) { return i < text.size() ? text[i] : 'x'; };
  uint64_t crs = 0, lfs = 0, pairs = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      ++crs;
      if (at(i + 1) == '\n' ||
          (i + 3 < text.size() && at(i + 1) == '\0' && at(i + 2) == '\n' && at(i + 3) == '\0')) {
        ++pairs;
      }
    } else if (text[i] == '\n') {
      ++lfs;
    }
  }
  if (pairs == 0) {
    if (crs == 0 && lfs == 0) return NL_NONE;
    return crs < lfs ? NL_LF : NL_CR;
  }
  if (pairs * 100 / crs < 50) return NL_CR;
  return pairs * 100 / lfs >= 50 ? NL_CRLF : NL_LF;
}

std::string_view Sought(NewlineKind kind) {
  return kind == NL_CR ? "\r" : kind == NL_LF ? "\n" : "\r\n";
}

std::string_view Replacement(NewlineKind target) {
  return target == NL_CR ? "\r" : target == NL_LF ? "\n" : "\r\n";
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string LittleEndian(std::u16string_view units) {
  std::string bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

std::string MarkOf(TextCode code) {
  return code == CODE_UTF8 ? "\xEF\xBB\xBF" : code == CODE_UNICODE ? "\xFF\xFE" : "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fuzz(data, size);
  TextCode code =
      fuzz.PickValueInArray({CODE_SJIS, CODE_JIS, CODE_EUC, CODE_UTF8, CODE_UTF8N, CODE_UNICODE});
  NewlineKind target = fuzz.PickValueInArray({NL_CRLF, NL_CR, NL_LF});
  bool short_output = fuzz.ConsumeBool();
  size_t capacity = fuzz.ConsumeIntegralInRange<size_t>(0, 8192);
  std::string text = fuzz.ConsumeRemainingBytesAsString();
  tv::fuzz::ExactBytes exact(text, 0);
  tv::fuzz::ExactBytes padded(text, 2);

  NewlineKind kind = DetectNewlineKind(exact.view());
  FUZZ_CHECK(DetectNewlineKind(padded.view()) == kind);
  FUZZ_CHECK(PlainNewlineKind(text) == kind);

  // What the file writer is handed: the text itself, or for UTF-16 output
  // the text decoded, its breaks already rewritten.
  std::string bytes = text;
  NewlineKind current = kind;
  if (code == CODE_UNICODE) {
    std::u16string units = tv::Cp932ToUtf16(text);
    if (kind != target) units = ReplaceAll(units, Widen(Sought(kind)), Widen(Replacement(target)));
    std::string assembled = "previous text";
    FUZZ_CHECK(AssembleUtf16Output(exact.view(), kind, target, &assembled, &current) == CONV_OK);
    FUZZ_CHECK(assembled == LittleEndian(units));
    FUZZ_CHECK(current == target);
    bytes = assembled;
  }
  std::string expected =
      MarkOf(code) +
      (current == target ? bytes : ReplaceAll(bytes, Sought(current), Replacement(target)));

  tv::FakeEnv env;
  env.AddFile("/w/out.txt", "old text");
  if (short_output) env.output_capacity = capacity;
  tv::fuzz::ExactBytes to_write(bytes, 0);
  ConvStatus status =
      WriteOutputFile(*env.OpenOutput(u"\\w\\out.txt"), to_write.view(), code, current, target);
  if (!short_output || capacity >= expected.size()) {
    FUZZ_CHECK(status == CONV_OK);
    FUZZ_CHECK(env.files["/w/out.txt"].bytes == expected);
  } else {
    FUZZ_CHECK(status == CONV_ERR_IO);
    FUZZ_CHECK(env.files["/w/out.txt"].bytes == "old text");
  }

  // Standard output: the pivot decoded, CR or LF breaks shown as CR LF, and
  // one line end after it.
  std::u16string shown = tv::Cp932ToUtf16(text);
  if (kind == NL_CR || kind == NL_LF) shown = ReplaceAll(shown, Widen(Sought(kind)), u"\r\n");
  std::string console = tv::Utf16ToUtf8(shown + u"\n");
  tv::FakeEnv console_env;
  if (short_output) console_env.stdout_sink.set_capacity(capacity);
  status = WriteToConsole(console_env, exact.view(), kind);
  if (!short_output || capacity >= console.size()) {
    FUZZ_CHECK(status == CONV_OK);
    FUZZ_CHECK(console_env.stdout_text() == console);
  } else {
    FUZZ_CHECK(status == CONV_ERR_IO);
  }
  return 0;
}
