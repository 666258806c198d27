#include "platform/command_line.h"

#include "platform/shown_name.h"
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

bool TrimmedByDevice(char16_t u) {
  return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\x3000' || u == u'\xA0';
}

}  // namespace

std::u16string CommandLineFromArgv(int argc, const char* const* argv) {
  std::u16string line;
  for (int i = 1; i < argc; ++i) AppendArgument(&line, argv[i] ? argv[i] : "", i == 1);
  return line;
}

std::string DeviceFormOfArgument(Env& env, std::string_view arg) {
  size_t second = arg.size() > 1 && arg.front() == '/' ? arg.find('/', 1) : std::string_view::npos;
  if (second == std::string_view::npos || second == 1) return std::string(arg);
  FileAttributes top = env.GetFileAttributes(Backslashed(arg.substr(0, second)));
  if (!top.exists || !top.directory) return std::string(arg);
  std::string device(arg);
  for (char& c : device) {
    if (c == '/') c = '\\';
  }
  return device;
}

bool DeviceReadsAnotherName(std::string_view text) {
  if (text.find('\\') != std::string_view::npos) return true;
  std::u16string units = Utf8ToUtf16(text);
  size_t start = 0;
  while (start <= units.size()) {
    size_t end = units.find(u'/', start);
    if (end == std::u16string::npos) end = units.size();
    if (end > start && (TrimmedByDevice(units[start]) || TrimmedByDevice(units[end - 1]))) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

bool ToolCommandLine(Env& env, int argc, const char* const* argv, std::u16string* line,
                     std::string* refused) {
  line->clear();
  // Checked on the text as given, before an absolute path is put in device
  // form: nothing found on disk enters the decision.
  bool typed = env.GetVariable(kTypedVariable) == "1";
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    if (arg.find('"') != std::string_view::npos || (!typed && DeviceReadsAnotherName(arg))) {
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
  std::u16string name = ShownName(Utf8ToUtf16(refused));
  if (refused.find('"') != std::string::npos) {
    err.PutLine(u"二重引用符（\"）を含む引数は渡せません：" + name);
  } else {
    err.PutLine(
        u"バックスラッシュ（\\）や、前後に空白のある名前を含む引数は、tvsh のプロンプトでのみ"
        u"使えます（フォルダの区切りは /）：" +
        name);
  }
  return kRefusedCommandLine;
}

}  // namespace tv
