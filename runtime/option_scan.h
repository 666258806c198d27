// The option scan of the filters: slashes and letters before the file name.
#ifndef TV_RUNTIME_OPTION_SCAN_H_
#define TV_RUNTIME_OPTION_SCAN_H_

#include <cstdint>
#include <string_view>

namespace tv {

struct OptionScan {
  bool help = false;                     // /H or /h was seen: show the usage
  uint32_t letters = 0;                  // bit (L - 'A') for each option L seen
  const char16_t* file_argument = nullptr;  // first unit of the name, if any

  bool Has(char16_t upper_letter) const {
    return upper_letter >= u'A' && upper_letter <= u'Z' &&
           (letters & (1u << (upper_letter - u'A'))) != 0;
  }
};

// `known` lists the tool's option letters in upper case (H is always help).
// A letter the tool does not know after a slash begins the file name; a
// blank or a further slash after a slash does not.
OptionScan ScanOptions(const char16_t* text, std::u16string_view known);

}  // namespace tv

#endif  // TV_RUNTIME_OPTION_SCAN_H_
