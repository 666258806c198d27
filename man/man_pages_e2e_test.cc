// The manual pages against the built tools: every line of each --help text
// and every message that the tools print stand in both the Japanese and
// the English page, as man shows them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/utf16.h"
#include "testutil/run_program.h"
#include "tools/kanvo/kanvo_messages.h"

namespace tv {
namespace {

// The text without blanks and line ends: the pages fill, indent and break
// Japanese lines anywhere.
std::string Normalize(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') out.push_back(c);
  }
  return out;
}

// The page as man shows it, plain text, normalized.
std::string Rendered(const std::string& page) {
  ProgramRun run = RunProgram(TV_GROFF, {"-k", "-man", "-Tutf8", "-P-cbou", page});
  EXPECT_EQ(run.status, 0) << page << ": " << run.err;
  return Normalize(run.out);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = Normalize(text.substr(start, end - start));
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

struct Pages {
  std::string japanese;
  std::string english;
};

Pages RenderedPages(const std::string& name) {
  std::string dir = std::string(TV_SOURCE_DIR) + "/man/";
  return {Rendered(dir + "ja/man1/" + name), Rendered(dir + "man1/" + name)};
}

void ExpectInPages(const Pages& pages, const std::string& text, const std::string& page) {
  EXPECT_NE(pages.japanese.find(text), std::string::npos) << "ja/man1/" << page << ": " << text;
  EXPECT_NE(pages.english.find(text), std::string::npos) << "man1/" << page << ": " << text;
}

TEST(ManPagesTest, ShowEachToolsUsageText) {
  struct Case {
    const char* tool;
    const char* page;
    std::vector<std::string> args;
  } cases[] = {
      {"KANVO", "KANVO.1", {"--help"}},   {"diff", "torvelan-diff.1", {"--help"}},
      {"sort", "torvelan-sort.1", {"--help"}}, {"vornak", "vornak.1", {"--help"}},
      {"Pelquin", "Pelquin.1", {"--help"}},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunProgram(c.tool, c.args);
    std::vector<std::string> usage = Lines(run.out);
    EXPECT_GE(usage.size(), 2u) << c.tool;
    Pages pages = RenderedPages(c.page);
    for (const std::string& line : usage) ExpectInPages(pages, line, c.page);
  }
}

TEST(ManPagesTest, ShowEveryMessageOfKanvo) {
  Pages pages = RenderedPages("KANVO.1");
  for (int id = 1; id <= kanvo::kMessageCount; ++id) {
    for (const std::string& line : Lines(Utf16ToUtf8(kanvo::MessageText(id)))) {
      ExpectInPages(pages, line, "KANVO.1");
    }
  }
}

constexpr char kQuoteRefused[] = "二重引用符（\"）を含む引数は渡せません：";
constexpr char kDeviceNameRefused[] =
    "バックスラッシュ（\\）や、前後に空白のある名前を含む引数は、tvsh のプロンプトでのみ"
    "使えます（フォルダの区切りは /）：";

TEST(ManPagesTest, ShowTheMessagesOfTheOtherTools) {
  TempDir dir;
  dir.Write("a.txt", "a\n");
  dir.Write("smile.txt", "\xF0\x9F\x98\x80\n");
  ASSERT_EQ(mkdir((dir.path() + "/folder").c_str(), 0755), 0);
  // Each run prints the message; the text before any file name is what the
  // pages must show.
  struct Case {
    const char* tool;
    const char* page;
    std::vector<std::string> args;
    std::string stdout_path;
    const char* text;
  } cases[] = {
      {"diff", "torvelan-diff.1", {"/I"}, "", "を指定してください"},
      {"diff", "torvelan-diff.1", {"missing.txt", "a.txt"}, "", "指定のファイルが存在しません："},
      {"diff", "torvelan-diff.1", {"folder", "a.txt"}, "", "に指定されているのはフォルダです："},
      {"sort",
       "torvelan-sort.1",
       {"missing.txt"},
       "",
       "入力ファイルの読み込みでエラーが発生しました。"},
      {"sort", "torvelan-sort.1", {"a.txt"}, "/dev/full", "データの出力中にエラーが発生しました。"},
      {"vornak", "vornak.1", {"missing.txt"}, "", "入力ファイルの読み込みでエラーが発生しました。"},
      {"vornak", "vornak.1", {"a.txt"}, "/dev/full", "データの出力中にエラーが発生しました。"},
      // Every tool's refusal of an argument holding a double quote.
      {"KANVO", "KANVO.1", {"a\".txt"}, "", kQuoteRefused},
      {"diff", "torvelan-diff.1", {"a\".txt", "a.txt"}, "", kQuoteRefused},
      {"sort", "torvelan-sort.1", {"a\".txt"}, "", kQuoteRefused},
      {"vornak", "vornak.1", {"a\".txt"}, "", kQuoteRefused},
      {"Pelquin", "Pelquin.1", {"a\".txt"}, "", kQuoteRefused},
      // And of one the device would read as another file.
      {"KANVO", "KANVO.1", {"a\\b.txt"}, "", kDeviceNameRefused},
      {"diff", "torvelan-diff.1", {"a.txt ", "a.txt"}, "", kDeviceNameRefused},
      {"sort", "torvelan-sort.1", {"a\\b.txt"}, "", kDeviceNameRefused},
      {"vornak", "vornak.1", {"a\\b.txt"}, "", kDeviceNameRefused},
      {"Pelquin", "Pelquin.1", {"a\\b"}, "", kDeviceNameRefused},
      {"KANVO", "KANVO.1", {"smile.txt"}, "", "文字を変換できず置き換えました"},
      {"/usr/bin/env", "torvelan-sort.1", {"TORVELAN_CODEPAGE=1", BinDir() + "/sort"}, "",
       "」は使えません。932"},
      {"/usr/bin/env", "vornak.1", {"TORVELAN_CODEPAGE=1", BinDir() + "/vornak"}, "",
       "」は使えません。932"},
      {"/usr/bin/env", "torvelan-diff.1", {"TORVELAN_CODEPAGE=1", BinDir() + "/diff"}, "",
       "」は使えません。932"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + c.text);
    ProgramRun run = RunProgram(c.tool, c.args, {.cwd = dir.path(), .stdout_path = c.stdout_path});
    EXPECT_NE((run.out + run.err).find(c.text), std::string::npos) << run.out << run.err;
    ExpectInPages(RenderedPages(c.page), Normalize(c.text), c.page);
  }
}

}  // namespace
}  // namespace tv
