// The conversion in pieces held to the whole-buffer conversion, byte for
// byte, over generated inputs cut at random places (pieces of 1 to 3 bytes
// included, so that characters, escapes, CR LF pairs, UTF-16 units and
// UTF-8 sequences are split), for every input code, output code and line
// break; likewise detection and the line-break counts of the first pass.
#include "tools/kanvo/stream_convert.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/fake_env.h"
#include "tools/kanvo/convert.h"
#include "tools/kanvo/detect.h"
#include "tools/kanvo/generated_text.h"
#include "tools/kanvo/kanvo.h"
#include "tools/kanvo/newline.h"
#include "tools/kanvo/output_writer.h"
#include "tools/kanvo/unicode_recode.h"
#include "tools/kanvo/whole_convert.h"

namespace kanvo {
namespace {

using testing_text::Generator;

constexpr TextCode kInputCodes[] = {CODE_SJIS, CODE_JIS,   CODE_EUC,
                                    CODE_UTF8, CODE_UTF8N, CODE_UNICODE};
constexpr TextCode kOutputCodes[] = {CODE_SJIS, CODE_JIS,   CODE_EUC,
                                     CODE_UTF8, CODE_UTF8N, CODE_UNICODE};
constexpr NewlineKind kTargets[] = {NL_CRLF, NL_CR, NL_LF};

// What the whole-buffer path writes to the file or to standard output.
std::string WholeOutput(std::string raw, const StreamPlan& plan) {
  const TextCode output_code = plan.console ? CODE_SJIS : plan.output_code;
  NewlineKind kind = plan.current;
  std::string pivot, output;
  if (IsUnicodeToUnicode(plan.input_code, output_code)) {
    EXPECT_EQ(RecodeWhole(plan.input_code, &raw, output_code, kind, plan.target, &output),
              CONV_OK);
    kind = plan.target;
  } else {
    EXPECT_EQ(ToPivot(plan.input_code, &raw, &pivot), CONV_OK);
    EXPECT_EQ(FromPivot(output_code, &pivot, plan.target, &kind, &output), CONV_OK);
  }
  tv::FakeEnv env;
  if (plan.console) {
    EXPECT_EQ(WriteToConsole(env, output, kind), CONV_OK);
    return env.stdout_text();
  }
  EXPECT_EQ(WriteOutputFile(*env.OpenOutput(u"\\w\\out"), output, output_code, kind, plan.target),
            CONV_OK);
  return env.files["/w/out"].bytes;
}

// The lengths to cut a text of `size` bytes into: all of 1-3 bytes, up to
// 70, or up to several thousand (past the converter's backward look).
std::vector<size_t> Cuts(Generator& gen, size_t size) {
  std::vector<size_t> cuts;
  int style = gen.Int(0, 2);
  for (size_t at = 0; at < size;) {
    size_t length = static_cast<size_t>(style == 0   ? gen.Int(1, 3)
                                        : style == 1 ? gen.Int(0, 70)
                                                     : gen.Int(1, 9000));
    cuts.push_back(length);
    at += length;
  }
  return cuts;
}

std::string StreamedOutput(std::string_view raw, const StreamPlan& plan,
                           const std::vector<size_t>& cuts) {
  tv::StringSink sink;
  StreamConverter converter(plan, &sink);
  size_t at = 0;
  for (size_t length : cuts) {
    EXPECT_EQ(converter.Feed(raw.substr(std::min(at, raw.size()), length)), CONV_OK);
    at += length;
  }
  EXPECT_EQ(converter.Finish(), CONV_OK);
  return sink.bytes();
}

// Shift_JIS text as people write it: kana, kanji, half-width katakana with
// their marks, ASCII, every kind of line break, long lines now and then.
std::string JapaneseText(Generator& gen, size_t size) {
  static const std::vector<uint16_t> pairs = [] {
    std::vector<uint16_t> codes;
    for (uint32_t unit = 0x3000; unit < 0xA000; ++unit) {
      uint8_t bytes[2];
      // JIS X 0208 rows only, which every code has.
      if (tv::Cp932UnitToBytes(static_cast<char16_t>(unit), bytes) == 2 && bytes[0] <= 0xEA) {
        codes.push_back(static_cast<uint16_t>(bytes[0] << 8 | bytes[1]));
      }
    }
    return codes;
  }();
  static const char* const kBreaks[] = {"\r\n", "\n", "\r"};
  std::string s;
  while (s.size() < size) {
    switch (gen.Int(0, 9)) {
      case 0:
        s.append(kBreaks[gen.Int(0, 2)]);
        break;
      case 1:
        s.push_back(static_cast<char>(gen.Byte(0xA1, 0xDF)));
        if (gen.Int(0, 1)) s.push_back(static_cast<char>(gen.Int(0, 1) ? 0xDE : 0xDF));
        break;
      case 2:
        s.append("log 2026-12-09 ok ");
        break;
      default: {
        uint16_t code = pairs[static_cast<size_t>(gen.Int(0, static_cast<int>(pairs.size()) - 1))];
        s.push_back(static_cast<char>(code >> 8));
        s.push_back(static_cast<char>(code & 0xFF));
      }
    }
  }
  return s;
}

// Inputs for the comparisons: generated mixtures of every code (malformed
// ones included), and Japanese text in each code, short and long.
std::vector<std::string> Inputs(Generator& gen) {
  std::vector<std::string> inputs = {"", "\r", "\x1B", "\xEF\xBB\xBF", "\xFF\xFE", "\x81"};
  for (int k = 0; k < 150; ++k) inputs.push_back(gen.Mixed());
  for (int k = 0; k < 12; ++k) {
    std::string sjis = JapaneseText(gen, static_cast<size_t>(k < 8 ? gen.Int(1, 400) : 20000));
    if (k >= 10) {
      // Lines longer than any backward look for a cut.
      std::erase_if(sjis, [](char c) { return c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F); });
    }
    // A form feed and a stray 0x1A, which only the second look at a text
    // without a code accepts.
    if (k % 3 == 1) sjis.insert(sjis.size() / 2, "\f\x1A");
    std::string jis, euc, utf8, utf16;
    EXPECT_EQ(SjisToJis(sjis, &jis), CONV_OK);
    EXPECT_EQ(SjisToEuc(sjis, &euc), CONV_OK);
    EXPECT_EQ(SjisToUtf8(sjis, &utf8), CONV_OK);
    NewlineKind kind;
    EXPECT_EQ(AssembleUtf16Output(sjis, NL_NONE, NL_NONE, &utf16, &kind), CONV_OK);
    for (std::string text : {sjis, jis, euc, utf8, "\xEF\xBB\xBF" + utf8, "\xFF\xFE" + utf16}) {
      inputs.push_back(std::move(text));
    }
  }
  return inputs;
}

TEST(StreamConvertTest, PiecesGiveTheWholeConversionsBytes) {
  Generator gen(14);
  for (const std::string& raw : Inputs(gen)) {
    const NewlineKind current = DetectNewlineKind(raw);
    for (TextCode input_code : kInputCodes) {
      for (int output = 0; output <= 6; ++output) {
        StreamPlan plan = {input_code, output < 6 ? kOutputCodes[output] : CODE_SJIS, current,
                           kTargets[gen.Int(0, 2)], output == 6};
        if (gen.Int(0, 3) == 0) plan.target = current;  // the line breaks kept
        std::vector<size_t> cuts = Cuts(gen, raw.size());
        ASSERT_EQ(StreamedOutput(raw, plan, cuts), WholeOutput(raw, plan))
            << "input " << testing::PrintToString(raw.substr(0, 200)) << " (" << raw.size()
            << " bytes), code " << input_code << " to " << plan.output_code << ", console "
            << plan.console << ", line breaks " << current << " to " << plan.target << ", "
            << cuts.size() << " pieces";
      }
    }
  }
}

TEST(StreamConvertTest, PiecesGiveTheWholeDetectionAndLineBreaks) {
  Generator gen(41);
  for (const std::string& raw : Inputs(gen)) {
    for (int round = 0; round < 3; ++round) {
      DetectScanner scanner;
      NewlineCounter counter;
      size_t at = 0;
      for (size_t length : Cuts(gen, raw.size())) {
        std::string_view piece = std::string_view(raw).substr(std::min(at, raw.size()), length);
        scanner.Feed(piece);
        counter.Feed(piece);
        at += length;
      }
      ASSERT_EQ(scanner.Code(), DetectInputCode(raw)) << testing::PrintToString(raw);
      ASSERT_EQ(scanner.FallbackCode(), FallbackInputCode(raw)) << testing::PrintToString(raw);
      ASSERT_EQ(counter.Kind(), DetectNewlineKind(raw)) << testing::PrintToString(raw);
    }
  }
}

TEST(StreamConvertTest, WriteFailureStopsTheOutput) {
  Generator gen(3);
  std::string raw = JapaneseText(gen, 3 << 20);
  for (size_t capacity : {size_t{0}, size_t{1000}, size_t{1} << 20}) {
    tv::StringSink sink;
    sink.set_capacity(capacity);
    StreamConverter converter({CODE_SJIS, CODE_UTF8, NL_LF, NL_CRLF, false}, &sink);
    ConvStatus status = CONV_OK;
    for (size_t at = 0; at < raw.size() && status == CONV_OK; at += 100000) {
      status = converter.Feed(std::string_view(raw).substr(at, 100000));
    }
    if (status == CONV_OK) status = converter.Finish();
    EXPECT_EQ(status, CONV_ERR_IO) << capacity;
    EXPECT_EQ(converter.Finish(), CONV_ERR_IO);
    EXPECT_LE(sink.bytes().size(), capacity);
  }
}

// The whole tool on inputs larger than one read, from a file read twice
// and from a source that can be read only once, to a file and to the
// console: the bytes of the whole-buffer path.
class OnceSource : public tv::ByteSource {
 public:
  explicit OnceSource(std::string bytes) : inner_(std::move(bytes)) {}
  ptrdiff_t Read(void* buf, size_t n) override { return inner_.Read(buf, n); }

