// Files that change under a tool, in-process over an Env that makes the
// change at a chosen moment: an input that vanishes or turns into a folder
// between the check and the read, and one whose reading fails part way.
// No tool may report success on what it did not read, or lose or cut a file.
#include <gtest/gtest.h>

#include <string>

#include "platform/device_path.h"
#include "platform/fake_env.h"
#include "tools/diff/diff_main.h"
#include "tools/kanvo/kanvo.h"
#include "tools/sort/sort.h"
#include "tools/vornak/vornak.h"

namespace tv {
namespace {

const std::string kKanvoError = "***** Error\n";
const std::string kInputError = "入力ファイルの読み込みでエラーが発生しました。\n";

enum class Change { kVanish, kBecomeFolder };

// The file at `path` changes as soon as its attributes have been asked for.
class ChangingEnv : public FakeEnv {
 public:
  ChangingEnv(std::string path, Change change) : path_(std::move(path)), change_(change) {
    share = u"\\w\\";
  }
  FileAttributes GetFileAttributes(std::u16string_view path) override {
    FileAttributes attributes = FakeEnv::GetFileAttributes(path);
    if (DevicePathToHost(path) == path_ && files.count(path_) != 0) {
      if (change_ == Change::kVanish) {
        files.erase(path_);
      } else {
        files[path_] = File{};
        files[path_].directory = true;
      }
    }
    return attributes;
  }

 private:
  std::string path_;
  Change change_;
};

TEST(ChangingFilesTest, InputChangesBetweenTheCheckAndTheRead) {
  for (Change change : {Change::kVanish, Change::kBecomeFolder}) {
    const char* how = change == Change::kVanish ? "vanishes" : "becomes a folder";
    {
      ChangingEnv env("/w/in.txt", change);
      env.AddFile("/w/in.txt", "text\n");
      env.AddFile("/w/out.txt", "old\n");
      env.answers = {true};
      EXPECT_EQ(kanvo::KanvoMain(env, u"in.txt out.txt"), 1) << how;
      EXPECT_EQ(env.stdout_text(), kKanvoError + "ファイルにアクセスできません： \\w\\in.txt\n")
          << how;
      EXPECT_EQ(env.files["/w/out.txt"].bytes, "old\n") << how;
    }
    for (const char* changing : {"/w/1.txt", "/w/2.txt"}) {
      ChangingEnv env(changing, change);
      env.AddFile("/w/1.txt", "a\n");
      env.AddFile("/w/2.txt", "b\n");
      EXPECT_EQ(DiffMain(env, u"1.txt 2.txt"), 0) << how << " " << changing;
      std::string device = changing;
      for (char& c : device) c = c == '/' ? '\\' : c;
      EXPECT_EQ(env.stdout_text(), "ファイルのオープンでエラーが発生しました：" + device + "\n")
          << how << " " << changing;
    }
  }
}

TEST(ChangingFilesTest, ReadingFailsPartWay) {
  const std::string text = "b\na\nc\n";
  auto failing_env = [&](bool as_input) {
    FakeEnv env;
    env.share = u"\\w\\";
    env.AddFile("/w/in.txt", text);
    env.AddFile("/w/out.txt", "old\n");
    env.AddFile("/w/other.txt", text);
    if (as_input) env.files["/w/in.txt"].fail_read_after = 3;
    env.answers = {true};
    return env;
  };
  {
    FakeEnv env = failing_env(true);
    EXPECT_EQ(kanvo::KanvoMain(env, u"in.txt out.txt"), 1);
    EXPECT_EQ(env.stdout_text(), kKanvoError + "ファイルにアクセスできません： \\w\\in.txt\n");
    EXPECT_EQ(env.files["/w/out.txt"].bytes, "old\n");
  }
  {
    // A cut file would be compared as if whole.
    FakeEnv env = failing_env(true);
    EXPECT_EQ(DiffMain(env, u"other.txt in.txt"), 0);
    EXPECT_EQ(env.stdout_text(), "ファイルのオープンでエラーが発生しました：\\w\\in.txt\n");
  }
  {
    // Sorting part of the input would pass for the whole sorted.
    FakeEnv env = failing_env(true);
    EXPECT_EQ(sort::ToolMain(env, u"in.txt"), -1);
    EXPECT_EQ(env.stdout_text(), kInputError);
  }
  {
    // vornak passes text on as it reads: what came before the failure,
    // then the message.
    FakeEnv env = failing_env(true);
    EXPECT_EQ(vornak::ToolMain(env, u"in.txt"), -1);
    EXPECT_EQ(env.stdout_text(), "B\nA" + kInputError);
  }
  for (const char* tool : {"sort", "vornak"}) {
    FakeEnv env;
    env.stdin_bytes = text;
    static_cast<StringSource&>(env.StdIn()).FailAfter(3);
    int status =
        std::string(tool) == "sort" ? sort::ToolMain(env, u"") : vornak::ToolMain(env, u"");
    EXPECT_EQ(status, -1) << tool;
    EXPECT_NE(env.stdout_text().find(kInputError), std::string::npos) << tool;
  }
}

}  // namespace
}  // namespace tv
