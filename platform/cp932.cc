#include "platform/cp932.h"

#include <cstring>

#include "platform/cp932_table.h"

namespace tv {

namespace {

constexpr char16_t kNoCharUnit = 0x30FB;  // the table's default for bytes
constexpr uint8_t kNoCharByte = '?';      // the table's default for units
constexpr size_t kTooSmall = static_cast<size_t>(-1);

// The byte (0x00XX) or pair (lead << 8 | trail) of a unit, '?' when it has
// none. 0 in the table means "no entry" for every unit but U+0000.
uint16_t UnitCode(char16_t unit) {
  uint16_t code = cp932::kWideBytes[cp932::kWidePage[unit >> 8]][unit & 0xFF];
  return (code != 0 || unit == 0) ? code : kNoCharByte;
}

// Decodes src[0..n). With dst null it only counts; otherwise it returns
// kTooSmall as soon as one more unit would not fit in dst_cap.
size_t DecodeBytes(const uint8_t* src, size_t n, char16_t* dst, size_t dst_cap) {
  size_t count = 0;
  size_t i = 0;
  while (i < n) {
    uint8_t byte = src[i++];
    uint8_t row = cp932::kLeadRow[byte];
    char16_t unit;
    if (row == 0xFF) {
      unit = cp932::kSingleByte[byte];
    } else if (i < n && src[i] != 0) {
      unit = cp932::kPair[row][src[i++]];
    } else {
      // A lead byte at the end, or before a zero that must stay a character.
      unit = kNoCharUnit;
    }
    if (dst) {
      if (count == dst_cap) return kTooSmall;
      dst[count] = unit;
    }
    ++count;
  }
  return count;
}

// Encodes src[0..n), with the same contract as DecodeBytes.
size_t EncodeUnits(const char16_t* src, size_t n, uint8_t* dst, size_t dst_cap) {
  size_t count = 0;
  for (size_t i = 0; i < n; ++i) {
    uint16_t code = UnitCode(src[i]);
    if (code > 0xFF) {
      if (dst) {
        if (dst_cap - count < 2) return kTooSmall;
        dst[count] = static_cast<uint8_t>(code >> 8);
        dst[count + 1] = static_cast<uint8_t>(code);
      }
      count += 2;
      continue;
    }
    if (dst) {
      if (count == dst_cap) return kTooSmall;
      dst[count] = static_cast<uint8_t>(code);
    }
    ++count;
  }
  return count;
}

// The C-style shapes share one rule for the size query and a short buffer.
size_t Finish(size_t result) { return result == kTooSmall ? 0 : result; }

}  // namespace

bool Cp932IsLeadByte(uint8_t byte) { return cp932::kLeadRow[byte] != 0xFF; }

char16_t Cp932SingleByteToUnit(uint8_t byte) {
  // A lead byte on its own is a lead byte with nothing after it.
  return Cp932IsLeadByte(byte) ? kNoCharUnit : cp932::kSingleByte[byte];
}

char16_t Cp932PairToUnit(uint8_t lead, uint8_t trail) {
  uint8_t row = cp932::kLeadRow[lead];
  if (row == 0xFF || trail == 0) return kNoCharUnit;
  return cp932::kPair[row][trail];
}

int Cp932UnitToBytes(char16_t unit, uint8_t out[2]) {
  uint16_t code = UnitCode(unit);
  if (code > 0xFF) {
    out[0] = static_cast<uint8_t>(code >> 8);
    out[1] = static_cast<uint8_t>(code);
    return 2;
  }
  out[0] = static_cast<uint8_t>(code);
  return 1;
}

size_t Cp932ToUtf16(const char* src, size_t src_len, char16_t* dst, size_t dst_cap) {
  if (src == nullptr) return 0;
  if (src_len == kUpToZero) src_len = std::strlen(src) + 1;
  if (dst_cap == 0) dst = nullptr;
  return Finish(DecodeBytes(reinterpret_cast<const uint8_t*>(src), src_len, dst, dst_cap));
}

size_t Utf16ToCp932(const char16_t* src, size_t src_len, char* dst, size_t dst_cap) {
  if (src == nullptr) return 0;
  if (src_len == kUpToZero) src_len = std::char_traits<char16_t>::length(src) + 1;
  if (dst_cap == 0) dst = nullptr;
  return Finish(EncodeUnits(src, src_len, reinterpret_cast<uint8_t*>(dst), dst_cap));
}

std::u16string Cp932ToUtf16(std::string_view bytes) {
  // One unit per byte at most, so one allocation and no capacity checks hit.
  std::u16string out(bytes.size(), u'\0');
  size_t n = DecodeBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                         out.data(), out.size());
  out.resize(n);
  return out;
}

std::string Utf16ToCp932(std::u16string_view text) {
  std::string out(text.size() * 2, '\0');  // two bytes per unit at most
  size_t n = EncodeUnits(text.data(), text.size(), reinterpret_cast<uint8_t*>(out.data()),
                         out.size());
  out.resize(n);
  return out;
}

}  // namespace tv
