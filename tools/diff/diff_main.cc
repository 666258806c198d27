#include "tools/diff/diff_main.h"

#include <new>
#include <optional>

#include "platform/wide_writer.h"
#include "runtime/filter_input.h"
#include "tools/diff/compare_files.h"
#include "tools/diff/diff_command_line.h"
#include "tools/diff/diff_line.h"
#include "tools/diff/load_lines.h"
#include "tools/diff/report.h"

namespace tv {

namespace {

// Reports a failed load; true when the file was loaded.
bool Loaded(LoadResult result, const CompareFile& file, DiffLineArray& lines,
            DiffLineArray& other, WideWriter& out) {
  switch (result) {
    case LoadResult::kOk:
      return true;
    case LoadResult::kNoStream:
      return false;
    case LoadResult::kOutOfMemory:
      // Memory is given back first, so that the message itself can be written.
      lines.Clear();
      other.Clear();
      out.PutNarrow(kDiffOutOfMemory);
      return false;
    case LoadResult::kReadError:
      out.Printf(kDiffOpenFailed, {file.path});
      return false;
  }
  return false;
}

int RunDiff(Env& env, WideWriter& out, const char16_t* command_line, CodePageSetting code_page) {
  const char16_t* cursor = SkipArgumentBlanks(command_line, true);
  if (*cursor == 0) {
    PrintUsage(out);
    return kDiffUsageShown;
  }
  bool ignore_blanks = false;
  if (IsDiffOption(cursor, u'i')) {
    ignore_blanks = true;
    cursor = SkipArgumentBlanks(cursor + 2, true);
  }
  CompareFile first = OpenCompareFile(env, out, &cursor, 1, code_page);
  if (!first.stream) return 0;
  CompareFile second = OpenCompareFile(env, out, &cursor, 2, code_page);

  DiffLineArray first_lines;
  DiffLineArray second_lines;
  PairLoadResult loaded =
      LoadPair(first.stream.get(), &first_lines, second.stream.get(), &second_lines);
  if (!Loaded(loaded.first, first, first_lines, second_lines, out)) return 0;
  if (!Loaded(loaded.second, second, second_lines, first_lines, out)) return 0;
  if (first.mode != second.mode) PrintEncodingHeader(out, first.mode, second.mode);
  CompareFiles(first_lines, second_lines, ignore_blanks, out);
  return 0;
}

}  // namespace

int DiffMain(Env& env, const std::u16string& command_line) {
  WideWriter out(&env.StdOut());
  int result;
  try {
    std::optional<CodePageSetting> code_page = ChosenCodePage(env);
    if (!code_page) return kDiffWriteFailed;  // 255, as for any failure of its own
    result = RunDiff(env, out, command_line.c_str(), *code_page);
  } catch (const std::bad_alloc&) {
    // Storing lines has its own handling; this catches the rest (the
    // pairing's index, the output buffer) after the unwinding has freed
    // the loaded files.
    out.PutNarrow(kDiffOutOfMemory);
    result = 0;
  }
  if (!out.Flush()) return kDiffWriteFailed;
  return result;
}

}  // namespace tv
