#include "runtime/path_argument.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>

#include "platform/posix_env.h"
#include "platform/shared_directory.h"
#include "platform/utf16.h"

namespace tv {
namespace {

// These run against a really published share, as the tools meet it: the
// variable in this process's environment, escaped units as raw bytes.
class PathArgumentTest : public ::testing::Test {
 protected:
  void Publish(const std::optional<std::u16string>& directory) {
    if (directory) {
      setenv(kShareVariable, Utf16ToUtf8(*directory).c_str(), 1);
    } else {
      unsetenv(kShareVariable);
    }
  }
  void TearDown() override { unsetenv(kShareVariable); }

  std::u16string Simple(const std::u16string& line) {
    char16_t buffer[kPathUnits + 8];
    std::fill(buffer, buffer + kPathUnits + 8, u'#');
    ResolveFileArgument(env_, buffer, line.c_str());
    for (size_t i = kPathUnits; i < kPathUnits + 8; ++i) EXPECT_EQ(buffer[i], u'#');
    return buffer;
  }
  std::u16string Next(const std::u16string& line, std::u16string* rest) {
    char16_t buffer[kPathUnits + 8];
    std::fill(buffer, buffer + kPathUnits + 8, u'#');
    const char16_t* after = ResolveNextFileArgument(env_, buffer, line.c_str());
    for (size_t i = kPathUnits; i < kPathUnits + 8; ++i) EXPECT_EQ(buffer[i], u'#');
    *rest = after ? after : u"<null>";
    return buffer;
  }
  std::u16string Take(const std::u16string& line, std::u16string* rest) {
    const char16_t* cursor = line.c_str();
    std::u16string path;
    TakePathArgument(env_, &cursor, &path);
    *rest = cursor;
    return path;
  }

