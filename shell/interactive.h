// The interactive tvsh: reads lines, changes folders, runs tools.
#ifndef TV_SHELL_INTERACTIVE_H_
#define TV_SHELL_INTERACTIVE_H_

#include <string>

namespace tv {

// Starts in `folder` (an existing folder, resolved) and reads commands until
// `exit` or the end of input. Returns the exit value of tvsh: the number
// given to `exit`, else the status of the last command.
int RunInteractive(const std::string& folder);

}  // namespace tv

#endif  // TV_SHELL_INTERACTIVE_H_
