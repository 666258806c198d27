// The command line of diff and the opening of the two compared files:
// options, file arguments, the checks on each file and the choice between
// Shift_JIS and UTF-16 reading.
#ifndef TV_TOOLS_DIFF_DIFF_COMMAND_LINE_H_
#define TV_TOOLS_DIFF_DIFF_COMMAND_LINE_H_

#include <memory>
#include <string>

#include "platform/env.h"
#include "platform/text_code_page.h"
#include "platform/wide_reader.h"
#include "platform/wide_writer.h"

namespace tv {

// Messages, written with the wide formatted output: %d is the file number,
// %s the resolved path.
inline constexpr char16_t kDiffSpecifyFile[] = u"file%d を指定してください\n\n";
inline constexpr char16_t kDiffBadFileArgument[] = u"file%d の指定に誤りがあります。\n\n";
inline constexpr char16_t kDiffFileMissing[] = u"指定のファイルが存在しません：%s\n";
inline constexpr char16_t kDiffFileIsFolder[] = u"file%d に指定されているのはフォルダです：%s\n";
inline constexpr char16_t kDiffOpenFailed[] = u"ファイルのオープンでエラーが発生しました：%s\n";

// The first position at or after p that is neither U+0020 nor U+0009 nor,
// when ideographic is set, U+3000; nullptr for nullptr.
const char16_t* SkipArgumentBlanks(const char16_t* p, bool ideographic);

// True when p starts with a slash and the letter (lower case given) in
// either case.
bool IsDiffOption(const char16_t* p, char16_t lower_letter);

void PrintUsage(WideWriter& out);

// True when the file looks like UTF-16: it starts FF FE or FE FF, or one of
// its first 1024 bytes is zero. Any failure, and an empty file, say no.
bool IsUnicodeFile(Env& env, const char16_t* path);

// A compared file once opened.
struct CompareFile {
  std::unique_ptr<WideReader> stream;
  bool unicode = false;  // read as UTF-16 ("rb"), else text ("r")
  InputMode mode = InputMode::kText;  // how it is read: UTF-16, code page 932, UTF-8
  std::u16string path;   // the resolved path, for messages
};

// Takes the next file argument (with its own /U) at *cursor, checks and
// opens the file and advances *cursor to the argument after it. On failure
// prints the message (and the usage where it belongs) and returns a
// CompareFile without a stream. file_number is 1 or 2. A file that is not
// UTF-16 is read in the code page `code_page` gives it.
CompareFile OpenCompareFile(Env& env, WideWriter& out, const char16_t** cursor, int file_number,
                            CodePageSetting code_page = CodePageSetting::kPerFile);

}  // namespace tv

#endif  // TV_TOOLS_DIFF_DIFF_COMMAND_LINE_H_
