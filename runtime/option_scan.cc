#include "runtime/option_scan.h"

namespace tv {

namespace {
char16_t UpperAscii(char16_t u) { return (u >= u'a' && u <= u'z') ? u - u'a' + u'A' : u; }
}  // namespace

OptionScan ScanOptions(const char16_t* text, std::u16string_view known) {
  OptionScan scan;
  if (text == nullptr) return scan;
  const char16_t* p = text;
  while (*p != 0) {
    if (*p == u'/') {
      char16_t letter = UpperAscii(p[1]);
      if (letter == u'H') {
        scan.help = true;
        return scan;
      }
      if (letter >= u'A' && letter <= u'Z' && known.find(letter) != std::u16string_view::npos) {
        scan.letters |= 1u << (letter - u'A');
        p += 2;
      } else {
        p += 1;
      }
    } else if (*p == u' ' || *p == u'\t') {
      ++p;
    } else {
      break;
    }
  }
  if (*p != 0) scan.file_argument = p;
  return scan;
}

}  // namespace tv
