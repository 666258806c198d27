// Where the interactive tvsh gets its lines: a line editor on a terminal,
// plain reading otherwise.
#ifndef TV_SHELL_LINE_INPUT_H_
#define TV_SHELL_LINE_INPUT_H_

#include <memory>
#include <string>

namespace tv {

class LineInput {
 public:
  virtual ~LineInput() = default;
  // Shows the prompt (on a terminal) and reads one line without its line
  // end. False at the end of input.
  virtual bool ReadLine(const std::string& prompt, std::string* line) = 0;
};

// Line editing with history when standard input and standard error are a
// terminal and tvsh was built with libedit; else plain reading, which takes
// standard input byte by byte, so that whatever follows the line is left to
// the commands (an answer to a tool's question, say).
std::unique_ptr<LineInput> MakeLineInput();

}  // namespace tv

#endif  // TV_SHELL_LINE_INPUT_H_
