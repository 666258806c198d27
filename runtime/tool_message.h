// Messages of the device tools: whole lines on standard output.
#ifndef TV_RUNTIME_TOOL_MESSAGE_H_
#define TV_RUNTIME_TOOL_MESSAGE_H_

#include <string_view>

#include "platform/env.h"
#include "platform/wide_writer.h"

namespace tv {

// Writes the message as a line to `out` (the tool's standard output) and
// flushes it. When standard output has failed, which is what an output
// error message is usually about, the line goes to standard error instead,
// so that it is seen at all.
void PrintToolMessage(Env& env, WideWriter& out, std::u16string_view message);

}  // namespace tv

#endif  // TV_RUNTIME_TOOL_MESSAGE_H_
