#include "tools/kanvo/unicode_recode.h"

#include "platform/utf16.h"

namespace kanvo {

namespace {

// Writes one code point in the output form at `out`; returns the end.
inline char* PutCodePoint(bool utf16, char32_t cp, char* out) {
  if (!utf16) {
    if (cp < 0x80) {
      *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
      *out++ = static_cast<char>(0xC0 | (cp >> 6));
      *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *out++ = static_cast<char>(0xE0 | (cp >> 12));
      *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *out++ = static_cast<char>(0xF0 | (cp >> 18));
      *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
  }
  auto unit = [&out](char32_t u) {
    *out++ = static_cast<char>(u & 0xFF);  // little-endian, whatever the host
    *out++ = static_cast<char>(u >> 8);
  };
  if (cp >= 0x10000) {
    unit(0xD800 + ((cp - 0x10000) >> 10));
    unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
  } else {
    unit(cp);
  }
  return out;
}

inline char16_t UnitAt(const uint8_t* p) { return static_cast<char16_t>(p[0] | p[1] << 8); }

}  // namespace

bool IsUnicodeToUnicode(TextCode input, TextCode output) {
  auto unicode = [](TextCode code) {
    return code == CODE_UTF8 || code == CODE_UTF8N || code == CODE_UNICODE;
  };
  return unicode(input) && unicode(output);
}

size_t UnicodeCut(TextCode input, std::string_view text) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
  size_t n = text.size();
  if (input == CODE_UNICODE) {
    n &= ~size_t{1};
    if (n >= 2 && (UnitAt(p + n - 2) & 0xFC00) == 0xD800) n -= 2;
    return n;
  }
  // Back to the start of the last character begun; it stays when it may
  // still be waiting for bytes (a wrong byte in it is found when it is
  // converted, with what follows).
  for (size_t back = 1; back <= 3 && back <= n; ++back) {
    uint8_t b = p[n - back];
    if ((b & 0xC0) == 0x80) continue;
    size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return length > back ? n - back : n;
  }
  return n;
}

void RecodeUnicode(TextCode input, TextCode output, std::string_view text,
                   const NewlineRewrite& rewrite, bool final, bool* cr_held, std::string* out,
                   uint64_t* replaced) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  const bool utf16_out = output == CODE_UNICODE;
  // Four bytes a byte at most (a CR in UTF-8 rewritten to CR LF in UTF-16).
  const size_t used = out->size();
  out->resize(used + 4 * n + 8);
  char* const start = out->data();
  char* o = start + used;
  const NewlineSequence& sought = rewrite.sought;
  auto put_break = [&] {
    for (size_t k = 0; k < rewrite.replacement.size; ++k) {
      o = PutCodePoint(utf16_out, rewrite.replacement.units[k], o);
    }
  };
  // One character through the line-break rewrite.
  auto put = [&](char32_t cp) {
    if (*cr_held) {
      *cr_held = false;
      if (cp == '\n') {
        put_break();
        return;
      }
      o = PutCodePoint(utf16_out, '\r', o);
    }
    if (sought.size == 2 && cp == '\r') {
      *cr_held = true;
    } else if (sought.size == 1 && cp == sought.units[0]) {
      put_break();
    } else {
      o = PutCodePoint(utf16_out, cp, o);
    }
  };
  if (input == CODE_UNICODE) {
    const size_t units = n / 2;
    for (size_t i = 0; i < units; ++i) {
      char32_t u = UnitAt(p + 2 * i);
      if ((u & 0xFC00) == 0xD800 && i + 1 < units && (UnitAt(p + 2 * i + 2) & 0xFC00) == 0xDC00) {
        put(0x10000 + ((u - 0xD800) << 10) + (UnitAt(p + 2 * i + 2) - 0xDC00));
        ++i;
      } else if ((u & 0xF800) == 0xD800) {
        // Half of no pair: kept as it is where UTF-16 can hold it.
        put(utf16_out ? u : 0xFFFD);
        if (!utf16_out) ++*replaced;
      } else {
        put(u);
      }
    }
  } else {
    for (size_t i = 0; i < n;) {
      if (p[i] < 0x80) {
        put(p[i++]);
        continue;
      }
      char32_t cp;
      size_t length = tv::DecodeUtf8Sequence(p + i, n - i, &cp);
      if (length == 0) {
        ++i;  // not UTF-8: dropped, the next byte read afresh
        continue;
      }
      put(cp);
      i += length;
    }
  }
  if (final && *cr_held) {
    *cr_held = false;
    o = PutCodePoint(utf16_out, '\r', o);
  }
  out->resize(static_cast<size_t>(o - start));
}

}  // namespace kanvo
