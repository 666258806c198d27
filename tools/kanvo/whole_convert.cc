#include "tools/kanvo/whole_convert.h"

#include <string_view>

#include "tools/kanvo/convert.h"
#include "tools/kanvo/output_writer.h"

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

}  // namespace kanvo
