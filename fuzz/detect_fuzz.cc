// DetectInputCode over any bytes: the same answer on exactly the input and
// on the input followed by the two zero bytes the file reader leaves, and
// the answer of the plain method.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_util.h"
#include "tools/kanvo/detect.h"
#include "tools/kanvo/plain_convert.h"

using namespace kanvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  tv::fuzz::ExactBytes exact(input, 0);
  tv::fuzz::ExactBytes padded(input, 2);
  TextCode code = DetectInputCode(padded.view());
  FUZZ_CHECK(DetectInputCode(exact.view()) == code);
  FUZZ_CHECK(plain::PlainDetect(input) == code);

  // Each answer stands on the test that gave it.
  bool seven_bit_only = false;
  bool utf8 = IsUtf8Text(exact.view(), &seven_bit_only);
  switch (code) {
    case CODE_ASCII:
      FUZZ_CHECK(utf8 && seven_bit_only);
      break;
    case CODE_UTF8:
      FUZZ_CHECK(utf8 && input.starts_with("\xEF\xBB\xBF"));
      break;
    case CODE_UTF8N:
      FUZZ_CHECK(utf8 && !seven_bit_only);
      break;
    case CODE_UNICODE:
      FUZZ_CHECK(input.find('\0') != std::string_view::npos);
      break;
    case CODE_JIS:
      FUZZ_CHECK(input.find("\x1B$") != std::string_view::npos ||
                 input.find("\x1B(") != std::string_view::npos);
      break;
    case CODE_SJIS:
      FUZZ_CHECK(IsShiftJisText(exact.view()));
      break;
    case CODE_EUC:
      FUZZ_CHECK(IsEucJpText(exact.view()));
      break;
    case CODE_INVALID: {
      // The second look always names a code, and one whose test the text
      // passes once control bytes count as characters.
      TextCode fallback = FallbackInputCode(exact.view());
      FUZZ_CHECK(fallback == CODE_SJIS || fallback == CODE_EUC || fallback == CODE_UTF8 ||
                 fallback == CODE_UTF8N);
      FUZZ_CHECK(FallbackInputCode(padded.view()) == fallback);
      break;
    }
    default:
      FUZZ_CHECK(!"an answer detection never gives");
  }
  return 0;
}
