// The command line a tool receives: the text after its command name, made
// from argv as the shell would pass it.
#ifndef TV_PLATFORM_COMMAND_LINE_H_
#define TV_PLATFORM_COMMAND_LINE_H_

#include <string>

namespace tv {

// Arguments joined by one blank; an argument that is empty, or holds a blank
// or a tab and no double quote, is enclosed in double quotes. Bytes are
// decoded as UTF-8 with invalid bytes escaped.
std::u16string CommandLineFromArgv(int argc, const char* const* argv);

}  // namespace tv

#endif  // TV_PLATFORM_COMMAND_LINE_H_
