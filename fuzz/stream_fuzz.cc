// KANVO's conversion in pieces against the whole-buffer conversion: the
// first fuzz bytes choose the codes, the line breaks, standard output or a
// file, and where the text is cut (pieces of 1 to 3 bytes and longer ones);
// the rest is the text. Every piece is an exact-size heap block, so a look
// past it is reported. Detection and the line-break counts are fed the same
// pieces and must answer as over the whole text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "platform/fake_env.h"
#include "tools/kanvo/detect.h"
#include "tools/kanvo/newline.h"
#include "tools/kanvo/output_writer.h"
#include "tools/kanvo/stream_convert.h"
#include "tools/kanvo/unicode_recode.h"
#include "tools/kanvo/whole_convert.h"

using namespace kanvo;

namespace {

constexpr TextCode kCodes[] = {CODE_SJIS, CODE_JIS, CODE_EUC, CODE_UTF8, CODE_UTF8N, CODE_UNICODE};
constexpr NewlineKind kTargets[] = {NL_CRLF, NL_CR, NL_LF};

std::string WholeOutput(std::string raw, const StreamPlan& plan) {
  const TextCode output_code = plan.console ? CODE_SJIS : plan.output_code;
  NewlineKind kind = plan.current;
  std::string pivot, output;
  if (IsUnicodeToUnicode(plan.input_code, output_code)) {
    FUZZ_CHECK(RecodeWhole(plan.input_code, &raw, output_code, kind, plan.target, &output) ==
               CONV_OK);
    kind = plan.target;
  } else {
    FUZZ_CHECK(ToPivot(plan.input_code, &raw, &pivot) == CONV_OK);
    FUZZ_CHECK(FromPivot(output_code, &pivot, plan.target, &kind, &output) == CONV_OK);
  }
  tv::FakeEnv env;
  if (plan.console) {
    FUZZ_CHECK(WriteToConsole(env, output, kind) == CONV_OK);
    return env.stdout_text();
  }
  FUZZ_CHECK(WriteOutputFile(*env.OpenOutput(u"\\w\\out"), output, output_code, kind,
                             plan.target) == CONV_OK);
  return env.files["/w/out"].bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fuzz(data, size);
  const bool console = fuzz.ConsumeIntegralInRange(0, 6) == 6;
  StreamPlan plan = {kCodes[fuzz.ConsumeIntegralInRange(0, 5)],
                     kCodes[fuzz.ConsumeIntegralInRange(0, 5)], NL_NONE,
                     kTargets[fuzz.ConsumeIntegralInRange(0, 2)], console};
  const int longest = fuzz.ConsumeBool() ? 3 : 5000;
  const uint32_t seed = fuzz.ConsumeIntegral<uint32_t>();
  const std::string raw = fuzz.ConsumeRemainingBytesAsString();
  plan.current = DetectNewlineKind(raw);

  tv::StringSink sink;
  StreamConverter converter(plan, &sink);
  DetectScanner scanner;
  NewlineCounter counter;
  uint32_t state = seed | 1;
  for (size_t at = 0; at < raw.size();) {
    state = state * 1103515245u + 12345u;  // where the next cut falls
    size_t length = 1 + (state >> 8) % static_cast<uint32_t>(longest);
    tv::fuzz::ExactBytes piece(std::string_view(raw).substr(at, length), 0);
    FUZZ_CHECK(converter.Feed(piece.view()) == CONV_OK);
    scanner.Feed(piece.view());
    counter.Feed(piece.view());
    at += piece.view().size();
  }
  FUZZ_CHECK(converter.Finish() == CONV_OK);
  FUZZ_CHECK(sink.bytes() == WholeOutput(raw, plan));
  FUZZ_CHECK(scanner.Code() == DetectInputCode(raw));
  FUZZ_CHECK(scanner.FallbackCode() == FallbackInputCode(raw));
  FUZZ_CHECK(counter.Kind() == DetectNewlineKind(raw));
  return 0;
}
