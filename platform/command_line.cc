#include "platform/command_line.h"

#include "platform/utf16.h"
#include "platform/wide_writer.h"

namespace tv {

namespace {

void AppendArgument(std::u16string* line, std::string_view arg, bool first) {
  if (!first) line->push_back(u' ');
  bool has_blank = arg.find_first_of(" \t") != std::string_view::npos;
  bool has_quote = arg.find('"') != std::string_view::npos;
  bool quote = arg.empty() || (has_blank && !has_quote);
  if (quote) line->push_back(u'"');
  *line += Utf8ToUtf16(arg);
  if (quote) line->push_back(u'"');
}

std::u16string Backslashed(std::string_view path) {
  std::u16string device = Utf8ToUtf16(path);
  for (char16_t& c : device) {
    if (c == u'/') c = u'\\';
  }
  return device;
}

}  // namespace

std::u16string CommandLineFromArgv(int argc, const char* const* argv) {
  std::u16string line;
  for (int i = 1; i < argc; ++i) AppendArgument(&line, argv[i] ? argv[i] : "", i == 1);
  return line;
}

std::string DeviceFormOfArgument(Env& env, std::string_view arg) {
  size_t last = arg.rfind('/');
  if (arg.empty() || arg.front() != '/' || last == 0) return std::string(arg);
  // The folder as the tool will reach it: a backslash in a Linux name is a
  // separator there too.
  FileAttributes folder = env.GetFileAttributes(Backslashed(arg.substr(0, last)));
  if (!folder.exists || !folder.directory) return std::string(arg);
  std::string device(arg);
  for (char& c : device) {
    if (c == '/') c = '\\';
  }
  return device;
}

bool ToolCommandLine(Env& env, int argc, const char* const* argv, std::u16string* line,
                     std::string* refused) {
  line->clear();
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    if (arg.find('"') != std::string_view::npos) {
      *refused = std::string(arg);
      line->clear();
      return false;
    }
  }
  for (int i = 1; i < argc; ++i) {
    AppendArgument(line, DeviceFormOfArgument(env, argv[i] ? argv[i] : ""), i == 1);
  }
  return true;
}

int AnswerToolQuestion(Env& env, int argc, const char* const* argv, const ToolInfo& info) {
  if (argc != 2 || argv[1] == nullptr) return -1;
  std::string_view arg = argv[1];
  WideWriter out(&env.StdOut());
  if (arg == "--version") {
    out.PutLine(Utf8ToUtf16(std::string(info.name) + " (Torvelan tools) " TV_VERSION));
  } else if (arg == "--help" || arg == "-h" || arg == "/?") {
    info.usage(out);
    out.PutLine(u"");
    if (!info.linux_forms.empty()) out.PutLine(info.linux_forms);
    out.PutLine(u" --help, -h, /?  この使用方法を表示します");
    out.PutLine(u" --version       バージョンを表示します");
  } else {
    return -1;
  }
  // An answer that did not reach its reader is no success.
  return out.Flush() ? 0 : 1;
}

int RunTool(Env& env, int argc, const char* const* argv, const ToolInfo& info,
            const std::function<int(const std::u16string&)>& tool) {
  int answered = AnswerToolQuestion(env, argc, argv, info);
  if (answered >= 0) return answered;
  std::u16string line;
  std::string refused;
  if (ToolCommandLine(env, argc, argv, &line, &refused)) return tool(line);
  WideWriter err(&env.StdErr());
  err.PutLine(u"二重引用符（\"）を含む引数は渡せません：" + Utf8ToUtf16(refused));
  return kRefusedCommandLine;
}

}  // namespace tv
