#include "tools/kanvo/kanvo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/fake_env.h"
#include "platform/utf16.h"
#include "tools/kanvo/file_reader.h"

namespace kanvo {
namespace {

using namespace std::string_literals;

// The shell's directory is \w\, so "a.txt" is the Linux file /w/a.txt.
struct Fixture {
  Fixture() { env.share = u"\\w\\"; }
  int Run(std::u16string line) { return KanvoMain(env, line); }
  std::string Out() const { return env.stdout_text(); }
  std::string& File(const std::string& name) { return env.files["/w/" + name].bytes; }
  tv::FakeEnv env;
};

std::string Utf8(std::u16string_view text) { return tv::Utf16ToUtf8(text); }

constexpr char kUsage[] =
    "KANVO [/I SJIS|JIS|EUC|UNIODE|UTF8]\n"
    "      [/O SJIS|JIS|EUC|UNIODE|UTF8|UTF8N]\n"
    "      [/N CRLF|CR|LF] [filename]\n"
    "      InputFile  [OutputFile]\n"
    "\n"
    " /I     入力ファイルの文字コード\n"
    " /O     出力ファイルの文字コード\n"
    " /N     出力ファイルの改行コード\n"
    " InputFile   入力ファイル名\n"
    " OutputFile  出力ファイル名\n";

TEST(KanvoTest, Usage) {
  for (std::u16string line : {u"", u"  \t", u"/H", u"/h in.txt out.txt", u"/I EUC /O JIS",
                              u"/I EUC /", u"/N LF /H /I BAD"}) {
    Fixture f;
    f.File("in.txt") = "x";
    EXPECT_EQ(f.Run(line), 0) << Utf8(line);
    EXPECT_EQ(f.Out(), kUsage) << Utf8(line);
    EXPECT_EQ(f.env.files.size(), 1u);
  }
  Fixture f;
  f.env.stdout_sink.set_capacity(10);
  EXPECT_EQ(f.Run(u"/H"), 1);  // the usage could not be shown
}

// A FakeEnv whose input can claim any size.
class FailingEnv : public tv::FakeEnv {
 public:
  int64_t claimed_size = -2;  // -2: the real size

  std::unique_ptr<tv::ByteSource> OpenFile(std::u16string_view path) override {
    auto source = FakeEnv::OpenFile(path);
    if (!source || claimed_size == -2) return source;
    return std::make_unique<SizedSource>(std::move(source), claimed_size);
  }

