#include "tools/kanvo/kanvo.h"

#include <memory>
#include <string>

#include "platform/wide_writer.h"
#include "runtime/filter_input.h"
#include "runtime/path_argument.h"
#include "tools/kanvo/input_passes.h"
#include "tools/kanvo/kanvo_guess.h"
#include "tools/kanvo/kanvo_messages.h"
#include "tools/kanvo/kanvo_options.h"
#include "tools/kanvo/newline.h"
#include "tools/kanvo/output_writer.h"
#include "tools/kanvo/stream_convert.h"

namespace kanvo {

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

int Fail(tv::Env& env, int message, std::u16string_view name = {}) {
  ShowMessage(env, message, name);
  return kFailure;
}

// The output file as the converter's sink.
class OutputFileSink : public tv::ByteSink {
 public:
  explicit OutputFileSink(tv::OutputFile* file) : file_(file) {}
  size_t Write(const void* buf, size_t n) override { return file_->Write(buf, n); }

 private:
  tv::OutputFile* file_;
};

// Checks the output file found and asks before it is replaced. Returns
// kSuccess to go on, else the exit value (a message was shown, or the
// answer was No). An output that cannot be written at all counts as
// missing here and fails when it is created.
int CheckOutputFile(tv::Env& env, tv::OutputTarget& output, const std::u16string& output_name,
                    bool input_on_stdin) {
  tv::FileAttributes attrs = output.Attributes();
  if (!attrs.exists) return kSuccess;
  if (attrs.directory) return Fail(env, MSG_OUTPUT_IS_FOLDER, output_name);
  // The answer is read from standard input, which holds the text here.
  if (input_on_stdin) return Fail(env, MSG_NO_QUESTION, output_name);
  if (attrs.read_only) {
    if (!AskQuestion(env, MSG_ASK_READ_ONLY, output_name)) return kFailure;
    if (!output.ClearReadOnly()) return Fail(env, MSG_ATTRIBUTE_ERROR, output_name);
    return kSuccess;
  }
  return AskQuestion(env, MSG_ASK_OVERWRITE, output_name) ? kSuccess : kFailure;
}

// One line on standard error when characters could not be kept, so that
// the loss is never silent; the exit value and the output stay as they are.
void ReportReplaced(tv::Env& env, uint64_t replaced) {
  if (replaced == 0) return;
  std::string line = "KANVO: " + std::to_string(replaced) + " 文字を変換できず置き換えました\n";
  env.StdErr().Write(line.data(), line.size());
  env.StdErr().Flush();
}

}  // namespace

