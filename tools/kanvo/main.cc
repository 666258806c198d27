#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/kanvo/kanvo.h"

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::RunTool(env, argc, argv,
                     [&](const std::u16string& line) { return kanvo::KanvoMain(env, line); });
}
