#include "tools/kanvo/kanvo_messages.h"

#include "platform/shown_name.h"
#include "platform/wide_writer.h"

namespace kanvo {

namespace {

// Index 0 is unused so that ids index the table directly.
constexpr std::u16string_view kMessages[kMessageCount + 1] = {
    u"",
    u"***** Error\n指定された入力ファイルは存在しません： ",
    u"***** Error\n入力ファイルにディレクトリが指定されています：",
    u"***** Error\nメモリー不足が発生しました。",
    u"***** Error\nファイルにアクセスできません： ",
    u"下記出力ファイルは既に存在します。上書きしますか？\n\n",
    u"***** Error\n同名のフォルダが既に存在するため、出力ファイルを作成できません： ",
    u"出力ファイルは読み取り専用です。読み取り専用属性を解除して上書きしますか？\n\n",
    u"***** Error\nファイル属性の変更でエラーが発生しました： ",
    u"***** Error\n/I の指定に誤りがあります。/I の後ろに指定できるキーワードを以下に示します："
    u"\n\nSJIS  JIS  EUC  UNICODE  UTF8",
    u"***** Error\n/O の指定に誤りがあります。/O の後ろに指定できるキーワードを以下に示します："
    u"\n\nSJIS JIS EUC UNICODE UTF8 UTF8N",
    u"***** Error\n/N の指定に誤りがあります。/N の後ろに指定できるキーワードを以下に示します："
    u"\n\nCRLF  LF  CR",
    u"***** Error\n出力ファイルのオープンでエラーが発生しました：  ",
    u"***** Error\n出力ファイルの書き込みでエラーが発生しました： ",
    u"***** Error\n出力ファイル名の後ろには何も指定できません： ",
    u"***** Error\n入力ファイルが標準入力のため、出力ファイルの上書きを確認できません： ",
};

constexpr std::u16string_view kUsage[kUsageLineCount] = {
    u"KANVO [/I SJIS|JIS|EUC|UNIODE|UTF8]",
    u"      [/O SJIS|JIS|EUC|UNIODE|UTF8|UTF8N]",
    u"      [/N CRLF|CR|LF] [filename]",
    u"      InputFile  [OutputFile]",
    u"",
    u" /I     入力ファイルの文字コード",
    u" /O     出力ファイルの文字コード",
    u" /N     出力ファイルの改行コード",
    u" InputFile   入力ファイル名",
    u" OutputFile  出力ファイル名",
};

}  // namespace

std::u16string_view MessageText(int id) {
  if (id < 1 || id > kMessageCount) return {};
  return kMessages[id];
}

std::u16string_view UsageLine(int index) {
  if (index < 0 || index >= kUsageLineCount) return {};
  return kUsage[index];
}

bool ShowMessage(tv::Env& env, int id, std::u16string_view file_name, tv::ByteSink* sink) {
  std::u16string line(MessageText(id));
  line += tv::ShownName(file_name);
  tv::WideWriter out(sink ? sink : &env.StdOut());
  out.PutLine(line);
  return out.Flush();
}

void PrintUsage(tv::WideWriter& out) {
  for (std::u16string_view line : kUsage) out.PutLine(line);
}

bool ShowUsage(tv::Env& env) {
  tv::WideWriter out(&env.StdOut());
  PrintUsage(out);
  return out.Flush();
}

bool AskQuestion(tv::Env& env, int id, std::u16string_view file_name) {
  std::u16string text(MessageText(id));
  text += tv::ShownName(file_name);
  return env.AskYesNo(kQuestionCaption, text);
}

}  // namespace kanvo
