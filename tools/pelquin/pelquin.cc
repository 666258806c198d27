#include "tools/pelquin/pelquin.h"

#include "platform/wide_writer.h"
#include "tools/pelquin/report.h"

namespace tv::pelquin {

int ToolMain(Env& env, const std::u16string& command_line, SystemFacts (*get_facts)()) {
  WideWriter out(&env.StdOut());
  if (IsUsageRequest(command_line)) {
    PrintUsage(out);
    return out.Flush() ? 0 : 1;
  }
  int status = PrintReport(get_facts(), out);
  // A report that did not reach its reader is no success.
  if (!out.Flush()) return 1;
  return status;
}

}  // namespace tv::pelquin
