// The generated code page 932 tables (platform/cp932_table.cc); only the
// conversion code reads them.
#ifndef TV_PLATFORM_CP932_TABLE_H_
#define TV_PLATFORM_CP932_TABLE_H_

#include <cstdint>

namespace tv::cp932 {

inline constexpr int kLeadByteCount = 60;  // 0x81..0x9F, 0xE0..0xFC

// Unit of a byte that is no lead byte.
extern const char16_t kSingleByte[256];
// Row of a lead byte in kPair, 0xFF for any other byte.
extern const uint8_t kLeadRow[256];
// Unit of a lead byte and any trail byte; U+30FB where the table has none.
extern const char16_t kPair[kLeadByteCount][256];
// UTF-16 to bytes: kWideBytes[kWidePage[unit >> 8]][unit & 0xFF] is the byte
// (0x00XX) or the pair (lead << 8 | trail); 0 means no entry, except for
// U+0000 itself.
extern const uint8_t kWidePage[256];
extern const uint16_t kWideBytes[][256];

}  // namespace tv::cp932

#endif  // TV_PLATFORM_CP932_TABLE_H_
