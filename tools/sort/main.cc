#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/sort/sort.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::sort::ToolMain(env, tv::CommandLineFromArgv(argc, argv));
}
