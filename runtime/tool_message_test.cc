#include "runtime/tool_message.h"

#include <gtest/gtest.h>

#include "platform/fake_env.h"

namespace tv {
namespace {

TEST(ToolMessageTest, GoesToStandardOutputWhileItWorks) {
  FakeEnv env;
  WideWriter out(&env.StdOut());
  out.PutString(u"text ");
  PrintToolMessage(env, out, u"メッセージ");
  EXPECT_EQ(env.stdout_text(), "text メッセージ\n");
  EXPECT_EQ(env.stderr_sink.bytes(), "");
}

TEST(ToolMessageTest, FallsBackToStandardErrorWhenOutputFailed) {
  for (size_t capacity : {0, 3, 8}) {
    FakeEnv env;
    env.stdout_sink.set_capacity(capacity);
    WideWriter out(&env.StdOut());
    out.PutString(u"text");
    PrintToolMessage(env, out, u"エラー");
    EXPECT_EQ(env.stderr_sink.bytes(), "エラー\n") << capacity;
  }
}

}  // namespace
}  // namespace tv
