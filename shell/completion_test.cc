#include "shell/completion.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(CompletionTest, NeverOffersANameThatReachesAnotherFile) {
  struct Case {
    const char* name;
    bool offered;
  } cases[] = {
      {"memo.txt", true},       {"my memo.txt", true},      {"日本語.txt", true},
      {"a\\b.txt", false},      {"a\"b.txt", false},        {" lead.txt", false},
      {"trail.txt ", false},    {"tab\t", false},           {"\rcr", false},
      {"lf\n", false},          {"\xE3\x80\x80wide", false}, {"wide\xE3\x80\x80", false},
      {"\xC2\xA0nbsp", false},  {"nbsp\xC2\xA0", false},     {"in\xE3\x80\x80side", true},
  };
  for (const Case& c : cases) EXPECT_EQ(OfferableName(c.name), c.offered) << c.name;
}

TEST(CompletionTest, CompletesTheWordBeforeTheCursor) {
  std::vector<FolderEntry> entries = {
      {".", true},           {"..", true},         {".hidden", false},   {"memo.txt", false},
      {"texts", true},       {"my memo.txt", false}, {"mx", false},      {"bad\\memo.txt", false},
      {"memo.txt ", false},  {"あい.txt", false},   {"あう.txt", false},
  };
  struct Case {
    const char* line;
    std::string word;
    std::vector<std::string> listing;
  } cases[] = {
      {"KANVO me", "memo.txt ", {}},  // the planted "memo.txt " and "bad\memo.txt" are not offered
      {"KANVO te", "texts\\", {}},
      {"KANVO samples/te", "samples/texts/", {}},  // the separator typed
      {"KANVO my", "\"my memo.txt\" ", {}},        // quoted to stay one word
      {"KANVO \"me", "\"memo.txt\" ", {}},
      {"diff a.txt m", "", {"memo.txt", "mx", "my memo.txt"}},
      {"sort .h", ".hidden ", {}},
      {"sort あ", "", {"あい.txt", "あう.txt"}},  // never half a character
      {"sort z", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    CompletionWord word = WordBeforeCursor(c.line);
    Completion done = Complete(word, entries);
    EXPECT_EQ(done.word, c.word);
    EXPECT_EQ(done.listing, c.listing);
  }
  CompletionWord word = WordBeforeCursor("KANVO \"my folder\\sub\\fi");
  EXPECT_EQ(word.length, 17u);
  EXPECT_EQ(CompletionFolder(word), "my folder/sub/");
  EXPECT_EQ(word.prefix, "fi");
  EXPECT_EQ(CompletionFolder(WordBeforeCursor("KANVO ")), ".");
}

}  // namespace
}  // namespace tv
