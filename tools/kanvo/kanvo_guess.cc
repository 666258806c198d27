#include "tools/kanvo/kanvo_guess.h"

#include <memory>
#include <string>
#include <string_view>

#include "platform/wide_writer.h"
#include "runtime/filter_input.h"
#include "runtime/path_argument.h"
#include "tools/kanvo/input_passes.h"
#include "tools/kanvo/kanvo_messages.h"
#include "tools/kanvo/kanvo_options.h"

namespace kanvo {

namespace {

// The keywords of /I by code and of /N by kind. ASCII text is converted
// as SJIS; NONE (no line break) is no keyword of /N.
constexpr std::u16string_view kCodeKeywords[] = {u"SJIS", u"SJIS",  u"JIS",    u"EUC",
                                                 u"UTF8", u"UTF8N", u"UNICODE"};
constexpr std::u16string_view kNewlineKeywords[] = {u"CRLF", u"CR", u"LF", u"NONE"};

// A name as shown on the line: with slashes, as Linux names it (an
// absolute path reaches the tool in device form), and with no control
// character, which could move the cursor or hide the rest of the line.
std::u16string Shown(std::u16string name) {
  for (char16_t& u : name) {
    if (u == u'\\') u = u'/';
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) u = u'?';
  }
  return name;
}

// Guesses one file; false (with its message on standard error) when it
// cannot be read.
bool GuessFile(tv::Env& env, tv::WideWriter& out, const std::u16string& given,
               const std::u16string& path) {
  // The messages of a conversion, on standard error: standard output holds
  // only answers, for a script to read.
  auto fail = [&](int message, std::u16string_view name) {
    ShowMessage(env, message, name, &env.StdErr());
    return false;
  };
  tv::FileAttributes attrs = env.GetFileAttributes(path);
  if (!attrs.exists) return fail(MSG_INPUT_MISSING, path);
  if (attrs.directory) return fail(MSG_INPUT_IS_FOLDER, path);
  std::unique_ptr<tv::ByteSource> source = env.OpenFile(path);
  InputScan scan;
  // One pass, holding nothing: a pipe is read once through.
  switch (source ? ScanOnce(*source, /*detect=*/true, &scan) : CONV_ERR_IO) {
    case CONV_OK:
      break;
    case CONV_ERR_NOMEM:
      return fail(MSG_OUT_OF_MEMORY, {});
    default:
      return fail(MSG_CANNOT_ACCESS, path);
  }
  // Detection answers a code of the table, or none; the fallback always one.
  TextCode code = scan.code == CODE_INVALID ? scan.fallback_code : scan.code;
  std::u16string line = Shown(given) + u": ";
  line += kCodeKeywords[code <= CODE_UNICODE ? code : CODE_SJIS];
  line += u' ';
  line += kNewlineKeywords[scan.kind];
  out.PutLine(line);
  return true;
}

}  // namespace

int GuessMain(tv::Env& env, const char16_t* names) {
  tv::WideWriter out(&env.StdOut());
  bool all_read = true;
  if (*SkipBlanks(names) == 0) {
    if (!tv::StdInHoldsText(env)) return ShowUsage(env) ? 0 : 1;
    std::u16string stdin_name(tv::kStandardStreamName);
    all_read = GuessFile(env, out, stdin_name, stdin_name);
  }
  const char16_t* cursor = names;
  while (*SkipBlanks(cursor) != 0) {
    const char16_t* word = cursor;
    std::u16string given = GivenWord(&word);
    std::u16string path;
    tv::TakePathArgument(env, &cursor, &path);
    if (!GuessFile(env, out, given, path)) all_read = false;
    // Each answer reaches a reader that waits on it before the next file.
    if (!out.Flush()) return 1;
  }
  return out.Flush() && all_read ? 0 : 1;
}

}  // namespace kanvo
