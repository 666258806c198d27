// Pelquin's report and usage, as functions of the facts and an output
// stream alone.
#ifndef TV_TOOLS_PELQUIN_REPORT_H_
#define TV_TOOLS_PELQUIN_REPORT_H_

#include <cstdint>
#include <string_view>

#include "platform/system_info.h"
#include "platform/wide_writer.h"

namespace tv::pelquin {

// Only the command line "/h", in either case and with nothing around it,
// asks for the usage.
bool IsUsageRequest(std::u16string_view command_line);

void PrintUsage(WideWriter& out);

// Prints the system part and, when the version facts are there, the version
// part. Returns the exit value: 0, or 1 when the version is missing (after
// its message).
int PrintReport(const SystemFacts& facts, WideWriter& out);

std::u16string_view ArchitectureName(uint16_t architecture);
std::u16string_view ProcessorTypeName(uint32_t type);

}  // namespace tv::pelquin

#endif  // TV_TOOLS_PELQUIN_REPORT_H_
