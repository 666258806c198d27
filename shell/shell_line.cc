#include "shell/shell_line.h"

#include "platform/device_path.h"
#include "platform/shown_name.h"
#include "platform/utf16.h"

namespace tv {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The end of the word that starts at `pos`: the first blank or tab outside
// double quotes. An unclosed quote runs to the end of the line.
size_t WordEnd(std::string_view text, size_t pos) {
  bool quoted = false;
  for (; pos < text.size(); ++pos) {
    if (text[pos] == '"') quoted = !quoted;
    if (!quoted && IsBlank(text[pos])) break;
  }
  return pos;
}

size_t SkipBlanks(std::string_view text, size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

}  // namespace

ShellLine SplitShellLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  ShellLine result;
  size_t pos = SkipBlanks(line, 0);
  size_t end = WordEnd(line, pos);
  for (char c : line.substr(pos, end - pos)) {
    if (c != '"') result.command.push_back(c);
  }
  pos = SkipBlanks(line, end);
  result.rest = line.substr(pos);
  while (pos < line.size()) {
    end = WordEnd(line, pos);
    std::string& word = result.args.emplace_back();
    for (char c : line.substr(pos, end - pos)) {
      if (c != '"') word.push_back(c);
    }
    pos = SkipBlanks(line, end);
  }
  return result;
}

std::string ShellOperatorWord(std::string_view line) {
  size_t pos = SkipBlanks(line, 0);
  while (pos < line.size()) {
    size_t end = WordEnd(line, pos);
    std::string_view word = line.substr(pos, end - pos);
    bool quoted = false;
    for (size_t i = 0; i < word.size(); ++i) {
      char c = word[i];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted) {
        bool at_end = i == 0 || i + 1 == word.size();
        if (c == '|' || c == '<' || c == '>' || ((c == ';' || c == '&') && at_end)) {
          return std::string(word);
        }
      }
    }
    pos = SkipBlanks(line, end);
  }
  return std::string();
}

std::string CdArgument(std::string_view rest) {
  if (rest.empty() || rest.front() != '"') return std::string(rest);
  rest.remove_prefix(1);
  return std::string(rest.substr(0, rest.find('"')));
}

std::string CdTargetPath(std::string_view argument, const std::string& current,
                         const std::string& home) {
  std::string path(argument);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (path.empty() || path == "~") return home;
  if (path.starts_with("~/")) return home + path.substr(1);
  if (path.front() == '/') return path;
  return current == "/" ? "/" + path : current + "/" + path;
}

std::string PromptFor(const std::string& host_dir) {
  return Utf16ToUtf8(ShownName(HostDirectoryToDevice(host_dir))) + "> ";
}

}  // namespace tv
