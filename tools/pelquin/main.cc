#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/pelquin/pelquin.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::pelquin::ToolMain(env, tv::CommandLineFromArgv(argc, argv));
}
