// Pelquin: the device's processor, memory and system version.
#ifndef TV_TOOLS_PELQUIN_PELQUIN_H_
#define TV_TOOLS_PELQUIN_PELQUIN_H_

#include <string>

#include "platform/env.h"
#include "platform/system_info.h"

namespace tv::pelquin {

// Runs the tool: the usage for "/h", else the report of the facts that
// `get_facts` gives. Returns the exit value: 0, or 1 when the version is
// missing or the report or the usage could not be written.
int ToolMain(Env& env, const std::u16string& command_line,
             SystemFacts (*get_facts)() = GetHostSystemFacts);

}  // namespace tv::pelquin

#endif  // TV_TOOLS_PELQUIN_PELQUIN_H_
