#include "runtime/path_argument.h"

#include <algorithm>
#include <vector>

namespace tv {

namespace {

bool IsBlankOrTab(char16_t u) { return u == u' ' || u == u'\t'; }

// The wide-character white-space class of the device runtime.
bool IsWideSpace(char16_t u) {
  return u == u' ' || (u >= 0x09 && u <= 0x0D) || u == 0x85 || u == 0xA0 || u == 0x1680 ||
         (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F ||
         u == 0x205F || u == 0x3000;
}

std::u16string TrimWideSpace(std::u16string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsWideSpace(text[begin])) ++begin;
  while (end > begin && IsWideSpace(text[end - 1])) --end;
  return std::u16string(text.substr(begin, end - begin));
}

size_t UnitLength(const char16_t* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// Steps 2-3 shared by the simple joins: skips an opening quotation mark and
// the blanks after it, and starts the buffer with the shell's directory
// unless the name is absolute. Returns the first unit of the name; *quoted
// tells whether it was quoted, *used how many buffer units hold text.
const char16_t* StartSimpleJoin(Env& env, char16_t* buffer, const char16_t* text, bool* quoted,
                                size_t* used) {
  *quoted = *text == u'"';
  if (*quoted) {
    ++text;
    while (IsBlankOrTab(*text)) ++text;
  }
  buffer[0] = u'\0';
  *used = 0;
  if (*text != u'\\') {
    size_t length = GetShellCurrentDirectory(env, kPathUnits, buffer);
    // A result above capacity is a size query answer: nothing was copied.
    *used = length < kPathUnits ? length : 0;
    buffer[*used] = u'\0';
  }
  return text;
}

// Appends name to the buffer and drops trailing blanks and tabs; an over-long
// result empties the buffer. The name of standard input stays as it is.
void FinishSimpleJoin(char16_t* buffer, size_t used, std::u16string_view name) {
  std::u16string_view trimmed = name;
  while (!trimmed.empty() && IsBlankOrTab(trimmed.back())) trimmed.remove_suffix(1);
  if (trimmed == kStandardStreamName) {
    used = 0;
    name = trimmed;
  }
  if (used + name.size() + 1 > kPathUnits) {
    buffer[0] = u'\0';
    return;
  }
  std::copy(name.begin(), name.end(), buffer + used);
  size_t end = used + name.size();
  while (end > 0 && IsBlankOrTab(buffer[end - 1])) --end;
  buffer[end] = u'\0';
}

}  // namespace

void ResolveFileArgument(Env& env, char16_t* buffer, const char16_t* text) {
  if (buffer == nullptr || text == nullptr) return;
  bool quoted;
  size_t used;
  text = StartSimpleJoin(env, buffer, text, &quoted, &used);
  size_t length = UnitLength(text);
  if (quoted) length = std::find(text, text + length, u'"') - text;
  FinishSimpleJoin(buffer, used, std::u16string_view(text, length));
}

const char16_t* ResolveNextFileArgument(Env& env, char16_t* buffer, const char16_t* text) {
  if (buffer == nullptr || text == nullptr) return nullptr;
  bool quoted;
  size_t used;
  text = StartSimpleJoin(env, buffer, text, &quoted, &used);
  const char16_t* end = text;
  if (quoted) {
    while (*end != 0 && *end != u'"') ++end;
  } else {
    while (*end != 0 && !IsBlankOrTab(*end)) ++end;
  }
  FinishSimpleJoin(buffer, used, std::u16string_view(text, end - text));
  return (quoted && *end == u'"') ? end + 1 : end;
}

void TakePathArgument(Env& env, const char16_t** cursor, std::u16string* path) {
  path->clear();
  if (cursor == nullptr || *cursor == nullptr) return;
  const char16_t* p = *cursor;
  while (IsBlankOrTab(*p)) ++p;
  const char16_t* begin;
  const char16_t* end;
  if (*p == u'"') {
    begin = ++p;
    while (*p != 0 && *p != u'"') ++p;
    end = p;
    if (*p == u'"') ++p;
  } else {
    begin = p;
    while (*p != 0 && !IsBlankOrTab(*p)) ++p;
    end = p;
  }
  *cursor = p;
  std::u16string name = TrimWideSpace(std::u16string_view(begin, end - begin));
  if (name.empty() || name[0] == u'\\' || name == kStandardStreamName) {
    *path = std::move(name);
    return;
  }
  std::u16string directory;
  if (GetShellCurrentDirectory(env, &directory) == 0) {
    *path = std::move(name);
    return;
  }
  while (!directory.empty() && directory.back() == u'\\') directory.pop_back();
  std::u16string_view rest;
  std::u16string joined = directory + u'\\' + name;
  rest = joined;

  std::vector<std::u16string> components;
  while (!rest.empty()) {
    size_t lead = rest.find_first_not_of(u'\\');
    rest.remove_prefix(lead == std::u16string_view::npos ? rest.size() : lead);
    size_t slash = rest.find(u'\\');
    if (slash == std::u16string_view::npos) {
      components.push_back(TrimWideSpace(rest));
      rest = {};
    } else {
      components.push_back(TrimWideSpace(rest.substr(0, slash)));
      rest.remove_prefix(slash + 1);
    }
  }
  std::erase(components, u".");
  for (size_t i = 0; i < components.size();) {
    if (components[i] != u"..") {
      ++i;
    } else if (i == 0) {
      components.erase(components.begin());
    } else {
      components.erase(components.begin() + (i - 1), components.begin() + (i + 1));
      --i;
    }
  }
  path->clear();
  for (const std::u16string& component : components) {
    path->push_back(u'\\');
    *path += component;
  }
  if (path->empty()) path->push_back(u'\\');
}

}  // namespace tv
