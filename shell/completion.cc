#include "shell/completion.h"

#include <algorithm>

namespace tv {

namespace {

bool HasTrimmedSpaceAtStart(std::string_view s) {
  if (s.empty()) return false;
  char c = s.front();
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || s.starts_with("\xE3\x80\x80") ||
         s.starts_with("\xC2\xA0");
}

bool HasTrimmedSpaceAtEnd(std::string_view s) {
  if (s.empty()) return false;
  char c = s.back();
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || s.ends_with("\xE3\x80\x80") ||
         s.ends_with("\xC2\xA0");
}

// The word's text as completed: opened with a quote when it was, or when
// the name needs one to stay one word.
std::string WordText(const CompletionWord& word, const std::string& name, bool close) {
  bool quote = word.quoted || name.find_first_of(" \t") != std::string::npos ||
               word.folder.find_first_of(" \t") != std::string::npos;
  std::string text = quote ? "\"" : "";
  text += word.folder + name;
  if (close && quote) text += '"';
  return text;
}

}  // namespace

bool OfferableName(std::string_view name) {
  return !name.empty() && name.find_first_of("\\\"") == std::string_view::npos &&
         !HasTrimmedSpaceAtStart(name) && !HasTrimmedSpaceAtEnd(name);
}

CompletionWord WordBeforeCursor(std::string_view line) {
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (!quoted && (line[i] == ' ' || line[i] == '\t')) start = i + 1;
  }
  CompletionWord word;
  word.length = line.size() - start;
  std::string value;
  for (char c : line.substr(start)) {
    if (c == '"') {
      word.quoted = true;
    } else {
      value.push_back(c);
    }
  }
  size_t last = value.find_last_of("\\/");
  if (last != std::string::npos) {
    word.separator = value[last];
    word.folder = value.substr(0, last + 1);
  }
  word.prefix = last == std::string::npos ? value : value.substr(last + 1);
  return word;
}

std::string CompletionFolder(const CompletionWord& word) {
  if (word.folder.empty()) return ".";
  std::string folder = word.folder;
  std::replace(folder.begin(), folder.end(), '\\', '/');
  return folder;
}

Completion Complete(const CompletionWord& word, const std::vector<FolderEntry>& entries) {
  std::vector<const FolderEntry*> fits;
  for (const FolderEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    // Hidden names only when asked for, as shells do.
    if (entry.name.front() == '.' && !word.prefix.starts_with('.')) continue;
    if (entry.name.starts_with(word.prefix) && OfferableName(entry.name)) fits.push_back(&entry);
  }
  Completion result;
  if (fits.empty()) return result;
  if (fits.size() == 1) {
    const FolderEntry& only = *fits.front();
    if (only.folder) {
      result.word = WordText(word, only.name + word.separator, false);
    } else {
      result.word = WordText(word, only.name, true) + " ";
    }
    return result;
  }
  std::string common = fits.front()->name;
  for (const FolderEntry* entry : fits) {
    size_t n = 0;
    while (n < common.size() && n < entry->name.size() && common[n] == entry->name[n]) ++n;
    // Never half a character.
    while (n > 0 && n < common.size() && (static_cast<unsigned char>(common[n]) & 0xC0) == 0x80) {
      --n;
    }
    common.resize(n);
  }
  if (common.size() > word.prefix.size()) {
    result.word = WordText(word, common, false);
    return result;
  }
  for (const FolderEntry* entry : fits) {
    result.listing.push_back(entry->name + (entry->folder ? std::string(1, word.separator) : ""));
  }
  std::sort(result.listing.begin(), result.listing.end());
  return result;
}

}  // namespace tv
