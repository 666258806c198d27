#include "runtime/filter_input.h"

#include <gtest/gtest.h>

#include "platform/fake_env.h"

namespace tv {
namespace {

std::u16string FirstLineAfterMark(const std::string& bytes, bool unicode) {
  FakeEnv env;
  env.AddFile("f.txt", bytes);
  std::unique_ptr<WideReader> in = RedirectInputFromFile(env, u"f.txt", unicode);
  EXPECT_NE(in, nullptr);
  if (!in) return u"<none>";
  SkipByteOrderMark(*in);
  std::u16string line;
  if (in->GetLine(&line) == ReadStatus::kEnd) return u"<end>";
  return line;
}

TEST(FilterInputTest, MarkIsDroppedOnlyWhenPresent) {
  struct Case {
    std::string bytes;
    bool unicode;
    std::u16string expected;
  } cases[] = {
      {std::string("\xFF\xFE" "a\0\n\0", 6), true, u"a\n"},
      {std::string("\xFE\xFF" "a\0", 4), true, u"a"},       // U+FFFE is dropped too
      {std::string("a\0b\0", 4), true, u"ab"},
      {"", true, u"<end>"},
      {std::string("\xFF\xFE", 2), true, u"<end>"},
      {"\x81\x40x\r\n", false, u"\x3000x\n"},
      {"\xEF\xBB\xBFx", false, u"x"},  // UTF-8 by its mark: read as UTF-8, mark skipped
      {"\xEF\xBB\xBF\x82\xA0", false, u"\x30FB\xFF7F\x3042"},  // Shift_JIS: the mark is text
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstLineAfterMark(c.bytes, c.unicode), c.expected);
  }
}

TEST(FilterInputTest, UnopenableInputsGiveNothing) {
  FakeEnv env;
  env.AddDirectory("dir");
  env.files["locked"].unreadable = true;
  EXPECT_EQ(RedirectInputFromFile(env, u"missing", false), nullptr);
  EXPECT_EQ(RedirectInputFromFile(env, u"dir", true), nullptr);
  EXPECT_EQ(RedirectInputFromFile(env, u"locked", false), nullptr);
  EXPECT_EQ(RedirectInputFromFile(env, u"", false), nullptr);
  EXPECT_EQ(RedirectInputFromFile(env, nullptr, false), nullptr);
}

}  // namespace
}  // namespace tv
