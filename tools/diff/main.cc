#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/diff/diff_main.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::DiffMain(env, tv::CommandLineFromArgv(argc, argv));
}
