#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/vornak/vornak.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::vornak::ToolMain(env, tv::CommandLineFromArgv(argc, argv));
}
