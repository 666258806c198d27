#include "runtime/shell_directory.h"

#include <gtest/gtest.h>

#include "platform/fake_env.h"

namespace tv {
namespace {

TEST(ShellDirectoryTest, BufferFormAnswersEachCase) {
  FakeEnv env;
  char16_t buffer[kPathUnits];
  buffer[0] = u'x';
  EXPECT_EQ(GetShellCurrentDirectory(env, kPathUnits, buffer), 0u);  // no share
  EXPECT_EQ(buffer[0], 0);

  env.share = u"";
  EXPECT_EQ(GetShellCurrentDirectory(env, kPathUnits, buffer), 0u);

  env.share = u"\\Work\\";
  EXPECT_EQ(GetShellCurrentDirectory(env, 0, nullptr), 7u);  // size query
  EXPECT_EQ(GetShellCurrentDirectory(env, 6, buffer), 7u);   // too small: nothing copied
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(GetShellCurrentDirectory(env, 7, buffer), 6u);
  EXPECT_EQ(std::u16string(buffer), u"\\Work\\");
}

TEST(ShellDirectoryTest, UnterminatedShareIsNoDirectory) {
  FakeEnv env;
  env.share = std::u16string(kShareUnits, u'a');
  char16_t buffer[kPathUnits];
  EXPECT_EQ(GetShellCurrentDirectory(env, kPathUnits, buffer), 0u);
  std::u16string text = u"kept";
  EXPECT_EQ(GetShellCurrentDirectory(env, &text), 0u);
  EXPECT_EQ(text, u"kept");
}

TEST(ShellDirectoryTest, StringFormAssignsOrLeavesAlone) {
  FakeEnv env;
  std::u16string text = u"kept";
  EXPECT_EQ(GetShellCurrentDirectory(env, &text), 0u);
  EXPECT_EQ(text, u"kept");
  env.share = u"\\A\\B";
  EXPECT_EQ(GetShellCurrentDirectory(env, &text), 4u);
  EXPECT_EQ(text, u"\\A\\B");
}

}  // namespace
}  // namespace tv
