#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/kanvo/kanvo.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return kanvo::KanvoMain(env, tv::CommandLineFromArgv(argc, argv));
}
