// File-name completion at tvsh's prompt: the word before the cursor, the
// names a folder offers for it, and what Tab makes of the word.
#ifndef TV_SHELL_COMPLETION_H_
#define TV_SHELL_COMPLETION_H_

#include <string>
#include <string_view>
#include <vector>

namespace tv {

// A name Tab may offer: none holding a backslash or a double quote, none
// beginning or ending with white space the device trims (blank, tab, CR,
// LF, U+3000, U+00A0). Typed at the prompt, such a name would reach
// another file, or none.
bool OfferableName(std::string_view name);

// The word being typed: from the last blank or tab outside double quotes
// before the cursor.
struct CompletionWord {
  size_t length = 0;      // bytes of the line it takes, up to the cursor
  bool quoted = false;    // it holds a double quote
  std::string folder;     // as typed, up to and with its last separator
  std::string prefix;     // the start of the name after it
  char separator = '\\';  // the one the user typed last, else the device's
};
CompletionWord WordBeforeCursor(std::string_view line_before_cursor);

// The Linux folder whose names complete the word: its separators made
// slashes; the working folder for none.
std::string CompletionFolder(const CompletionWord& word);

struct FolderEntry {
  std::string name;
  bool folder = false;
};

// What Tab does with the word, given the entries of its folder (any order;
// those it may not offer are left out here).
struct Completion {
  std::string word;                  // the word's new text; empty: unchanged
  std::vector<std::string> listing;  // more than one name fits: shown to choose from
};
Completion Complete(const CompletionWord& word, const std::vector<FolderEntry>& entries);

}  // namespace tv

#endif  // TV_SHELL_COMPLETION_H_
