#include "tools/vornak/vornak.h"

#include <memory>

#include "platform/case_map.h"
#include "platform/wide_writer.h"
#include "runtime/filter_input.h"
#include "runtime/option_scan.h"
#include "runtime/path_argument.h"
#include "runtime/tool_message.h"

namespace tv::vornak {

namespace {

constexpr char16_t kInputError[] = u"入力ファイルの読み込みでエラーが発生しました。";
constexpr char16_t kOutputError[] = u"データの出力中にエラーが発生しました。";

// The usage is kept as code page 932 bytes and shown through the code page.
constexpr char kUsageLine1[] = "vornak [/U] [filename]\n";
constexpr char kUsageLine2[] =
    " /U  \x8E\x77\x92\xE8\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCD Unicode\n";

constexpr size_t kChunkUnits = 32 * 1024;

}  // namespace

void UpperCaseUnits(char16_t* units, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    char16_t u = units[i];
    if (u < 0x80) {
      // Most text is ASCII; spare it the table.
      if (u >= u'a' && u <= u'z') units[i] = u - (u'a' - u'A');
    } else {
      units[i] = ToUpperUnit(u);
    }
  }
}

int ToolMain(Env& env, const std::u16string& command_line) {
  WideWriter out(&env.StdOut());
  OptionScan options = ScanOptions(command_line.c_str(), u"U");
  if (options.help) {
    out.PutNarrow(kUsageLine1);
    out.PutNarrow(kUsageLine2);
    out.Flush();
    return 0;
  }

  std::unique_ptr<WideReader> in;
  if (options.file_argument != nullptr) {
    char16_t path[kPathUnits];
    ResolveFileArgument(env, path, options.file_argument);
    in = RedirectInputFromFile(env, path, options.Has(u'U'));
    if (!in) {
      PrintToolMessage(env, out, kInputError);
      return -1;
    }
    SkipByteOrderMark(*in);
  } else {
    in = std::make_unique<WideReader>(&env.StdIn(), InputMode::kConsole);
  }

  // Whole chunks rather than lines: the text passes unit for unit anyway.
  std::unique_ptr<char16_t[]> chunk(new char16_t[kChunkUnits]);
  bool read_failed = false;
  for (;;) {
    size_t n = in->GetUnits(chunk.get(), kChunkUnits);
    if (n == 0) {
      read_failed = in->failed();
      break;
    }
    UpperCaseUnits(chunk.get(), n);
    // Failure is the stream's error state; no unit value can stand for it.
    if (!out.PutString({chunk.get(), n})) break;
  }
  // What was read before a read error is written out before the message.
  if (!out.Flush()) {
    PrintToolMessage(env, out, kOutputError);
    return -1;
  }
  if (read_failed) {
    PrintToolMessage(env, out, kInputError);
    return -1;
  }
  return 0;
}

}  // namespace tv::vornak
