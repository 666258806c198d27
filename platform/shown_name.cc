#include "platform/shown_name.h"

#include "platform/utf16.h"

namespace tv {

std::u16string ShownName(std::u16string_view name) {
  std::u16string shown(name);
  for (char16_t& u : shown) {
    bool c0 = u < 0x20 || u == 0x7F;
    bool c1 = (u >= 0x80 && u <= 0x9F) || (u >= 0xDC80 && u <= 0xDC9F);
    if (c0 || c1) u = u'?';
  }
  return shown;
}

std::string ShownName(std::string_view name) { return Utf16ToUtf8(ShownName(Utf8ToUtf16(name))); }

}  // namespace tv