int KanvoMain(tv::Env& env, std::u16string_view command_line) {
  // The scan walks a zero-terminated line, as the shell hands it over.
  const std::u16string line(command_line);
  if (const char16_t* names = GuessNames(line.c_str())) return GuessMain(env, names);
  KanvoOptions options;
  ScanResult scanned = ScanKanvoOptions(line.c_str(), &options);
  switch (scanned) {
    case ScanResult::kUsage:
      return ShowUsage(env) ? kSuccess : kFailure;
    case ScanResult::kNoNames:
      // Text on standard input is converted as a filter would; a terminal
      // or no input at all still gets the usage.
      if (!tv::StdInHoldsText(env)) return ShowUsage(env) ? kSuccess : kFailure;
      break;
    case ScanResult::kBadInput:
      return Fail(env, MSG_BAD_INPUT_CODE);
    case ScanResult::kBadOutput:
      return Fail(env, MSG_BAD_OUTPUT_CODE);
    case ScanResult::kBadNewline:
      return Fail(env, MSG_BAD_NEWLINE);
    case ScanResult::kNames:
      break;
  }
  std::u16string input_name(tv::kStandardStreamName), output_name;
  if (scanned == ScanResult::kNames) {
    const char16_t* cursor = options.names;
    tv::TakePathArgument(env, &cursor, &input_name);
    tv::TakePathArgument(env, &cursor, &output_name);
    // A glob or options after the names would be dropped unread (a glob's
    // second file replaced by the first): refused before anything is done.
    if (*SkipBlanks(cursor) != 0) return Fail(env, MSG_EXTRA_NAMES, GivenWord(&cursor));
  }

  tv::FileAttributes input_attrs = env.GetFileAttributes(input_name);
  if (!input_attrs.exists) return Fail(env, MSG_INPUT_MISSING, input_name);
  if (input_attrs.directory) return Fail(env, MSG_INPUT_IS_FOLDER, input_name);
  TextCode output_code = options.output_code;
  // The output is looked up once: the question, clearing read-only and the
  // file written all concern the file found now.
  std::unique_ptr<tv::OutputTarget> output_target;
  if (output_name.empty()) {
    output_code = CODE_SJIS;  // standard output shows the pivot itself
  } else {
    output_target = env.OpenOutput(output_name);
    bool input_on_stdin = input_name == tv::kStandardStreamName;
    if (int result = CheckOutputFile(env, *output_target, output_name, input_on_stdin);
        result != kSuccess) {
      return result;
    }
  }
  NewlineKind target = options.newline_target;
  if (target == NL_NONE) target = DefaultNewlineTarget(output_code);

  // The input is opened once and read through that descriptor only. The
  // output goes to a new file that replaces the old one when complete, so
  // the input and the output may be the same file.
  std::unique_ptr<tv::ByteSource> source = env.OpenFile(input_name);
  InputScan scan;
  switch (source ? ScanInput(*source, options.input_code == CODE_AUTO, &scan) : CONV_ERR_IO) {
    case CONV_OK:
      break;
    case CONV_ERR_NOMEM:
      return Fail(env, MSG_OUT_OF_MEMORY);
    default:
      return Fail(env, MSG_CANNOT_ACCESS, input_name);
  }
  TextCode input_code = options.input_code;
  if (input_code == CODE_AUTO) {
    input_code = scan.code;
    if (input_code == CODE_INVALID) input_code = scan.fallback_code;
    if (input_code == CODE_ASCII) input_code = CODE_SJIS;
  }
  const StreamPlan plan = {input_code, output_code, scan.kind, target, output_name.empty()};
  bool read_failed = false;

  if (output_name.empty()) {
    StreamConverter converter(plan, &env.StdOut());
    switch (ConvertInput(*source, &scan, &converter, &read_failed)) {
      case CONV_OK:
        ReportReplaced(env, converter.replaced());
        return kSuccess;
      case CONV_ERR_NOMEM:
        return Fail(env, MSG_OUT_OF_MEMORY);
      default:
        if (read_failed) return Fail(env, MSG_CANNOT_ACCESS, input_name);
        // Standard output itself failed: say so where it can still be seen.
        tv::WideWriter err(&env.StdErr());
        err.PutLine(std::u16string(MessageText(MSG_WRITE_ERROR)));
        return kFailure;
    }
  }
  std::unique_ptr<tv::OutputFile> file = output_target->Create();
  if (!file) return Fail(env, MSG_CREATE_ERROR);
  OutputFileSink sink(file.get());
  StreamConverter converter(plan, &sink);
  // Dropping the file uncommitted leaves the previous one whole.
  switch (ConvertInput(*source, &scan, &converter, &read_failed)) {
    case CONV_OK:
      if (!file->Commit()) {
        return Fail(env, file->PlacementRefused() ? MSG_CREATE_ERROR : MSG_WRITE_ERROR);
      }
      ReportReplaced(env, converter.replaced());
      return kSuccess;
    case CONV_ERR_NOMEM:
      return Fail(env, MSG_OUT_OF_MEMORY);
    default:
      return read_failed ? Fail(env, MSG_CANNOT_ACCESS, input_name) : Fail(env, MSG_WRITE_ERROR);
  }
}

}  // namespace kanvo