 private:
  tv::StringSource inner_;
};

// A file whose bytes are replaced after the first pass has read them.
class ChangingSource : public tv::ByteSource {
 public:
  ChangingSource(std::string first, std::string second, size_t fail_after)
      : source_(std::move(first)), second_(std::move(second)), fail_after_(fail_after) {}
  ptrdiff_t Read(void* buf, size_t n) override { return source_.Read(buf, n); }
  int64_t Size() override { return source_.Size(); }
  bool Rewind() override {
    if (++rewinds_ == 1) return source_.Rewind();  // before the first pass
    source_ = tv::StringSource(second_);
    source_.FailAfter(fail_after_);
    return true;
  }

 private:
  tv::StringSource source_;
  std::string second_;
  size_t fail_after_;
  int rewinds_ = 0;
};

class SourceEnv : public tv::FakeEnv {
 public:
  enum Kind { kFile, kOnce, kChanging } kind = kFile;
  std::string second;
  size_t fail_second_after = static_cast<size_t>(-1);
  std::unique_ptr<tv::ByteSource> OpenFile(std::u16string_view path) override {
    auto source = FakeEnv::OpenFile(path);
    if (!source || kind == kFile) return source;
    std::string bytes = files["/w/in"].bytes;
    if (kind == kOnce) return std::make_unique<OnceSource>(bytes);
    return std::make_unique<ChangingSource>(bytes, second, fail_second_after);
  }
};

TEST(StreamConvertTest, ToolGivesTheWholeConversionsBytes) {
  Generator gen(5);
  std::string sjis = JapaneseText(gen, 700000);
  std::string euc;
  ASSERT_EQ(SjisToEuc(sjis, &euc), CONV_OK);
  struct Case {
    SourceEnv::Kind kind;
    std::u16string line;
    StreamPlan plan;
  };
  const NewlineKind current = DetectNewlineKind(euc);
  ASSERT_EQ(DetectInputCode(euc), CODE_EUC);
  const Case cases[] = {
      {SourceEnv::kFile, u"\\w\\in \\w\\out", {CODE_EUC, CODE_SJIS, current, NL_CRLF, false}},
      {SourceEnv::kOnce,
       u"/O UNIODE /N LF \\w\\in \\w\\out",
       {CODE_EUC, CODE_UNICODE, current, NL_LF, false}},
      {SourceEnv::kFile,
       u"/I EUC /O JIS /N CR \\w\\in \\w\\out",
       {CODE_EUC, CODE_JIS, current, NL_CR, false}},
      {SourceEnv::kFile, u"\\w\\in", {CODE_EUC, CODE_SJIS, current, NL_CRLF, true}},
      {SourceEnv::kOnce, u"\\w\\in", {CODE_EUC, CODE_SJIS, current, NL_CRLF, true}},
      // Converted onto itself.
      {SourceEnv::kFile,
       u"/O UTF8 \\w\\in \\w\\in",
       {CODE_EUC, CODE_UTF8, current, NL_CRLF, false}},
  };
  for (const Case& c : cases) {
    SourceEnv env;
    env.kind = c.kind;
    env.files["/w/in"].bytes = euc;
    env.answers.push_back(true);  // replace the existing file
    ASSERT_EQ(KanvoMain(env, c.line), 0) << env.stdout_text().substr(0, 200);
    std::string got = c.plan.console
                          ? env.stdout_text()
                          : env.files[c.line.ends_with(u"in") ? "/w/in" : "/w/out"].bytes;
    std::string want = WholeOutput(euc, c.plan);
    size_t diff = 0;
    while (diff < got.size() && diff < want.size() && got[diff] == want[diff]) ++diff;
    EXPECT_TRUE(got == want) << c.plan.output_code << c.plan.console << " sizes " << got.size()
                             << " " << want.size() << " at " << diff << " "
                             << testing::PrintToString(got.substr(diff > 20 ? diff - 20 : 0, 40))
                             << testing::PrintToString(want.substr(diff > 20 ? diff - 20 : 0, 40))
                             << env.stderr_sink.bytes();
  }
}

TEST(StreamConvertTest, InputChangedBetweenThePasses) {
  Generator gen(6);
  std::string sjis = JapaneseText(gen, 400000);
  std::string utf8;
  ASSERT_EQ(SjisToUtf8(sjis, &utf8), CONV_OK);
  // Detected as Shift_JIS, then read as other bytes, longer or gone. Bytes
  // past those scanned are not read: a file that grows as it is converted
  // (the output appended to it) would never end.
  for (std::string second : {std::string(), utf8, sjis.substr(0, 1000), sjis + sjis}) {
    SourceEnv env;
    env.kind = SourceEnv::kChanging;
    env.second = second;
    env.files["/w/in"].bytes = sjis;
    env.files["/w/out"].bytes = "old";
    env.answers.push_back(true);
    ASSERT_EQ(KanvoMain(env, u"/O EUC \\w\\in \\w\\out"), 0);
    EXPECT_TRUE(env.files["/w/out"].bytes ==
                WholeOutput(second.substr(0, sjis.size()),
                            {CODE_SJIS, CODE_EUC, DetectNewlineKind(sjis), NL_LF, false}));
  }
  // A read that fails on the second pass leaves the old file.
  SourceEnv env;
  env.kind = SourceEnv::kChanging;
  env.second = sjis;
  env.fail_second_after = 300000;
  env.files["/w/in"].bytes = sjis;
  env.files["/w/out"].bytes = "old";
  env.answers.push_back(true);
  EXPECT_EQ(KanvoMain(env, u"/O EUC \\w\\in \\w\\out"), 1);
  EXPECT_EQ(env.files["/w/out"].bytes, "old");
}

}  // namespace
}  // namespace kanvo
