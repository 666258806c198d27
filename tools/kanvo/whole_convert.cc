#include "tools/kanvo/whole_convert.h"

#include <new>
#include <string_view>

#include "tools/kanvo/convert.h"
#include "tools/kanvo/newline.h"
#include "tools/kanvo/output_writer.h"
#include "tools/kanvo/sjis_decode.h"
#include "tools/kanvo/unicode_recode.h"

namespace kanvo {

namespace {

// Releases a text buffer's memory at once, not just its contents.
void Release(std::string* buffer) { std::string().swap(*buffer); }

}  // namespace

ConvStatus ToPivot(TextCode code, std::string* raw, std::string* pivot) {
  std::string_view text = *raw;
  ConvStatus status = CONV_OK;
  switch (code) {
    case CODE_JIS:
      status = JisToSjis(text, pivot);
      break;
    case CODE_EUC:
      status = EucToSjis(text, pivot);
      break;
    case CODE_UTF8:
      if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
      status = Utf8ToSjis(text, pivot);
      break;
    case CODE_UTF8N:
      status = Utf8ToSjis(text, pivot);
      break;
    case CODE_UNICODE:
      // Either mark is dropped; the units are always little-endian.
      if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) text.remove_prefix(2);
      status = Utf16ToSjis(text, pivot);
      break;
    default:
      *pivot = std::move(*raw);
      break;
  }
  Release(raw);
  return status;
}

ConvStatus FromPivot(TextCode code, std::string* pivot, NewlineKind target, NewlineKind* kind,
                     std::string* output) {
  ConvStatus status = CONV_OK;
  switch (code) {
    case CODE_JIS:
      status = SjisToJis(*pivot, output);
      break;
    case CODE_EUC:
      status = SjisToEuc(*pivot, output);
      break;
    case CODE_UTF8:
    case CODE_UTF8N:
      status = SjisToUtf8(*pivot, output);
      break;
    case CODE_UNICODE:
      status = AssembleUtf16Output(*pivot, *kind, target, output, kind);
      break;
    default:
      *output = std::move(*pivot);
      break;
  }
  Release(pivot);
  return status;
}

ConvStatus RecodeWhole(TextCode input, std::string* raw, TextCode output, NewlineKind current,
                       NewlineKind target, std::string* text) {
  std::string_view bytes = *raw;
  if ((input == CODE_UTF8 && bytes.starts_with("\xEF\xBB\xBF"))) bytes.remove_prefix(3);
  if (input == CODE_UNICODE && (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))) {
    bytes.remove_prefix(2);
  }
  NewlineRewrite rewrite = kNoRewrite;
  if (current != target) rewrite = {SoughtSequence(current), ReplacementSequence(target)};
  bool cr_held = false;
  uint64_t replaced = 0;
  std::string out;
  try {
    RecodeUnicode(input, output, bytes, rewrite, true, &cr_held, &out, &replaced);
  } catch (const std::bad_alloc&) {
    return CONV_ERR_NOMEM;
  }
  *text = std::move(out);
  Release(raw);
  return CONV_OK;
}

}  // namespace kanvo
