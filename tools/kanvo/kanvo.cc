#include "tools/kanvo/kanvo.h"

#include <string>

#include "platform/wide_writer.h"
#include "runtime/path_argument.h"
#include "tools/kanvo/convert.h"
#include "tools/kanvo/detect.h"
#include "tools/kanvo/file_reader.h"
#include "tools/kanvo/kanvo_messages.h"
#include "tools/kanvo/kanvo_options.h"
#include "tools/kanvo/newline.h"
#include "tools/kanvo/output_writer.h"

namespace kanvo {

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

int Fail(tv::Env& env, int message, std::u16string_view name = {}) {
  ShowMessage(env, message, name);
  return kFailure;
}

// Releases a text buffer's memory at once, not just its contents.
void Release(std::string* buffer) { std::string().swap(*buffer); }

// Checks the output file found and asks before it is replaced. Returns
// kSuccess to go on, else the exit value (a message was shown, or the
// answer was No). An output that cannot be written at all counts as
// missing here and fails when it is created.
int CheckOutputFile(tv::Env& env, tv::OutputTarget& output, const std::u16string& output_name) {
  tv::FileAttributes attrs = output.Attributes();
  if (!attrs.exists) return kSuccess;
  if (attrs.directory) return Fail(env, MSG_OUTPUT_IS_FOLDER, output_name);
  if (attrs.read_only) {
    if (!AskQuestion(env, MSG_ASK_READ_ONLY, output_name)) return kFailure;
    if (!output.ClearReadOnly()) return Fail(env, MSG_ATTRIBUTE_ERROR, output_name);
    return kSuccess;
  }
  return AskQuestion(env, MSG_ASK_OVERWRITE, output_name) ? kSuccess : kFailure;
}

// The raw input to the Shift_JIS pivot. A Shift_JIS input is handed over,
// not copied; any other input is released once converted.
ConvStatus ToPivot(TextCode code, std::string* raw, std::string* pivot) {
  std::string_view text = *raw;
  ConvStatus status = CONV_OK;
  switch (code) {
    case CODE_JIS:
      status = JisToSjis(text, pivot);
      break;
    case CODE_EUC:
      status = EucToSjis(text, pivot);
      break;
    case CODE_UTF8:
      if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
      status = Utf8ToSjis(text, pivot);
      break;
    case CODE_UTF8N:
      status = Utf8ToSjis(text, pivot);
      break;
    case CODE_UNICODE:
      // Either mark is dropped; the units are always little-endian.
      if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) text.remove_prefix(2);
      status = Utf16ToSjis(text, pivot);
      break;
    default:
      *pivot = std::move(*raw);
      break;
  }
  Release(raw);
  return status;
}

// The pivot to the output code; *kind follows the UTF-16 assembly, which
// rewrites the line breaks itself.
ConvStatus FromPivot(TextCode code, std::string* pivot, NewlineKind target, NewlineKind* kind,
                     std::string* output) {
  ConvStatus status = CONV_OK;
  switch (code) {
    case CODE_JIS:
      status = SjisToJis(*pivot, output);
      break;
    case CODE_EUC:
      status = SjisToEuc(*pivot, output);
      break;
    case CODE_UTF8:
    case CODE_UTF8N:
      status = SjisToUtf8(*pivot, output);
      break;
    case CODE_UNICODE:
      status = AssembleUtf16Output(*pivot, *kind, target, output, kind);
      break;
    default:
      *output = std::move(*pivot);
      break;
  }
  Release(pivot);
  return status;
}

}  // namespace

int KanvoMain(tv::Env& env, std::u16string_view command_line) {
  // The scan walks a zero-terminated line, as the shell hands it over.
  const std::u16string line(command_line);
  KanvoOptions options;
  switch (ScanKanvoOptions(line.c_str(), &options)) {
    case ScanResult::kUsage:
      return ShowUsage(env) ? kSuccess : kFailure;
    case ScanResult::kBadInput:
      return Fail(env, MSG_BAD_INPUT_CODE);
    case ScanResult::kBadOutput:
      return Fail(env, MSG_BAD_OUTPUT_CODE);
    case ScanResult::kBadNewline:
      return Fail(env, MSG_BAD_NEWLINE);
    case ScanResult::kNames:
      break;
  }
  const char16_t* cursor = options.names;
  std::u16string input_name, output_name;
  tv::TakePathArgument(env, &cursor, &input_name);
  tv::TakePathArgument(env, &cursor, &output_name);

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
    if (int result = CheckOutputFile(env, *output_target, output_name); result != kSuccess) {
      return result;
    }
  }
  NewlineKind target = options.newline_target;
  if (target == NL_NONE) target = DefaultNewlineTarget(output_code);

  // The whole input is read (and closed) before the output is created, so
  // the input and the output may be the same file.
  std::string raw;
  switch (ReadWholeFile(env, input_name, &raw)) {
    case CONV_OK:
      break;
    case CONV_ERR_NOMEM:
      return Fail(env, MSG_OUT_OF_MEMORY);
    default:
      return Fail(env, MSG_CANNOT_ACCESS, input_name);
  }
  TextCode input_code = options.input_code;
  if (input_code == CODE_AUTO) {
    input_code = DetectInputCode(raw);
    if (input_code == CODE_INVALID) input_code = FallbackInputCode(raw);
    if (input_code == CODE_ASCII) input_code = CODE_SJIS;
  }
  NewlineKind kind = DetectNewlineKind(raw);

  std::string pivot, output;
  if (ToPivot(input_code, &raw, &pivot) != CONV_OK) return Fail(env, MSG_OUT_OF_MEMORY);
  if (FromPivot(output_code, &pivot, target, &kind, &output) != CONV_OK) {
    return Fail(env, MSG_OUT_OF_MEMORY);
  }

  if (output_name.empty()) {
    if (WriteToConsole(env, output, kind) != CONV_OK) {
      // Standard output itself failed: say so where it can still be seen.
      tv::WideWriter err(&env.StdErr());
      err.PutLine(std::u16string(MessageText(MSG_WRITE_ERROR)));
      return kFailure;
    }
    return kSuccess;
  }
  switch (WriteOutputFile(*output_target, output, output_code, kind, target)) {
    case CONV_OK:
      return kSuccess;
    case CONV_ERR_CREATE:
      return Fail(env, MSG_CREATE_ERROR);
    default:
      return Fail(env, MSG_WRITE_ERROR);
  }
}

}  // namespace kanvo
