#include "platform/command_line.h"

#include <string_view>

#include "platform/utf16.h"

namespace tv {

std::u16string CommandLineFromArgv(int argc, const char* const* argv) {
  std::u16string line;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    if (i > 1) line.push_back(u' ');
    bool has_blank = arg.find_first_of(" \t") != std::string_view::npos;
    bool has_quote = arg.find('"') != std::string_view::npos;
    bool quote = arg.empty() || (has_blank && !has_quote);
    if (quote) line.push_back(u'"');
    line += Utf8ToUtf16(arg);
    if (quote) line.push_back(u'"');
  }
  return line;
}

}  // namespace tv
