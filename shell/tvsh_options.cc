#include "shell/tvsh_options.h"

#include <string_view>

namespace tv {

TvshOptions ParseTvshOptions(int argc, const char* const* argv) {
  TvshOptions options;
  int i = 1;
  while (i < argc) {
    std::string_view arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    // "/?" is the device's way of asking, and only as the one argument: as
    // a command it would be a program of that name.
    if (arg == "--help" || arg == "-h" || arg == "--version" || (arg == "/?" && argc == 2)) {
      // The first of them decides; nothing is run.
      options.action = arg == "--version" ? TvshOptions::kVersion : TvshOptions::kHelp;
      return options;
    }
    if (arg == "--utf8" || arg == "--cp932") {
      options.code_page = arg == "--utf8" ? "65001" : "932";
      ++i;
      continue;
    }
    if (arg == "-C") {
      if (i + 1 >= argc) {
        options.action = TvshOptions::kBadUse;
        options.error = "option '-C' requires a folder";
        return options;
      }
      options.folder = argv[i + 1];
      i += 2;
      continue;
    }
    if (arg.size() > 1 && arg.front() == '-') {
      // A command whose name starts with '-' comes after "--".
      options.action = TvshOptions::kBadUse;
      options.error = "unknown option '" + std::string(arg) + "'";
      return options;
    }
    break;
  }
  options.command = i;
  return options;
}

std::string TvshHelp() {
  return "usage: tvsh [--utf8 | --cp932] [-C DIR] [--] [COMMAND [ARG...]]\n"
         "       tvsh --help | -h | /? | --version\n"
         "\n"
         "Publishes DIR (by default the working folder) as the current folder of the\n"
         "Torvelan tools and runs COMMAND with the tools' folder first on PATH; without\n"
         "COMMAND, reads commands from standard input.\n"
         "\n"
         "  -C DIR     publish DIR as the current folder\n"
         "  --utf8     the tools read text files as UTF-8 (TORVELAN_CODEPAGE=65001)\n"
         "  --cp932    the tools read text files as code page 932 (TORVELAN_CODEPAGE=932);\n"
         "             without either, each file is read as UTF-8 when it is UTF-8\n"
         "  --         end of tvsh's options: the next word is the command\n"
         "  -h, --help, /?\n"
         "             show this help and exit\n"
         "  --version  show the version and exit\n";
}

std::string TvshVersion() { return "tvsh (Torvelan tools) " TV_VERSION "\n"; }

}  // namespace tv
