#include "tools/kanvo/kanvo_options.h"

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
  return code;
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
  return *p == 0 ? ScanResult::kUsage : ScanResult::kNames;
}

}  // namespace kanvo
