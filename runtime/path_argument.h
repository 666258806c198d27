// Turning a file argument of the command line into a full path, in the three
// ways the tools scan their command lines.
#ifndef TV_RUNTIME_PATH_ARGUMENT_H_
#define TV_RUNTIME_PATH_ARGUMENT_H_

#include <string>

#include "platform/env.h"
#include "runtime/shell_directory.h"

namespace tv {

// In all three, a name that is kStandardStreamName alone is kept as it is:
// it stands for a standard stream, not for a file in the shell's folder.

// sort, vornak: the whole rest of the command line (or its quoted part) is
// the name, joined directly to the shell's directory. buffer holds
// kPathUnits units. A result that would not fit the buffer is refused: the
// buffer is left empty, so opening it fails like any missing file, rather
// than a cut name opening some other file.
void ResolveFileArgument(Env& env, char16_t* buffer, const char16_t* text);

// diff: the next argument (quoted, or up to a blank or tab), joined directly
// to the shell's directory, with the same refusal of an over-long result.
// Returns the position just after the argument, or nullptr when buffer or
// text is missing.
const char16_t* ResolveNextFileArgument(Env& env, char16_t* buffer, const char16_t* text);

// KANVO: takes the next argument at *cursor into *path, made absolute with
// the shell's directory and folded ("." and ".." removed), and advances the
// cursor past it. *path ends empty when no argument is left.
void TakePathArgument(Env& env, const char16_t** cursor, std::u16string* path);

}  // namespace tv

#endif  // TV_RUNTIME_PATH_ARGUMENT_H_
