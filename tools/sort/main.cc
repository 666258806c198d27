#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/sort/sort.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::RunTool(env, argc, argv,
                     {"sort", tv::sort::PrintUsage, u" filename に - を指定すると標準入力"},
                     [&](const std::u16string& line) { return tv::sort::ToolMain(env, line); });
}
