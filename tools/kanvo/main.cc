#include "platform/command_line.h"
#include "platform/posix_env.h"
#include "tools/kanvo/kanvo.h"
#include "tools/kanvo/kanvo_messages.h"

namespace {

constexpr char16_t kLinuxForms[] =
    u"KANVO --guess File...\n"
    u"\n"
    u" -        InputFile なら標準入力、OutputFile なら標準出力\n"
    u" --guess  ファイルの文字コードと改行コードを /I と /N のキーワードで表示\n"
    u" ファイル名がなく標準入力がパイプかファイルなら、標準入力を変換\n"
    u" /I と /O には UTF-8 UTF-16 UTF-16LE ISO-2022-JP CP932 Windows-31J も指定可能";

}  // namespace

int main(int argc, char** argv) {
  tv::PosixEnv env;
  return tv::RunTool(env, argc, argv, {"KANVO", kanvo::PrintUsage, kLinuxForms},
                     [&](const std::u16string& line) { return kanvo::KanvoMain(env, line); });
}
