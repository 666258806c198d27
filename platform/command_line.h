// The command line a tool receives: the text after its command name, made
// from argv as the shell would pass it.
#ifndef TV_PLATFORM_COMMAND_LINE_H_
#define TV_PLATFORM_COMMAND_LINE_H_

#include <functional>
#include <string>
#include <string_view>

#include "platform/env.h"
#include "platform/wide_writer.h"

namespace tv {

// Arguments joined by one blank; an argument that is empty, or holds a blank
// or a tab and no double quote, is enclosed in double quotes. Bytes are
// decoded as UTF-8 with invalid bytes escaped.
std::u16string CommandLineFromArgv(int argc, const char* const* argv);

// An absolute Linux path in device form, so that a path bash completed is
// never read as options, nor as a name relative to the shell's folder: an
// argument that starts with '/', holds another '/' after a non-empty first
// part, and whose first part is an existing folder at the root has every
// '/' turned into '\', whether or not the rest exists (a missing folder is
// then reported as missing). Any other argument comes back as it is, so
// "//h", "/R/U" (no folder /R), "/Ua.txt" and "/O" keep their meaning.
std::string DeviceFormOfArgument(Env& env, std::string_view arg);

// True when the device reads `text` as another name than Linux does: it
// holds a backslash (a separator there), or a part between separators
// begins or ends with white space the device trims (blank, tab, CR, LF,
// U+3000, U+00A0). Decided on the text alone, never on what exists, so that
// no file appearing or vanishing can change the answer.
bool DeviceReadsAnotherName(std::string_view text);

// Set to "1" by tvsh for the commands typed at its prompt, where device
// paths are at home and no glob made the words.
inline constexpr char kTypedVariable[] = "TORVELAN_TYPED";

// The tool's command line: each argument in device form, then joined as
// CommandLineFromArgv does. False, with *refused set to the argument, when
// an argument holds a double quote (the device's command line has no escape
// for it, so passed on it would split into names the user never gave), or,
// unless the line was typed at tvsh's prompt, when the device would read
// the argument as another name (a glob over a folder others can write may
// have made it).
bool ToolCommandLine(Env& env, int argc, const char* const* argv, std::u16string* line,
                     std::string* refused);

// What a tool tells about itself when asked the Linux way.
struct ToolInfo {
  const char* name;                           // as --version shows it
  std::function<void(WideWriter&)> usage;     // the tool's own usage text
  std::u16string_view linux_forms;            // lines on the forms Linux adds, or empty
};

// The Linux ways of asking, as the only argument: "--help", "-h" and "/?"
// show the usage and the lines on the Linux forms, "--version" one line.
// A file of such a name is still reached as "./--help". Returns the exit
// status, or -1 when the arguments are no such question.
int AnswerToolQuestion(Env& env, int argc, const char* const* argv, const ToolInfo& info);

// The exit value of a refused command line.
inline constexpr int kRefusedCommandLine = 255;

// What every tool's main does: answers --help and --version (above); runs
// `tool` on its command line, or, for an argument refused as above, names
// it on standard error and returns
// kRefusedCommandLine without running the tool (nothing read or written).
int RunTool(Env& env, int argc, const char* const* argv, const ToolInfo& info,
            const std::function<int(const std::u16string&)>& tool);

}  // namespace tv

#endif  // TV_PLATFORM_COMMAND_LINE_H_
