#include "platform/format.h"

#include <cstddef>

namespace tv {

namespace {

std::u16string Digits(uint64_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string out;
  do {
    out.insert(out.begin(), static_cast<char16_t>(digits[value % base]));
    value /= base;
  } while (value != 0);
  return out;
}

void Pad(std::u16string body, bool negative, size_t width, bool left, bool zero,
         std::u16string* out) {
  size_t len = body.size() + (negative ? 1 : 0);
  size_t fill = width > len ? width - len : 0;
  if (left) {
    if (negative) out->push_back(u'-');
    *out += body;
    out->append(fill, u' ');
  } else if (zero) {
    if (negative) out->push_back(u'-');
    out->append(fill, u'0');
    *out += body;
  } else {
    out->append(fill, u' ');
    if (negative) out->push_back(u'-');
    *out += body;
  }
}

}  // namespace

std::u16string FormatWide(std::u16string_view format, std::initializer_list<FormatArg> args) {
  std::u16string out;
  const FormatArg* arg = args.begin();
  size_t i = 0;
  while (i < format.size()) {
    char16_t c = format[i];
    if (c != u'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t start = i++;
    bool left = false, zero = false;
    while (i < format.size() && (format[i] == u'-' || format[i] == u'0')) {
      (format[i] == u'-' ? left : zero) = true;
      ++i;
    }
    size_t width = 0;
    while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
      width = width * 10 + (format[i] - u'0');
      if (width > 4096) width = 4096;  // a bounded pad, whatever the format says
      ++i;
    }
    while (i < format.size() && (format[i] == u'l' || format[i] == u'h')) ++i;
    if (i >= format.size()) {
      out.append(format.substr(start));
      break;
    }
    char16_t conv = format[i++];
    if (conv == u'%') {
      out.push_back(u'%');
      continue;
    }
    bool known = conv == u'd' || conv == u'i' || conv == u'u' || conv == u'x' || conv == u'X' ||
                 conv == u'c' || conv == u's';
    if (!known) {
      out.append(format.substr(start, i - start));
      continue;
    }
    if (arg == args.end()) continue;
    const FormatArg& a = *arg++;
    if (conv == u's') {
      std::u16string text = a.kind == FormatArg::kText ? std::u16string(a.text) : u"";
      Pad(text, false, width, left, false, &out);
    } else if (conv == u'c') {
      Pad(std::u16string(1, static_cast<char16_t>(a.integer)), false, width, left, false, &out);
    } else if (conv == u'd' || conv == u'i') {
      bool negative = a.integer < 0;
      uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(a.integer)
                                    : static_cast<uint64_t>(a.integer);
      Pad(Digits(magnitude, 10, false), negative, width, left, zero, &out);
    } else {
      uint64_t value = static_cast<uint64_t>(a.integer);
      // Without "ll" the device's integers are 32 bits wide.
      if (format.substr(start, i - start).find(u"ll") == std::u16string_view::npos) {
        value &= 0xFFFFFFFFu;
      }
      unsigned base = conv == u'u' ? 10 : 16;
      Pad(Digits(value, base, conv == u'X'), false, width, left, zero, &out);
    }
  }
  return out;
}

}  // namespace tv
