#include "runtime/shell_directory.h"

#include <algorithm>

namespace tv {

namespace {

// The share's text, or false when there is none worth using.
bool ReadShareText(Env& env, std::u16string* text) {
  char16_t units[kShareUnits];
  if (!env.ReadShare(units)) return false;
  char16_t* end = std::find(units, units + kShareUnits, u'\0');
  if (end == units + kShareUnits) return false;  // unterminated: not a path
  text->assign(units, end);
  return true;
}

}  // namespace

size_t GetShellCurrentDirectory(Env& env, size_t capacity, char16_t* buffer) {
  if (buffer != nullptr && capacity > 0) buffer[0] = u'\0';
  std::u16string text;
  if (!ReadShareText(env, &text) || text.empty()) return 0;
  size_t length = text.size();
  if (buffer == nullptr || capacity < length + 1) return length + 1;
  std::copy(text.begin(), text.end(), buffer);
  buffer[length] = u'\0';
  return length;
}

size_t GetShellCurrentDirectory(Env& env, std::u16string* directory) {
  std::u16string text;
  if (!ReadShareText(env, &text)) return 0;
  *directory = std::move(text);
  return directory->size();
}

}  // namespace tv
