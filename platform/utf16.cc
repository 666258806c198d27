#include "platform/utf16.h"

#include <cstdint>

namespace tv {

size_t DecodeUtf8Sequence(const unsigned char* p, size_t avail, char32_t* cp) {
  uint8_t b0 = p[0];
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  }
  size_t len;
  char32_t min;
  char32_t value;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, min = 0x80, value = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, min = 0x800, value = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, min = 0x10000, value = b0 & 0x07;
  } else {
    return 0;
  }
  if (avail < len) return 0;
  for (size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (p[i] & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return len;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    char32_t cp;
    size_t len = DecodeUtf8Sequence(p + i, n - i, &cp);
    if (len == 0) {
      out.push_back(static_cast<char16_t>(0xDC00 + p[i]));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 2 + 4);
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      char32_t cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      AppendUtf8(cp, &out);
      ++i;
    } else if (IsEscapedByte(u)) {
      out.push_back(static_cast<char>(u - 0xDC00));
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      AppendUtf8(0xFFFD, &out);
    } else {
      AppendUtf8(u, &out);
    }
  }
  return out;
}

}  // namespace tv
