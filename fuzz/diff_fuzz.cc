// diff over two random files: the whole run through an in-memory Env (the
// command line, each file's kind, loading, comparison and report), and the
// same files loaded from sources that deliver a few bytes at a time: the
// lines must be those of a plain split, the pairing that of the plain scan,
// the classification consistent with it, and the report the same as the
// whole run's.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "platform/cp932.h"
#include "platform/fake_env.h"
#include "platform/wide_reader.h"
#include "platform/wide_writer.h"
#include "runtime/filter_input.h"
#include "tools/diff/compare_files.h"
#include "tools/diff/diff_command_line.h"
#include "tools/diff/diff_main.h"
#include "tools/diff/load_lines.h"
#include "tools/diff/pair_by_scan.h"
#include "tools/diff/report.h"

using namespace tv;

namespace {

// The lines of a file as first described: decoded whole (code page 932 with
// CR LF as LF, or UTF-16 little-endian without its mark), cut after each
// line feed and into pieces of at most 10239 units, each without its line
// end.
std::vector<std::u16string> PlainLines(const std::string& bytes, bool unicode) {
  std::u16string units;
  if (unicode) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      units.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                            static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
    if (!units.empty() && (units[0] == 0xFEFF || units[0] == 0xFFFE)) units.erase(0, 1);
  } else {
    units = fuzz::ReplaceAll(Cp932ToUtf16(bytes), u"\r\n", u"\n");
  }
  std::vector<std::u16string> lines;
  for (size_t pos = 0; pos < units.size();) {
    size_t end = pos;
    while (end < units.size() && end - pos < kDiffLineUnits - 1 && units[end] != u'\n') ++end;
    if (end < units.size() && end - pos < kDiffLineUnits - 1) ++end;  // the line feed
    std::u16string line = units.substr(pos, end - pos);
    if (line.ends_with(u"\r\n")) {
      line.resize(line.size() - 2);
    } else if (line.ends_with(u"\n")) {
      line.pop_back();
    }
    lines.push_back(line);
    pos = end;
  }
  return lines;
}

std::vector<std::u16string> Texts(const DiffLineArray& lines) {
  std::vector<std::u16string> texts;
  for (size_t i = 0; i < lines.size(); ++i) texts.emplace_back(lines.Text(i));
  return texts;
}

void Load(const std::string& bytes, bool unicode, const std::vector<size_t>& pieces,
          DiffLineArray* lines) {
  WideReader in(std::make_unique<fuzz::ChoppedSource>(bytes, pieces),
                unicode ? InputMode::kUnicode : InputMode::kText);
  if (unicode) SkipByteOrderMark(in);
  FUZZ_CHECK(LoadLines(&in, lines) == LoadResult::kOk);
  FUZZ_CHECK(Texts(*lines) == PlainLines(bytes, unicode));
}

// After the comparison: the pairing is the plain scan's, paired lines are
// exactly the unchanged ones, each kind stands on its own file's side, and
// every changed line is shown.
void CheckComparison(const DiffLineArray& a, const DiffLineArray& b, bool ignore_blanks) {
  std::vector<int> expected = PairByScan(Texts(a), Texts(b), ignore_blanks);
  for (size_t i = 0; i < a.size(); ++i) {
    FUZZ_CHECK(a[i].partner == expected[i]);
    if (a[i].partner >= 0) FUZZ_CHECK(b[a[i].partner].partner == static_cast<int>(i));
    FUZZ_CHECK((a[i].kind == DIFF_SAME) == (a[i].partner >= 0));
    FUZZ_CHECK(a[i].kind != DIFF_ADDED);
    FUZZ_CHECK(a[i].kind == DIFF_SAME || a[i].shown);
  }
  for (size_t k = 0; k < b.size(); ++k) {
    if (b[k].partner >= 0) FUZZ_CHECK(a[b[k].partner].partner == static_cast<int>(k));
    FUZZ_CHECK((b[k].kind == DIFF_SAME) == (b[k].partner >= 0));
    FUZZ_CHECK(b[k].kind != DIFF_DELETED);
    FUZZ_CHECK(b[k].kind == DIFF_SAME || b[k].shown);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fuzz(data, size);
  bool ignore_blanks = fuzz.ConsumeBool();
  bool forced[2] = {fuzz.ConsumeBool(), fuzz.ConsumeBool()};
  bool same_files = fuzz.ConsumeBool();
  bool short_output = fuzz.ConsumeBool();
  size_t capacity = fuzz.ConsumeIntegralInRange<size_t>(0, 4096);
  std::vector<size_t> pieces = fuzz::ConsumePieces(fuzz);
  std::string first = fuzz.ConsumeRandomLengthString(4096);
  std::string second = same_files ? first : fuzz.ConsumeRemainingBytesAsString();

  FakeEnv env;
  env.share = u"\\w\\";
  env.AddFile("/w/1.txt", first);
  env.AddFile("/w/2 b.txt", second);
  // Read in code page 932, as the oracle reads them: the choice between it
  // and UTF-8 has its own oracle test.
  env.variables["TORVELAN_CODEPAGE"] = "932";
  std::u16string line = ignore_blanks ? u"/I " : u"";
  line += forced[0] ? u"/U 1.txt " : u"1.txt ";
  line += forced[1] ? u"/u \"2 b.txt\"" : u"\"2 b.txt\"";
  if (short_output) env.stdout_sink.set_capacity(capacity);
  int status = DiffMain(env, line);

  bool unicode[2] = {forced[0] || IsUnicodeFile(env, u"\\w\\1.txt"),
                     forced[1] || IsUnicodeFile(env, u"\\w\\2 b.txt")};
  DiffLineArray a, b;
  Load(first, unicode[0], pieces, &a);
  Load(second, unicode[1], pieces, &b);
  StringSink report;
  {
    WideWriter out(&report);
    if (unicode[0] != unicode[1]) {
      auto mode = [](bool u) { return u ? InputMode::kUnicode : InputMode::kText; };
      PrintEncodingHeader(out, mode(unicode[0]), mode(unicode[1]));
    }
    CompareFiles(a, b, ignore_blanks, out);
    FUZZ_CHECK(out.Flush());
  }
  CheckComparison(a, b, ignore_blanks);

  if (short_output && capacity < report.bytes().size()) {
    FUZZ_CHECK(status == kDiffWriteFailed);
  } else {
    FUZZ_CHECK(status == 0);
    FUZZ_CHECK(env.stdout_text() == report.bytes());
    if (same_files && forced[0] == forced[1]) FUZZ_CHECK(report.bytes().empty());
  }
  return 0;
}
