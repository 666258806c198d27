// vornak: a file or standard input copied to standard output in upper case.
#ifndef TV_TOOLS_VORNAK_VORNAK_H_
#define TV_TOOLS_VORNAK_VORNAK_H_

#include <cstddef>
#include <string>

#include "platform/env.h"
#include "platform/wide_writer.h"

namespace tv::vornak {

// Runs the tool on its command line; returns the exit value (0, or -1 when
// the input cannot be read or the output fails).
int ToolMain(Env& env, const std::u16string& command_line);

// The usage text, as /H shows it.
void PrintUsage(WideWriter& out);

// One unit's upper case, as the platform's mapping has it.
char16_t UpperCaseUnit(char16_t unit);

// Maps every unit to its upper case on its own (the halves of a surrogate
// pair stay as they are).
void UpperCaseUnits(char16_t* units, size_t count);

}  // namespace tv::vornak

#endif  // TV_TOOLS_VORNAK_VORNAK_H_
