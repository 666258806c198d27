// KANVO's command line: the options /H /I /O /N with their keywords, ahead
// of the input and output names.
#ifndef TV_TOOLS_KANVO_KANVO_OPTIONS_H_
#define TV_TOOLS_KANVO_KANVO_OPTIONS_H_

#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

// The first position at or after p that holds neither a blank nor a tab.
const char16_t* SkipBlanks(const char16_t* p);

// Reads a code keyword at *cursor: CODE_SJIS..CODE_UNICODE, or CODE_INVALID.
// The cursor moves to the next blank, tab or terminating zero.
TextCode ParseCodeKeyword(const char16_t** cursor);

// Reads a newline keyword at *cursor: NL_CRLF, NL_CR, NL_LF, or NL_NONE when
// it is not recognised. The cursor moves as for ParseCodeKeyword.
NewlineKind ParseNewlineKeyword(const char16_t** cursor);

struct KanvoOptions {
  TextCode input_code = CODE_AUTO;
  TextCode output_code = CODE_SJIS;
  NewlineKind newline_target = NL_NONE;  // NL_NONE: /N not given
  const char16_t* names = nullptr;       // where the file names begin
};

enum class ScanResult {
  kNames,       // options taken; the file names follow at names
  kUsage,       // /H, or no file name: show the usage text
  kBadInput,    // bad /I keyword (message 9)
  kBadOutput,   // bad /O keyword (message 10)
  kBadNewline,  // bad /N keyword (message 11)
};

// Scans the options of a zero-terminated command line. Option letters and
// keywords match in either case; the last of a repeated option counts.
ScanResult ScanKanvoOptions(const char16_t* command_line, KanvoOptions* options);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_KANVO_OPTIONS_H_
