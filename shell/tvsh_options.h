// tvsh's own options, GNU style: -C DIR, --utf8, --cp932, --help, --version, and --
// to end them. The first word that is no option is the command.
#ifndef TV_SHELL_TVSH_OPTIONS_H_
#define TV_SHELL_TVSH_OPTIONS_H_

#include <string>

namespace tv {

struct TvshOptions {
  enum Action { kRun, kHelp, kVersion, kBadUse };
  Action action = kRun;
  std::string folder;  // -C DIR; empty: the working folder
  // TORVELAN_CODEPAGE for what it runs: "65001" (--utf8), "932" (--cp932),
  // or empty to leave it as it is; the last of the two options counts.
  std::string code_page;
  int command = 0;     // argv index of the command; argc when there is none
  std::string error;   // for kBadUse: what was wrong, for the message
};

TvshOptions ParseTvshOptions(int argc, const char* const* argv);

// The texts tvsh prints: the help on standard output for --help, its first
// line on standard error for bad use, the version for --version.
std::string TvshHelp();
std::string TvshVersion();

}  // namespace tv

#endif  // TV_SHELL_TVSH_OPTIONS_H_
