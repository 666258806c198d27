#include "tools/kanvo/detect.h"

#include <cstddef>
#include <cstring>

namespace kanvo {

namespace {

const uint8_t* Bytes(std::string_view input) {
  return reinterpret_cast<const uint8_t*>(input.data());
}

// The bytes a 7-bit text may hold: TAB, LF, CR and 0x20-0x7F.
bool IsTextByte(uint8_t b) { return b >= 0x20 ? b < 0x80 : (b == 0x09 || b == 0x0A || b == 0x0D); }

bool IsContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// True at the first ESC '$' or ESC '(' when it comes before any zero byte.
// A zero byte first, or neither, gives false; `*zero_first` tells which.
bool JisEscapeBeforeZero(std::string_view input, bool* zero_first) {
  const uint8_t* p = Bytes(input);
  size_t n = input.size();
  for (size_t i = 0; i < n; ++i) {
    if (p[i] == 0x00) {
      *zero_first = true;
      return false;
    }
    if (p[i] == 0x1B && i + 1 < n && (p[i + 1] == '$' || p[i + 1] == '(')) return true;
  }
  *zero_first = false;
  return false;
}

}  // namespace

int Utf8LeadLength(uint8_t lead) {
  int ones = 0;
  for (uint8_t bit = 0x80; bit != 0 && (lead & bit) != 0; bit >>= 1) ++ones;
  return ones >= 2 && ones <= 6 ? ones : -1;
}

bool IsUtf8Text(std::string_view input, bool* seven_bit_only) {
  if (seven_bit_only) *seven_bit_only = true;
  const uint8_t* p = Bytes(input);
  size_t n = input.size();
  size_t pos = 0;
  while (pos < n) {
    uint8_t b = p[pos];
    if (b < 0x80) {
      if (!IsTextByte(b)) return false;
      ++pos;
      continue;
    }
    int length = Utf8LeadLength(b);
    if (length < 0) return false;
    // A sequence cut off by the end of the input fails: the zero that would
    // follow it is no continuation byte.
    if (n - pos < static_cast<size_t>(length)) return false;
    for (int k = 1; k < length; ++k) {
      if (!IsContinuation(p[pos + k])) return false;
    }
    if (seven_bit_only) *seven_bit_only = false;
    pos += static_cast<size_t>(length);
  }
  return true;
}

bool IsShiftJisText(std::string_view input) {
  bool trail_expected = false;
  for (unsigned char c : input) {
    uint8_t b = c;
    if (trail_expected) {
      if (b < 0x40 || b == 0x7F || b > 0xFC) return false;
      trail_expected = false;
    } else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF)) {
      trail_expected = true;
    } else if (!(b >= 0xA1 && b <= 0xDF) && !(b < 0x7F && IsTextByte(b))) {
      return false;
    }
  }
  return true;
}

bool IsEucJpText(std::string_view input) {
  const uint8_t* p = Bytes(input);
  size_t n = input.size();
  auto in_range = [&](size_t i, uint8_t low, uint8_t high) {
    return i < n && p[i] >= low && p[i] <= high;
  };
  bool trail_expected = false;
  for (size_t i = 0; i < n; ++i) {
    uint8_t b = p[i];
    if (trail_expected) {
      if (b < 0xA1 || b == 0xFF) return false;
      trail_expected = false;
    } else if (b >= 0xA1 && b <= 0xFE) {
      trail_expected = true;
    } else if (b == 0x8E) {
      if (!in_range(i + 1, 0xA1, 0xDF)) return false;
      i += 1;
    } else if (b == 0x8F) {
      if (!in_range(i + 1, 0xA1, 0xFE) || !in_range(i + 2, 0xA1, 0xFE)) return false;
      i += 2;
    } else if (!(b < 0x7F && IsTextByte(b))) {
      return false;
    }
  }
  return true;
}

TextCode DetectInputCode(std::string_view input) {
  if (input.empty()) return CODE_INVALID;
  bool seven_bit_only = true;
  if (input.size() >= 3 && std::memcmp(input.data(), "\xEF\xBB\xBF", 3) == 0) {
    // A UTF-8 mark: only UTF-8 or EUC-JP are considered.
    if (IsUtf8Text(input, &seven_bit_only)) return CODE_UTF8;
    if (IsEucJpText(input)) return CODE_EUC;
    return CODE_INVALID;
  }
  if (IsUtf8Text(input, &seven_bit_only)) return seven_bit_only ? CODE_ASCII : CODE_UTF8N;
  bool zero_first = false;
  if (JisEscapeBeforeZero(input, &zero_first)) return CODE_JIS;
  if (zero_first) return CODE_UNICODE;
  if (IsShiftJisText(input)) return CODE_SJIS;
  if (IsEucJpText(input)) return CODE_EUC;
  return CODE_INVALID;
}

}  // namespace kanvo
