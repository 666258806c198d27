#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/pelquin/pelquin.h"
#include "tools/pelquin/report.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::RunTool(env, argc, argv, {"Pelquin", tv::pelquin::PrintUsage, {}},
                     [&](const std::u16string& line) { return tv::pelquin::ToolMain(env, line); });
}
