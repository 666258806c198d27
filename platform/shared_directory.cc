#include "platform/shared_directory.h"

#include <errno.h>

#include <algorithm>

#include "platform/utf16.h"

namespace tv {

void ShareUnitsFromValue(std::string_view value, char16_t units[kShareUnits]) {
  std::fill(units, units + kShareUnits, u'\0');
  std::u16string text = Utf8ToUtf16(value);
  std::copy_n(text.begin(), std::min(text.size(), kShareUnits), units);
}

bool ShareValueFor(std::u16string_view directory, std::string* value) {
  if (directory.size() >= kShareUnits) {
    errno = ENAMETOOLONG;
    return false;
  }
  *value = Utf16ToUtf8(directory);
  return true;
}

}  // namespace tv
