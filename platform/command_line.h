// The command line a tool receives: the text after its command name, made
// from argv as the shell would pass it.
#ifndef TV_PLATFORM_COMMAND_LINE_H_
#define TV_PLATFORM_COMMAND_LINE_H_

#include <functional>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace tv {

// Arguments joined by one blank; an argument that is empty, or holds a blank
// or a tab and no double quote, is enclosed in double quotes. Bytes are
// decoded as UTF-8 with invalid bytes escaped.
std::u16string CommandLineFromArgv(int argc, const char* const* argv);

// An absolute Linux path in device form, so that a path bash completed is
// never read as options: an argument that starts with '/', holds another '/'
// after it, and whose part before its last '/' is an existing folder has
// every '/' turned into '\'. Any other argument comes back as it is, so
// "/R/U", "/Ua.txt" and "/O" keep their meaning.
std::string DeviceFormOfArgument(Env& env, std::string_view arg);

// The tool's command line: each argument in device form, then joined as
// CommandLineFromArgv does. False, with *refused set to the argument, when
// an argument holds a double quote: the device's command line has no escape
// for it, so passed on it would split into names the user never gave.
bool ToolCommandLine(Env& env, int argc, const char* const* argv, std::u16string* line,
                     std::string* refused);

// The exit value of a refused command line.
inline constexpr int kRefusedCommandLine = 255;

// What every tool's main does: runs `tool` on its command line, or, for an
// argument holding a double quote, names it on standard error and returns
// kRefusedCommandLine without running the tool (nothing read or written).
int RunTool(Env& env, int argc, const char* const* argv,
            const std::function<int(const std::u16string&)>& tool);

}  // namespace tv

#endif  // TV_PLATFORM_COMMAND_LINE_H_
