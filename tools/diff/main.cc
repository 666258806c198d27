#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/diff/diff_command_line.h"
#include "tools/diff/diff_main.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::RunTool(env, argc, argv,
                     {"diff", tv::PrintUsage, u" file1, file2 に - を指定すると標準入力"},
                     [&](const std::u16string& line) { return tv::DiffMain(env, line); });
}
