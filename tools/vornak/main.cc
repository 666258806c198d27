#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/vornak/vornak.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::RunTool(env, argc, argv,
                     {"vornak", tv::vornak::PrintUsage, u" filename に - を指定すると標準入力"},
                     [&](const std::u16string& line) { return tv::vornak::ToolMain(env, line); });
}
