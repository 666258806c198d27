// sort over random input in each mode: the lines collected from a source
// that delivers a few bytes at a time, ordered both ways and with repeats
// dropped, against the insertion walk; and the whole run on the same input
// as a named file or standard input, whose output must be those lines in
// that order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "platform/fake_env.h"
#include "platform/wide_reader.h"
#include "platform/wide_writer.h"
#include "runtime/filter_input.h"
#include "tools/sort/insertion_walk.h"
#include "tools/sort/line_list.h"
#include "tools/sort/sort.h"

using namespace tv;
using namespace tv::sort;

namespace {

// The walk compares every pair of lines; past this many it is not run.
constexpr size_t kMostLinesToWalk = 600;

// Input indexes of the list's records: before ordering, starts grow with
// the input, so a record's start tells which line it is.
std::vector<size_t> OrderByStart(const SortedLineList& list, const std::vector<size_t>& starts) {
  std::vector<size_t> order;
  for (const LineRecord& r : list.lines) {
    auto at = std::lower_bound(starts.begin(), starts.end(), r.start());
    FUZZ_CHECK(at != starts.end() && *at == r.start());
    order.push_back(static_cast<size_t>(at - starts.begin()));
  }
  return order;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fuzz(data, size);
  InputMode mode =
      fuzz.PickValueInArray({InputMode::kConsole, InputMode::kText, InputMode::kUnicode});
  bool descending = fuzz.ConsumeBool();
  bool unique = fuzz.ConsumeBool();
  std::vector<size_t> pieces = fuzz::ConsumePieces(fuzz);
  std::string input = fuzz.ConsumeRemainingBytesAsString();
  bool unicode = mode == InputMode::kUnicode;

  SortedLineList list;
  {
    WideReader in(std::make_unique<fuzz::ChoppedSource>(input, pieces), mode);
    if (unicode) SkipByteOrderMark(in);
    FUZZ_CHECK(CollectLines(in, unicode, &list) == ReadStatus::kOk);
  }
  std::vector<std::u16string> lines;
  std::vector<size_t> starts;
  for (size_t i = 0; i < list.lines.size(); ++i) {
    lines.emplace_back(list.Line(i));
    FUZZ_CHECK(lines.back().size() <= kLineUnits);
    // Every line takes at least its line feed, so starts only grow.
    FUZZ_CHECK(starts.empty() || list.lines[i].start() > starts.back());
    starts.push_back(list.lines[i].start());
  }

  SortLines(descending, &list);
  std::vector<size_t> expected;
  if (lines.size() <= kMostLinesToWalk) {
    expected = InsertionWalk(lines, descending);
    FUZZ_CHECK(OrderByStart(list, starts) == expected);
  }
  if (unique) {
    DropRepeatedLines(&list);
    if (!expected.empty())
      FUZZ_CHECK(OrderByStart(list, starts) == FirstOfEachRun(lines, expected));
  }
  for (size_t i = 1; i < list.lines.size(); ++i) {
    int c = CompareUnits(list.Line(i - 1), list.Line(i));
    FUZZ_CHECK(descending ? c >= 0 : c <= 0);
    if (unique) FUZZ_CHECK(c != 0);
  }

  // The whole run prints exactly the ordered lines, each with a line end.
  StringSink printed;
  {
    WideWriter out(&printed);
    for (size_t i = 0; i < list.lines.size(); ++i) {
      out.PutString(list.Line(i));
      out.PutUnit(u'\n');
    }
  }
  FakeEnv env;
  std::u16string command_line = descending ? u"/R" : u"";
  if (unique) command_line += u"/Q";
  if (mode == InputMode::kConsole) {
    env.stdin_bytes = input;
  } else {
    env.AddFile("in", input);
    // Read in code page 932, as the lines above were: the choice between it
    // and UTF-8 has its own oracle test.
    env.variables["TORVELAN_CODEPAGE"] = "932";
    command_line += unicode ? u"/U in" : u" in";
  }
  FUZZ_CHECK(ToolMain(env, command_line) == 0);
  FUZZ_CHECK(env.stdout_text() == printed.bytes());
  return 0;
}
