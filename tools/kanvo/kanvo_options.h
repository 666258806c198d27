// KANVO's command line: the options /H /I /O /N with their keywords, ahead
// of the input and output names.
#ifndef TV_TOOLS_KANVO_KANVO_OPTIONS_H_
#define TV_TOOLS_KANVO_KANVO_OPTIONS_H_

#include <string>

#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

// The first position at or after p that holds neither a blank nor a tab.
const char16_t* SkipBlanks(const char16_t* p);

// Reads a code keyword at *cursor: CODE_SJIS..CODE_UNICODE, or CODE_INVALID.
// A word the keywords do not know may be one of the usual code names:
// UTF-8 (UTF8N), UTF-16 and UTF-16LE (UNICODE), ISO-2022-JP (JIS), CP932
// and Windows-31J (SJIS), in any case. The cursor moves to the next blank,
// tab or terminating zero.
TextCode ParseCodeKeyword(const char16_t** cursor);

// Reads a newline keyword at *cursor: NL_CRLF, NL_CR, NL_LF, or NL_NONE when
// it is not recognised. The cursor moves as for ParseCodeKeyword.
NewlineKind ParseNewlineKeyword(const char16_t** cursor);

// The word at *cursor as it was given (blanks before it skipped, a quoted
// word without its quotation marks); the cursor moves past it.
std::u16string GivenWord(const char16_t** cursor);

// The names after "--guess" when the line begins with that word; else null.
const char16_t* GuessNames(const char16_t* command_line);

struct KanvoOptions {
  TextCode input_code = CODE_AUTO;
  TextCode output_code = CODE_SJIS;
  NewlineKind newline_target = NL_NONE;  // NL_NONE: /N not given
  const char16_t* names = nullptr;       // where the file names begin
};

enum class ScanResult {
  kNames,       // options taken; the file names follow at names
  kUsage,       // /H: show the usage text
  kNoNames,     // options taken, no file name follows
  kBadInput,    // bad /I keyword (message 9)
  kBadOutput,   // bad /O keyword (message 10)
  kBadNewline,  // bad /N keyword (message 11)
};

// Scans the options of a zero-terminated command line. Option letters and
// keywords match in either case; the last of a repeated option counts.
ScanResult ScanKanvoOptions(const char16_t* command_line, KanvoOptions* options);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_KANVO_OPTIONS_H_
