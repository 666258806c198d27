// KANVO's fixed texts: the messages and the usage text, and the
// two ways they reach the user (a printed line, or a Yes/No question).
#ifndef TV_TOOLS_KANVO_KANVO_MESSAGES_H_
#define TV_TOOLS_KANVO_KANVO_MESSAGES_H_

#include <string>
#include <string_view>

#include "platform/env.h"
#include "platform/wide_writer.h"

namespace kanvo {

// Message ids, as numbered in the tool's string table.
enum MessageId {
  MSG_INPUT_MISSING = 1,
  MSG_INPUT_IS_FOLDER = 2,
  MSG_OUT_OF_MEMORY = 3,
  MSG_CANNOT_ACCESS = 4,
  MSG_ASK_OVERWRITE = 5,
  MSG_OUTPUT_IS_FOLDER = 6,
  MSG_ASK_READ_ONLY = 7,
  MSG_ATTRIBUTE_ERROR = 8,
  MSG_BAD_INPUT_CODE = 9,
  MSG_BAD_OUTPUT_CODE = 10,
  MSG_BAD_NEWLINE = 11,
  MSG_CREATE_ERROR = 12,
  MSG_WRITE_ERROR = 13,
  // Linux has forms the device's table has no words for.
  MSG_EXTRA_NAMES = 14,  // names or options after the output name
  MSG_NO_QUESTION = 15,  // a question, with the input on standard input
};

inline constexpr int kMessageCount = 15;
inline constexpr int kUsageLineCount = 10;

// The caption of KANVO's questions.
inline constexpr std::u16string_view kQuestionCaption = u"KANVO";

// The text of message id (1..13); empty for any other id.
std::u16string_view MessageText(int id);

// Usage line index (0..9).
std::u16string_view UsageLine(int index);

// Prints the message as one line on standard output (or on `sink`), with
// the file name appended when one is given. The whole name is shown, however
// long. Returns false when the output failed.
bool ShowMessage(tv::Env& env, int id, std::u16string_view file_name = {},
                 tv::ByteSink* sink = nullptr);

// Prints the ten usage lines; false when standard output failed.
bool ShowUsage(tv::Env& env);
void PrintUsage(tv::WideWriter& out);

// Asks question id (5 or 7) about file_name; true only for Yes.
bool AskQuestion(tv::Env& env, int id, std::u16string_view file_name);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_KANVO_MESSAGES_H_
