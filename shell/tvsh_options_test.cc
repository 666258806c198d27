#include "shell/tvsh_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace tv {
namespace {

TEST(TvshOptionsTest, Parse) {
  struct Case {
    std::vector<const char*> args;
    TvshOptions::Action action;
    std::string folder;
    int command;  // index into args, counted from 0
  } cases[] = {
      {{}, TvshOptions::kRun, "", 0},
      {{"KANVO", "--help"}, TvshOptions::kRun, "", 0},  // the command's own
      {{"-C", "/tmp", "sort", "-C"}, TvshOptions::kRun, "/tmp", 2},
      {{"-C", "/tmp"}, TvshOptions::kRun, "/tmp", 2},
      {{"--help"}, TvshOptions::kHelp, "", -1},
      {{"-h"}, TvshOptions::kHelp, "", -1},
      {{"/?"}, TvshOptions::kHelp, "", -1},
      {{"/?", "x"}, TvshOptions::kRun, "", 0},  // a command of that name
      {{"-C", "/tmp", "--version", "KANVO"}, TvshOptions::kVersion, "/tmp", -1},
      {{"--version", "--help"}, TvshOptions::kVersion, "", -1},
      {{"--", "--help"}, TvshOptions::kRun, "", 1},
      {{"-C", "-", "--", "-x"}, TvshOptions::kRun, "-", 3},
      {{"--"}, TvshOptions::kRun, "", 1},
      {{"-"}, TvshOptions::kRun, "", 0},  // a lone dash is a word
      {{"-C"}, TvshOptions::kBadUse, "", -1},
      {{"--hlep"}, TvshOptions::kBadUse, "", -1},
      {{"-x", "KANVO"}, TvshOptions::kBadUse, "", -1},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"tvsh"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    TvshOptions options = ParseTvshOptions(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(options.action, c.action);
    EXPECT_EQ(options.folder, c.folder);
    if (c.action == TvshOptions::kRun) {
      EXPECT_EQ(options.command, c.command + 1);
    }
    EXPECT_EQ(options.error.empty(), c.action != TvshOptions::kBadUse);
  }
}

TEST(TvshOptionsTest, CodePageOptionsTheLastCounts) {
  const std::pair<std::vector<const char*>, std::string> cases[] = {
      {{"sort"}, ""},
      {{"--utf8", "sort"}, "65001"},
      {{"--cp932", "sort"}, "932"},
      {{"--utf8", "--cp932", "sort"}, "932"},
      {{"--cp932", "-C", "/", "--utf8", "sort", "--cp932"}, "65001"},
  };
  for (const auto& [args, code_page] : cases) {
    std::vector<const char*> argv = {"tvsh"};
    argv.insert(argv.end(), args.begin(), args.end());
    EXPECT_EQ(ParseTvshOptions(static_cast<int>(argv.size()), argv.data()).code_page, code_page);
  }
}

}  // namespace
}  // namespace tv