 private:
  struct SizedSource : tv::ByteSource {
    SizedSource(std::unique_ptr<tv::ByteSource> inner, int64_t size)
        : inner(std::move(inner)), size(size) {}
    ptrdiff_t Read(void* buf, size_t n) override { return inner->Read(buf, n); }
    int64_t Size() override { return size; }
    std::unique_ptr<tv::ByteSource> inner;
    int64_t size;
  };
};

TEST(KanvoTest, MessagesAndExitValues) {
  const std::string err = "***** Error\n";
  struct Case {
    const char* what;
    std::u16string line;
    std::string expected_out;
    void (*setup)(FailingEnv&);
  } cases[] = {
      {"bad /I", u"/I ASCII in.txt",
       err + "/I の指定に誤りがあります。/I の後ろに指定できるキーワードを以下に示します：\n\n"
             "SJIS  JIS  EUC  UNICODE  UTF8\n",
       nullptr},
      {"bad /O", u"/O UTF16 in.txt",
       err + "/O の指定に誤りがあります。/O の後ろに指定できるキーワードを以下に示します：\n\n"
             "SJIS JIS EUC UNICODE UTF8 UTF8N\n",
       nullptr},
      {"bad /N", u"/N NL in.txt",
       err + "/N の指定に誤りがあります。/N の後ろに指定できるキーワードを以下に示します：\n\n"
             "CRLF  LF  CR\n",
       nullptr},
      {"missing input", u"missing.txt out.txt",
       err + "指定された入力ファイルは存在しません： \\w\\missing.txt\n", nullptr},
      {"other letter starts the name", u"/x.txt",
       err + "指定された入力ファイルは存在しません： \\w\\x.txt\n", nullptr},
      {"input is a folder", u"dir out.txt",
       err + "入力ファイルにディレクトリが指定されています：\\w\\dir\n", nullptr},
      {"input unreadable", u"locked.txt out.txt",
       err + "ファイルにアクセスできません： \\w\\locked.txt\n", nullptr},
      {"output is a folder", u"in.txt dir",
       err + "同名のフォルダが既に存在するため、出力ファイルを作成できません： \\w\\dir\n",
       nullptr},
      {"attribute change fails", u"in.txt ro.txt",
       err + "ファイル属性の変更でエラーが発生しました： \\w\\ro.txt\n",
       [](FailingEnv& e) {
         e.answers = {true};
         e.fail_clear = true;
       }},
      {"cannot create", u"in.txt new.txt",
       err + "出力ファイルのオープンでエラーが発生しました：  \n",
       [](FailingEnv& e) { e.fail_create = true; }},
      {"short write", u"in.txt new.txt", err + "出力ファイルの書き込みでエラーが発生しました： \n",
       [](FailingEnv& e) { e.output_capacity = 2; }},
      {"commit fails", u"in.txt new.txt", err + "出力ファイルの書き込みでエラーが発生しました： \n",
       [](FailingEnv& e) { e.fail_commit = true; }},
      {"name leads elsewhere at the end", u"in.txt new.txt",
       err + "出力ファイルのオープンでエラーが発生しました：  \n",
       [](FailingEnv& e) { e.refuse_placement = true; }},
      {"input too large to hold", u"in.txt new.txt", err + "メモリー不足が発生しました。\n",
       [](FailingEnv& e) { e.claimed_size = INT64_MAX; }},
  };
  for (const Case& c : cases) {
    FailingEnv env;
    env.share = u"\\w\\";
    env.AddFile("/w/in.txt", "text\r\n");
    env.AddFile("/w/ro.txt", "old");
    env.files["/w/ro.txt"].read_only = true;
    env.files["/w/locked.txt"].unreadable = true;
    env.AddDirectory("/w/dir");
    if (c.setup) c.setup(env);
    EXPECT_EQ(KanvoMain(env, c.line), 1) << c.what;
    EXPECT_EQ(env.stdout_text(), c.expected_out) << c.what;
    EXPECT_EQ(env.files.count("/w/new.txt"), 0u) << c.what;
    EXPECT_EQ(env.files["/w/ro.txt"].bytes, "old") << c.what;
  }
}

TEST(KanvoTest, LongFileNameIsShownWhole) {
  Fixture f;
  std::u16string name(1000, u'n');
  EXPECT_EQ(f.Run(name), 1);
  EXPECT_EQ(f.Out(), "***** Error\n指定された入力ファイルは存在しません： \\w\\" +
                         std::string(1000, 'n') + "\n");
}

// The checks run in a fixed order and stop at the first that fails.
TEST(KanvoTest, FileCheckOrder) {
  struct Case {
    std::u16string line;
    int message;  // 0: a question is asked
  } cases[] = {
      {u"missing.txt dir", 1}, {u"dir dir", 2}, {u"dir ro.txt", 2},
      {u"in.txt dir", 6},  // before any question, even for a read-only folder
      {u"in.txt rodir", 6},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.File("in.txt") = "x";
    f.File("ro.txt") = "old";
    f.env.files["/w/ro.txt"].read_only = true;
    f.env.AddDirectory("/w/dir");
    f.env.AddDirectory("/w/rodir");
    f.env.files["/w/rodir"].read_only = true;
    EXPECT_EQ(f.Run(c.line), 1) << Utf8(c.line);
    EXPECT_TRUE(f.env.questions.empty()) << Utf8(c.line);
    std::string prefix = "***** Error\n" + Utf8([&] {
                           switch (c.message) {
                             case 1:
                               return u"指定された入力";
                             case 2:
                               return u"入力ファイルにディレクトリ";
                             default:
                               return u"同名のフォルダ";
                           }
                         }());
    EXPECT_EQ(f.Out().substr(0, prefix.size()), prefix) << Utf8(c.line);
  }
}

TEST(KanvoTest, Questions) {
  const std::u16string overwrite =
      u"KANVO: 下記出力ファイルは既に存在します。上書きしますか？\n\n\\w\\out.txt";
  const std::u16string read_only =
      u"KANVO: 出力ファイルは読み取り専用です。読み取り専用属性を解除して上書きしますか？\n\n"
      u"\\w\\out.txt";
  struct Case {
    bool read_only;
    std::deque<bool> answers;
    int exit_value;
  } cases[] = {
      {false, {true}, 0}, {false, {false}, 1}, {false, {}, 1},
      {true, {true}, 0},  {true, {false}, 1},  {true, {}, 1},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.File("in.txt") = "new\n";
    f.File("out.txt") = "old";
    f.env.files["/w/out.txt"].read_only = c.read_only;
    f.env.answers = c.answers;
    EXPECT_EQ(f.Run(u"in.txt out.txt"), c.exit_value);
    ASSERT_EQ(f.env.questions.size(), 1u);  // only one question, ever
    EXPECT_EQ(f.env.questions[0], c.read_only ? read_only : overwrite);
    EXPECT_EQ(f.Out(), "");  // an answer of No prints nothing
    EXPECT_EQ(f.File("out.txt"), c.exit_value == 0 ? "new\r\n" : "old");
    EXPECT_EQ(f.env.files["/w/out.txt"].read_only, c.read_only && c.exit_value != 0);
  }
}

TEST(KanvoTest, AnswerNoLeavesTheInputUnread) {
  Fixture f;
  f.env.files["/w/in.txt"].unreadable = true;  // reading it would print message 4
  f.File("out.txt") = "old";
  EXPECT_EQ(f.Run(u"in.txt out.txt"), 1);
  EXPECT_EQ(f.Out(), "");
}

TEST(KanvoTest, SameFileConvertedInPlace) {
  Fixture f;
  f.File("a.txt") = "\xA4\xA2\n";  // あ in EUC-JP
  f.env.answers = {true};
  EXPECT_EQ(f.Run(u"/I EUC /O UNICODE a.txt .\\a.txt"), 0);
  EXPECT_EQ(f.File("a.txt"), "\xFF\xFE\x42\x30\r\0\n\0"s);
  // A failed write in place leaves the file as it was.
  f.env.answers = {true};
  f.env.output_capacity = 3;
  EXPECT_EQ(f.Run(u"/I UNICODE /O UTF8 a.txt a.txt"), 1);
  EXPECT_EQ(f.File("a.txt"), "\xFF\xFE\x42\x30\r\0\n\0"s);
}

TEST(KanvoTest, EmptyInputForEachOutputCode) {
  struct Case {
    std::u16string options;
    std::string expected;
  } cases[] = {
      {u"", ""},
      {u"/O SJIS", ""},
      {u"/O JIS", ""},
      {u"/O EUC", ""},
      {u"/O UTF8N", ""},
      {u"/O UTF8", "\xEF\xBB\xBF"},
      {u"/O UNICODE", "\xFF\xFE"},
  };
  for (const Case& c : cases) {
    for (std::u16string input :
         {u"", u"/I SJIS", u"/I JIS", u"/I EUC", u"/I UTF8", u"/I UTF8N", u"/I UNICODE"}) {
      for (std::string bytes : {""s, "\xFF\xFE"s}) {
        if (!bytes.empty() && input != u"/I UNICODE") continue;  // only its mark
        Fixture f;
        f.File("in.txt") = bytes;
        EXPECT_EQ(f.Run(input + u" " + c.options + u" in.txt out.txt"), 0)
            << Utf8(input + u" " + c.options) << f.Out();
        EXPECT_EQ(f.File("out.txt"), c.expected) << Utf8(input + u" " + c.options);
      }
    }
  }
  Fixture f;
  f.File("in.txt") = "";
  EXPECT_EQ(f.Run(u"/O UTF8 in.txt"), 0);
  EXPECT_EQ(f.Out(), "\n");  // one empty line on standard output
}

TEST(KanvoTest, TypicalConversions) {
  struct Case {
    std::u16string line;
    std::string input;
    std::string expected;
  } cases[] = {
      {u"/I EUC /O UTF8 /N CRLF in.txt out.txt", "\xA4\xA2\n\xB4\xC1\n",
       "\xEF\xBB\xBF\xE3\x81\x82\r\n\xE6\xBC\xA2\r\n"},
      // Without /I the code is detected; without /N the target is CR LF...
      {u"/O SJIS in.txt out.txt", "\xEF\xBB\xBF\xE3\x81\x82\n", "\x82\xA0\r\n"},
      // ...or LF for JIS and EUC-JP output.
      {u"/O EUC in.txt out.txt", "\x82\xA0\r\n", "\xA4\xA2\n"},
      {u"/O JIS in.txt out.txt", "\x82\xA0\r\n", "\x1B$B$\"\x1B(B\n"},
      {u"/O UTF8N /N CR in.txt out.txt", "a\r\nb\r\n", "a\rb\r"},
      {u"/O UNICODE /N LF in.txt out.txt", "a\r\n",
       "\xFF\xFE"
       "a\0\n\0"s},
      // UTF-16 input: either mark is dropped, the units are little-endian.
      {u"/I UNICODE in.txt out.txt", "\xFE\xFF\x42\x30"s, "\x82\xA0"},
      // /I UTF8 without a mark converts from the first byte.
      {u"/I UTF8 in.txt out.txt", "\xE3\x81\x82", "\x82\xA0"},
      // 7-bit text and undetectable text pass as Shift_JIS.
      {u"in.txt out.txt", "plain\n", "plain\r\n"},
      {u"in.txt out.txt", "\x0C\xFF", "\x0C\xFF"},
      // EUC-JP with a form feed or 0x1A is still found to be EUC-JP.
      {u"/O UTF8N in.txt out.txt", "\xB4\xC1\x0C\xBB\xFA\x1A\n",
       "\xE6\xBC\xA2\x0C\xE5\xAD\x97\x1A\r\n"},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.File("in.txt") = c.input;
    EXPECT_EQ(f.Run(c.line), 0) << Utf8(c.line);
    EXPECT_EQ(f.File("out.txt"), c.expected) << Utf8(c.line);
  }
}

TEST(KanvoTest, ConsoleOutput) {
  Fixture f;
  f.File("in.txt") = "\xEF\xBB\xBF\xE3\x81\x82\n\xE3\x81\x84";  // UTF-8: あ LF い
  // /O and /N play no part: the text is shown as Shift_JIS decoded, CR LF.
  EXPECT_EQ(f.Run(u"/O UNICODE /N CR in.txt"), 0);
  EXPECT_EQ(f.Out(), "あ\r\nい\n");

  Fixture full;
  full.File("in.txt") = "text";
  full.env.stdout_sink.set_capacity(0);
  EXPECT_EQ(full.Run(u"in.txt"), 1);
  EXPECT_NE(full.env.stderr_sink.bytes().find("書き込み"), std::string::npos);
}

TEST(ReadWholeFileTest, ReadsEverythingTheSourceDelivers) {
  // The size only sizes the buffer: a file that is larger (or smaller)
  // than it said, or that cannot say (a pipe), is still read whole.
  const std::string text(3'000'000, 'q');
  for (int64_t claimed :
       {int64_t{-1}, int64_t{0}, int64_t{5}, int64_t{3'000'000}, int64_t{4'000'000}}) {
    FailingEnv env;
    env.AddFile("/w/in.txt", text);
    env.claimed_size = claimed;
    std::string data = "stale";
    ASSERT_EQ(ReadWholeFile(env, u"\\w\\in.txt", &data), CONV_OK) << claimed;
    EXPECT_TRUE(data == text) << claimed;
  }
  FailingEnv env;
  std::string data = "stale";
  EXPECT_EQ(ReadWholeFile(env, u"\\w\\missing.txt", &data), CONV_ERR_IO);
  EXPECT_EQ(data, "");
}

}  // namespace
}  // namespace kanvo
