// vornak over random input in each mode, which puts the wide reader's
// three decoders, and vornak's own way with UTF-8, through their paces: the
// whole run, reading a named file or standard input, must print the input
// decoded plainly (code page 932 or UTF-8 with CR LF as LF, or UTF-16
// units), without a leading mark in a named file, every unit upper-cased on
// its own.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "platform/case_map.h"
#include "platform/cp932.h"
#include "platform/fake_env.h"
#include "platform/utf16.h"
#include "platform/wide_reader.h"
#include "platform/wide_writer.h"
#include "tools/vornak/vornak.h"

using namespace tv;

namespace {

std::u16string PlainDecode(const std::string& bytes, InputMode mode) {
  switch (mode) {
    case InputMode::kUnicode: {
      std::u16string units;
      for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                              static_cast<uint8_t>(bytes[i + 1]) << 8));
      }
      return units;
    }
    case InputMode::kText:
      return fuzz::ReplaceAll(Cp932ToUtf16(bytes), u"\r\n", u"\n");
    case InputMode::kUtf8Text:
      if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        return PlainDecode(bytes.substr(3), InputMode::kConsole);
      }
      break;
    case InputMode::kConsole:
      break;
  }
  return fuzz::ReplaceAll(Utf8ToUtf16(bytes), u"\r\n", u"\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fuzz(data, size);
  InputMode mode = fuzz.PickValueInArray(
      {InputMode::kConsole, InputMode::kText, InputMode::kUnicode, InputMode::kUtf8Text});
  std::vector<size_t> pieces = fuzz::ConsumePieces(fuzz);
  std::string input = fuzz.ConsumeRemainingBytesAsString();

  std::u16string units = PlainDecode(input, mode);
  // The reader, a few bytes at a time, one unit at a time, decodes alike.
  {
    WideReader in(std::make_unique<fuzz::ChoppedSource>(input, pieces), mode);
    std::u16string read;
    for (int unit; (unit = in.GetUnit()) >= 0;) read.push_back(static_cast<char16_t>(unit));
    FUZZ_CHECK(!in.failed());
    FUZZ_CHECK(read == units);
  }
  // A named file's mark; UTF-8 text has had its one mark skipped already.
  bool marked = mode == InputMode::kText || mode == InputMode::kUnicode;
  if (marked && !units.empty() && (units[0] == 0xFEFF || units[0] == 0xFFFE)) {
    units.erase(0, 1);
  }
  std::u16string upper = units;
  for (char16_t& u : upper) u = ToUpperUnit(u);
  std::u16string fast = units;
  vornak::UpperCaseUnits(fast.data(), fast.size());
  FUZZ_CHECK(fast == upper);

  StringSink printed;
  {
    WideWriter out(&printed);
    out.PutString(upper);
  }
  FakeEnv env;
  std::u16string command_line;
  if (mode == InputMode::kConsole) {
    env.stdin_bytes = input;
  } else {
    env.AddFile("in", input);
    // Read in the code page the lines above were: the choice between code
    // page 932 and UTF-8 has its own oracle test.
    env.variables["TORVELAN_CODEPAGE"] = mode == InputMode::kUtf8Text ? "65001" : "932";
    command_line = mode == InputMode::kUnicode ? u"/U in" : u"in";
  }
  FUZZ_CHECK(vornak::ToolMain(env, command_line) == 0);
  FUZZ_CHECK(env.stdout_text() == printed.bytes());
  return 0;
}
