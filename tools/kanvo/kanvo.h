// KANVO, the Japanese text code converter: one run converts one file from
// one character code to another (through the Shift_JIS pivot) and sets its
// line-break convention, writing to an output file or standard output.
#ifndef TV_TOOLS_KANVO_KANVO_H_
#define TV_TOOLS_KANVO_KANVO_H_

#include <string_view>

#include "platform/env.h"

namespace kanvo {

// Runs KANVO on its command line (the text after the command name) and
// returns the exit value: 0 when the text was written or the usage shown,
// 1 on any error or a question not answered Yes.
int KanvoMain(tv::Env& env, std::u16string_view command_line);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_KANVO_H_
