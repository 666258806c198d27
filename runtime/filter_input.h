// Standard input of the text-reading tools: reopened on a named file in text
// or Unicode mode, with the byte-order mark check; and the text code page.
#ifndef TV_RUNTIME_FILTER_INPUT_H_
#define TV_RUNTIME_FILTER_INPUT_H_

#include <memory>
#include <optional>

#include "platform/env.h"
#include "platform/text_code_page.h"
#include "platform/wide_reader.h"

namespace tv {

// The file at the resolved path, opened for reading, with *mode set to how
// it is read: kUnicode when `unicode`, else the text mode `setting` gives
// the file. nullptr when it cannot be opened, as below.
std::unique_ptr<ByteSource> OpenInputFile(Env& env, const char16_t* path, bool unicode,
                                          CodePageSetting setting, InputMode* mode);

// Opens the resolved path as the tool's standard input: "rb" (UTF-16LE) in
// Unicode mode, "r" otherwise, in the code page `setting` gives the file
// (code page 932 or UTF-8, CR LF as LF). nullptr when the file cannot be
// opened (missing, a folder, unreadable, an empty path). *text_mode, when
// given, gets the text mode chosen.
std::unique_ptr<WideReader> RedirectInputFromFile(
    Env& env, const char16_t* path, bool unicode,
    CodePageSetting setting = CodePageSetting::kPerFile, InputMode* text_mode = nullptr);

// True when standard input holds text a command was given (a pipe, a FIFO,
// a socket or a regular file), not a terminal, a device such as /dev/null,
// or nothing at all.
bool StdInHoldsText(Env& env);

// Drops a first unit U+FEFF or U+FFFE; any other unit is pushed back.
void SkipByteOrderMark(WideReader& in);

// The code page setting TORVELAN_CODEPAGE gives. A value the tools do not
// know gives a message on standard error and nullopt: the tool then ends
// with 255 before reading anything, rather than read text in a code page
// the user did not ask for.
std::optional<CodePageSetting> ChosenCodePage(Env& env);

}  // namespace tv

#endif  // TV_RUNTIME_FILTER_INPUT_H_
