// What a line typed into the interactive tvsh means: the command name, the
// text after it, and the arguments that carry that text to a tool.
#ifndef TV_SHELL_SHELL_LINE_H_
#define TV_SHELL_SHELL_LINE_H_

#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct ShellLine {
  std::string command;            // the first word, its double quotes removed
  std::string rest;               // the text after it, outer blanks dropped
  std::vector<std::string> args;  // `rest` as words for the tool's argv, unquoted
};

// The words are split at blanks and tabs outside double quotes, and their
// quotes removed: a tool refuses an argument holding a double quote, and
// quotes again one that is empty or holds a blank or a tab. So the tool's
// command line is `rest` with each quoted word quoted whole and a run of
// blanks or tabs outside quotes made one blank. A trailing CR (a line typed
// with CR LF) is dropped.
ShellLine SplitShellLine(std::string_view line);

// The first word that asks another shell's way for a pipe, a redirection, a
// list or the background, which tvsh does not give: one holding '|', '<' or
// '>' outside double quotes (no device name holds them), or beginning or
// ending with ';' or '&' outside them ("a;", "&&"; a name "Tom&Jerry.txt"
// is a name). Empty when there is none.
std::string ShellOperatorWord(std::string_view line);

// The folder named by the text after `cd`: the quoted part when it starts
// with a double quote, else the whole text (so a name may hold blanks).
std::string CdArgument(std::string_view rest);

// The Linux path of a folder given to `cd`, before it is resolved: empty or
// "~" is `home`, "~/x" and "~\x" lie under it, backslashes become slashes
// (a device path), and a relative name is joined to `current`.
std::string CdTargetPath(std::string_view argument, const std::string& current,
                         const std::string& home);

// The prompt: the folder in its device form, as the shell publishes it.
std::string PromptFor(const std::string& host_dir);

}  // namespace tv

#endif  // TV_SHELL_SHELL_LINE_H_
