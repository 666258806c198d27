// Reading the shell's current directory from the current-directory share.
// Every call opens the share afresh: each file argument sees the directory
// that the shell publishes at that moment.
#ifndef TV_RUNTIME_SHELL_DIRECTORY_H_
#define TV_RUNTIME_SHELL_DIRECTORY_H_

#include <cstddef>
#include <string>

#include "platform/env.h"

namespace tv {

// The path buffer of the device: 260 units including the terminating zero.
inline constexpr size_t kPathUnits = 260;

// Buffer form. Returns 0 when there is no directory (no share, or an empty
// text; a given buffer then holds the empty string); the text's length with
// text and terminator copied when buffer is given and capacity >= length + 1;
// otherwise length + 1, the capacity needed, with nothing copied.
// A share whose 260 units hold no zero unit carries no valid path and counts
// as no directory.
size_t GetShellCurrentDirectory(Env& env, size_t capacity, char16_t* buffer);

// String form: assigns the text to *directory and returns its length, or
// leaves *directory alone and returns 0.
size_t GetShellCurrentDirectory(Env& env, std::u16string* directory);

}  // namespace tv

#endif  // TV_RUNTIME_SHELL_DIRECTORY_H_
