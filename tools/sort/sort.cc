#include "tools/sort/sort.h"

#include <memory>
#include <new>
#include <optional>

#include "platform/wide_writer.h"
#include "runtime/filter_input.h"
#include "runtime/option_scan.h"
#include "runtime/path_argument.h"
#include "runtime/tool_message.h"
#include "tools/sort/line_list.h"

namespace tv::sort {

namespace {

constexpr char16_t kInputError[] = u"入力ファイルの読み込みでエラーが発生しました。";
constexpr char16_t kOutputError[] = u"データの出力中にエラーが発生しました。";
constexpr char16_t kOutOfMemory[] = u"メモリが不足しているため、ソートできません。";

constexpr size_t kPrefetchAhead = 16;

}  // namespace

void PrintUsage(WideWriter& out) {
  out.PutLine(u"sort [/R] [/U] [filename]");
  out.PutLine(u"");
  out.PutLine(u" /U   入力ファイルは Unicode");
  out.PutLine(u" /R   降順でソート");
  out.PutLine(u" filename  入力ファイル");
}

int ToolMain(Env& env, const std::u16string& command_line) {
  std::optional<CodePageSetting> code_page = ChosenCodePage(env);
  if (!code_page) return -1;
  WideWriter out(&env.StdOut());
  OptionScan options = ScanOptions(command_line.c_str(), u"RUQ");
  if (options.help) {
    PrintUsage(out);
    // A usage that did not reach its reader is a failed write like any other.
    if (!out.Flush()) {
      PrintToolMessage(env, out, kOutputError);
      return -1;
    }
    return 0;
  }

  // A named file is read in the mode chosen; standard input always comes as
  // console text, whose line ends are cut as text-mode ones.
  std::unique_ptr<WideReader> in;
  bool unicode = false;
  if (options.file_argument != nullptr) {
    unicode = options.Has(u'U');
    char16_t path[kPathUnits];
    ResolveFileArgument(env, path, options.file_argument);
    in = RedirectInputFromFile(env, path, unicode, *code_page);
    if (!in) {
      PrintToolMessage(env, out, kInputError);
      return -1;
    }
    if (unicode) SkipByteOrderMark(*in);
  } else {
    in = std::make_unique<WideReader>(&env.StdIn(), InputMode::kConsole);
  }

  SortedLineList list;
  try {
    if (CollectLines(*in, unicode, &list) == ReadStatus::kError) {
      // Sorting part of the input would pass for a complete result.
      PrintToolMessage(env, out, kInputError);
      return -1;
    }
  } catch (const std::bad_alloc&) {
    list = SortedLineList();
    PrintToolMessage(env, out, kOutOfMemory);
    return -1;
  }
  SortLines(options.Has(u'R'), &list);
  if (options.Has(u'Q')) DropRepeatedLines(&list);

  const size_t count = list.lines.size();
  for (size_t i = 0; i < count && !out.failed(); ++i) {
    // Sorted lines lie all over the text: ask for a later one's units early.
    if (i + kPrefetchAhead < count) {
      // Both ends: a line may straddle two cache lines.
      std::u16string_view later = list.Line(i + kPrefetchAhead);
      __builtin_prefetch(later.data());
      __builtin_prefetch(later.data() + later.size());
    }
    out.PutString(list.Line(i));
    out.PutUnit(u'\n');
  }
  if (!out.Flush()) {
    PrintToolMessage(env, out, kOutputError);
    return -1;
  }
  return 0;
}

}  // namespace tv::sort