  PosixEnv env_;
};

TEST_F(PathArgumentTest, SimpleJoins) {
  struct Case {
    std::optional<std::u16string> share;
    std::u16string line;
    std::u16string whole;      // ResolveFileArgument
    std::u16string next;       // ResolveNextFileArgument
    std::u16string next_rest;  // what follows the argument
  } cases[] = {
      {std::nullopt, u"a.txt", u"a.txt", u"a.txt", u""},
      {std::nullopt, u"\\abs\\a.txt", u"\\abs\\a.txt", u"\\abs\\a.txt", u""},
      {u"\\Work\\", u"a.txt", u"\\Work\\a.txt", u"\\Work\\a.txt", u""},
      {u"\\Work", u"a.txt", u"\\Worka.txt", u"\\Worka.txt", u""},  // joined as is
      {u"\\Work\\", u"\\abs.txt", u"\\abs.txt", u"\\abs.txt", u""},
      {u"\\W\\", u"data file.txt", u"\\W\\data file.txt", u"\\W\\data", u" file.txt"},
      {u"\\W\\", u"\"  my file.txt\" rest", u"\\W\\my file.txt", u"\\W\\my file.txt", u" rest"},
      {u"\\W\\", u"\"open ended ", u"\\W\\open ended", u"\\W\\open ended", u""},
      {u"\\W\\", u"a.txt \t ", u"\\W\\a.txt", u"\\W\\a.txt", u" \t "},
      {u"\\W\\", u"a\tb", u"\\W\\a\tb", u"\\W\\a", u"\tb"},
      {u"\\W\\", u"- ", u"-", u"-", u" "},  // standard input, not a file in \W
      {u"\\W\\", u"-x", u"\\W\\-x", u"\\W\\-x", u""},
      {u"\\W\\", u".\\-", u"\\W\\.\\-", u"\\W\\.\\-", u""},
      {u"\\W\\", u"\" \t\"", u"\\W\\", u"\\W\\", u""},
      {u"", u"a.txt", u"a.txt", u"a.txt", u""},
      // Odd variables read as the same text in a share would.
      {std::u16string(1000, u'd'), u"a.txt", u"a.txt", u"a.txt", u""},  // no zero unit
      {u"   ", u"a.txt", u"   a.txt", u"   a.txt", u""},
      {u"rel\\", u"a.txt", u"rel\\a.txt", u"rel\\a.txt", u""},
      {u"\\\xDCFF\xDC80\\", u"a", u"\\\xDCFF\xDC80\\a", u"\\\xDCFF\xDC80\\a", u""},  // not UTF-8
  };
  for (const Case& c : cases) {
    Publish(c.share);
    EXPECT_EQ(Simple(c.line), c.whole);
    std::u16string rest;
    EXPECT_EQ(Next(c.line, &rest), c.next);
    EXPECT_EQ(rest, c.next_rest);
  }
}

TEST_F(PathArgumentTest, OverLongJoinIsRefusedWithoutWritingPastTheBuffer) {
  Publish(std::u16string(200, u'd'));
  EXPECT_EQ(Simple(std::u16string(59, u'n')), std::u16string(200, u'd') + std::u16string(59, u'n'));
  EXPECT_EQ(Simple(std::u16string(60, u'n')), u"");
  std::u16string rest;
  EXPECT_EQ(Next(std::u16string(300, u'n') + u" b", &rest), u"");
  EXPECT_EQ(rest, u" b");
  Publish(std::nullopt);
  EXPECT_EQ(Simple(std::u16string(1000, u'n')), u"");
}

TEST_F(PathArgumentTest, MissingBufferOrText) {
  char16_t buffer[kPathUnits] = {u'k', 0};
  ResolveFileArgument(env_, buffer, nullptr);
  EXPECT_EQ(buffer[0], u'k');
  EXPECT_EQ(ResolveNextFileArgument(env_, nullptr, u"a"), nullptr);
  EXPECT_EQ(ResolveNextFileArgument(env_, buffer, nullptr), nullptr);
}

TEST_F(PathArgumentTest, TakePathArgumentFoldsComponents) {
  struct Case {
    std::optional<std::u16string> share;
    std::u16string line;
    std::u16string path;
    std::u16string rest;
  } cases[] = {
      {u"\\A\\B", u"..\\x", u"\\A\\x", u""},
      {u"\\A\\B\\", u"..\\x", u"\\A\\x", u""},
      {u"\\A\\B", u".\\x", u"\\A\\B\\x", u""},
      {u"\\A\\B", u"..\\..\\..\\x", u"\\x", u""},
      {u"\\A\\B", u"..", u"\\A", u""},
      {u"\\A\\B", u"..\\..\\..", u"\\", u""},
      {u"\\A\\B\\\\", u"x", u"\\A\\B\\x", u""},    // trailing backslashes all go
      {u"\\A\\B", u"x\\\\", u"\\A\\B\\x\\", u""},  // two trailing leave an empty one
      {u"\\A\\B", u"x\\", u"\\A\\B\\x", u""},
      {u"\\A\\\\\\B", u"x", u"\\A\\B\\x", u""},
      {u"\\A\\ \\B", u"x", u"\\A\\\\B\\x", u""},  // a blank component shows empty
      {u"\\A", u"  in.txt out.txt", u"\\A\\in.txt", u" out.txt"},
      {u"\\A", u"\"my file\"out", u"\\A\\my file", u"out"},
      {u"\\A", u"\"  padded  \"", u"\\A\\padded", u""},
      {u"\\A", u"\"no end", u"\\A\\no end", u""},
      {u"\\A", u"- out", u"-", u" out"},
      {u"\\A", u".\\-", u"\\A\\-", u""},
      {u"\\A", u"\\abs\\..\\x", u"\\abs\\..\\x", u""},  // absolute: not folded
      {u"\\A", u"", u"", u""},
      {u"\\A", u"   ", u"", u""},
      {std::nullopt, u"..\\x y", u"..\\x", u" y"},
      {u"", u"rel", u"rel", u""},
  };
  for (const Case& c : cases) {
    Publish(c.share);
    std::u16string rest;
    EXPECT_EQ(Take(c.line, &rest), c.path);
    EXPECT_EQ(rest, c.rest);
  }
  const char16_t* null_cursor = nullptr;
  std::u16string path = u"old";
  TakePathArgument(env_, &null_cursor, &path);
  EXPECT_EQ(path, u"");
}

}  // namespace
}  // namespace tv
