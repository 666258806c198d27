// One KANVO converter (TV_CONVERTER names it) over any bytes: the input in
// an exact-size heap block followed by the two zero bytes the file reader
// guarantees and nothing more, then with no zero byte at all; both must give
// the plain method's text, with a zero byte after it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_util.h"
#include "tools/kanvo/convert.h"
#include "tools/kanvo/plain_convert.h"

using namespace kanvo;

namespace {

const plain::Pair& Converter() {
  static const plain::Pair* pair = [] {
    for (const plain::Pair& p : plain::kPairs) {
      if (std::strcmp(p.name, TV_CONVERTER) == 0) return &p;
    }
    tv::fuzz::Fail("no converter named " TV_CONVERTER, __FILE__, __LINE__);
  }();
  return *pair;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const plain::Pair& pair = Converter();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string expected = pair.plain(input);

  tv::fuzz::ExactBytes padded(input, 2);
  std::string output = "previous text";
  FUZZ_CHECK(pair.fast(padded.view(), &output) == CONV_OK);
  FUZZ_CHECK(output == expected);
  FUZZ_CHECK(output.c_str()[output.size()] == '\0');

  tv::fuzz::ExactBytes exact(input, 0);
  std::string again;
  FUZZ_CHECK(pair.fast(exact.view(), &again) == CONV_OK);
  FUZZ_CHECK(again == expected);

  FUZZ_CHECK(pair.fast(exact.view(), nullptr) == CONV_ERR_PARAM);
  return 0;
}
