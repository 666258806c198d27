#include "tools/kanvo/kanvo_options.h"

#include <algorithm>
#include <string_view>

namespace kanvo {

namespace {

bool IsBlank(char16_t u) { return u == u' ' || u == u'\t'; }

char16_t AsciiLower(char16_t u) { return (u >= u'A' && u <= u'Z') ? u + (u'a' - u'A') : u; }

// True when text begins with word (lower case), ignoring ASCII case. The
// comparison stops at the first difference, so it never passes the zero.
bool StartsWithNoCase(const char16_t* text, const char16_t* word) {
  for (; *word != 0; ++text, ++word) {
    if (AsciiLower(*text) != *word) return false;
  }
  return true;
}

// The rest of a keyword is ignored: only its first letters decide.
const char16_t* EndOfWord(const char16_t* p) {
  while (*p != 0 && !IsBlank(*p)) ++p;
  return p;
}

// Code names as other converters spell them. They are whole words and are
// looked at only where the keywords find no code, so no keyword changes.
struct CodeAlias {
  std::u16string_view name;  // lower case
  TextCode code;
};
constexpr CodeAlias kCodeAliases[] = {
    {u"utf-8", CODE_UTF8N},     {u"utf-16", CODE_UNICODE}, {u"utf-16le", CODE_UNICODE},
    {u"iso-2022-jp", CODE_JIS}, {u"cp932", CODE_SJIS},     {u"windows-31j", CODE_SJIS},
};

TextCode CodeOfAlias(const char16_t* begin, const char16_t* end) {
  for (const CodeAlias& alias : kCodeAliases) {
    if (static_cast<size_t>(end - begin) == alias.name.size() &&
        std::equal(begin, end, alias.name.begin(),
                   [](char16_t a, char16_t b) { return AsciiLower(a) == b; })) {
      return alias.code;
    }
  }
  return CODE_INVALID;
}

}  // namespace

const char16_t* SkipBlanks(const char16_t* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

TextCode ParseCodeKeyword(const char16_t** cursor) {
  const char16_t* p = *cursor;
  TextCode code = CODE_INVALID;
  switch (AsciiLower(p[0])) {
    case u's':
      code = CODE_SJIS;
      break;
    case u'j':
      code = CODE_JIS;
      break;
    case u'e':
      code = CODE_EUC;
      break;
    case u'u':
      // "UN..." is UTF-16, so the usage text's spelling "UNIODE" works too.
      if (AsciiLower(p[1]) == u'n') {
        code = CODE_UNICODE;
      } else if (StartsWithNoCase(p, u"utf8n")) {
        code = CODE_UTF8N;
      } else if (StartsWithNoCase(p, u"utf8")) {
        code = CODE_UTF8;
      }
      break;
    default:
      break;
  }
  *cursor = EndOfWord(p);
  return code == CODE_INVALID ? CodeOfAlias(p, *cursor) : code;
}

NewlineKind ParseNewlineKeyword(const char16_t** cursor) {
  const char16_t* p = *cursor;
  NewlineKind kind = NL_NONE;
  if (StartsWithNoCase(p, u"crlf")) {
    kind = NL_CRLF;
  } else if (StartsWithNoCase(p, u"lf")) {
    kind = NL_LF;
  } else if (StartsWithNoCase(p, u"cr")) {
    kind = NL_CR;
  }
  *cursor = EndOfWord(p);
  return kind;
}

std::u16string GivenWord(const char16_t** cursor) {
  const char16_t* p = SkipBlanks(*cursor);
  const char16_t* begin = p;
  if (*p == u'"') {
    begin = ++p;
    while (*p != 0 && *p != u'"') ++p;
    *cursor = *p == u'"' ? p + 1 : p;
  } else {
    p = EndOfWord(p);
    *cursor = p;
  }
  return std::u16string(begin, p);
}

const char16_t* GuessNames(const char16_t* command_line) {
  const char16_t* p = SkipBlanks(command_line);
  constexpr std::u16string_view kGuess = u"--guess";
  if (std::u16string_view(p).substr(0, kGuess.size()) != kGuess) return nullptr;
  p += kGuess.size();
  return (*p == 0 || IsBlank(*p)) ? p : nullptr;
}

ScanResult ScanKanvoOptions(const char16_t* command_line, KanvoOptions* options) {
  const char16_t* p = command_line;
  while (*p != 0) {
    p = SkipBlanks(p);
    if (*p != u'/') break;
    ++p;
    char16_t letter = AsciiLower(*p);
    if (letter == u'h') return ScanResult::kUsage;
    if (letter == u'i' || letter == u'o') {
      p = SkipBlanks(p + 1);
      TextCode code = ParseCodeKeyword(&p);
      if (code == CODE_INVALID) {
        return letter == u'i' ? ScanResult::kBadInput : ScanResult::kBadOutput;
      }
      (letter == u'i' ? options->input_code : options->output_code) = code;
    } else if (letter == u'n') {
      p = SkipBlanks(p + 1);
      NewlineKind kind = ParseNewlineKeyword(&p);
      if (kind == NL_NONE) return ScanResult::kBadNewline;
      options->newline_target = kind;
    } else {
      // Any other letter ends the options; the word from it on is a name.
      break;
    }
  }
  options->names = p;
  return *p == 0 ? ScanResult::kNoNames : ScanResult::kNames;
}

}  // namespace kanvo
