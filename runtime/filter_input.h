// Standard input of the text-reading tools: reopened on a named file in text
// or Unicode mode, with the byte-order mark check.
#ifndef TV_RUNTIME_FILTER_INPUT_H_
#define TV_RUNTIME_FILTER_INPUT_H_

#include <memory>

#include "platform/env.h"
#include "platform/wide_reader.h"

namespace tv {

// Opens the resolved path as the tool's standard input: "rb" (UTF-16LE) in
// Unicode mode, "r" (code page 932, CR LF as LF) otherwise. nullptr when the
// file cannot be opened (missing, a folder, unreadable, an empty path).
std::unique_ptr<WideReader> RedirectInputFromFile(Env& env, const char16_t* path, bool unicode);

// Drops a first unit U+FEFF or U+FFFE; any other unit is pushed back.
void SkipByteOrderMark(WideReader& in);

}  // namespace tv

#endif  // TV_RUNTIME_FILTER_INPUT_H_
