// `KANVO --guess FILE...`: for each file, the code and line breaks a
// conversion would take it to have, as the keywords of /I and /N, so that a
// script can feed them back.
#ifndef TV_TOOLS_KANVO_KANVO_GUESS_H_
#define TV_TOOLS_KANVO_KANVO_GUESS_H_

#include "platform/env.h"

namespace kanvo {

// Prints "NAME: CODE BREAKS" for each name of the zero-terminated list
// (standard input for "-", or with no name when it holds text). BREAKS is
// NONE for a text without a line break. A file that cannot be read gets its
// message on standard error. Returns 1 when any file could not be read or
// standard output failed, else 0; with no name and no text on standard
// input, shows the usage (0).
int GuessMain(tv::Env& env, const char16_t* names);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_KANVO_GUESS_H_
