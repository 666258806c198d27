// The diff tool: compares two files line by line and reports the differing
// line ranges on standard output.
#ifndef TV_TOOLS_DIFF_DIFF_MAIN_H_
#define TV_TOOLS_DIFF_DIFF_MAIN_H_

#include <string>

#include "platform/env.h"

namespace tv {

// The out-of-memory message, as Shift_JIS bytes for the narrow output.
inline constexpr char kDiffOutOfMemory[] =
    "\x83\x81\x83\x82\x83\x8A\x81\x5B\x95\x73\x91\xAB\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC"
    "\x82\xB5\x82\xBD\x81\x42";  // メモリー不足が発生しました。

// Exit values: 1 when the command line is empty (usage shown), -1 when the
// report could not be written to standard output, 0 for every other run.
inline constexpr int kDiffUsageShown = 1;
inline constexpr int kDiffWriteFailed = -1;

int DiffMain(Env& env, const std::u16string& command_line);

}  // namespace tv

#endif  // TV_TOOLS_DIFF_DIFF_MAIN_H_
