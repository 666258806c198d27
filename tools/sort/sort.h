// sort: the lines of a file or of standard input in code-unit order.
#ifndef TV_TOOLS_SORT_SORT_H_
#define TV_TOOLS_SORT_SORT_H_

#include <string>

#include "platform/env.h"
#include "platform/wide_writer.h"

namespace tv::sort {

// Runs the tool on its command line; returns the exit value (0, or -1 when
// the input cannot be read, memory runs out or the output fails).
int ToolMain(Env& env, const std::u16string& command_line);

// The usage text, as /H shows it.
void PrintUsage(WideWriter& out);

}  // namespace tv::sort

#endif  // TV_TOOLS_SORT_SORT_H_
