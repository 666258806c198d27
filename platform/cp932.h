// Code page 932 (the device's ANSI code page) to and from UTF-16, following
// the published best-fit table: a pair with no entry and a lead byte with no
// trail byte give U+30FB; a character with no entry gives '?'.
#ifndef TV_PLATFORM_CP932_H_
#define TV_PLATFORM_CP932_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// Length argument meaning "up to and including the first zero".
inline constexpr size_t kUpToZero = static_cast<size_t>(-1);

// The two shapes the tools call. With src_len == kUpToZero the source runs up
// to and including its first zero, which is converted and counted too. With
// dst == nullptr or dst_cap == 0 nothing is written and the result is the
// size needed (the size query). Otherwise the result is the count written,
// or 0 when dst_cap is too small (nothing beyond dst_cap is ever written).
size_t Cp932ToUtf16(const char* src, size_t src_len, char16_t* dst, size_t dst_cap);
size_t Utf16ToCp932(const char16_t* src, size_t src_len, char* dst, size_t dst_cap);

// Whole-string conveniences over the given length.
std::u16string Cp932ToUtf16(std::string_view bytes);
std::string Utf16ToCp932(std::u16string_view text);

// Primitives for loops that convert byte by byte.
bool Cp932IsLeadByte(uint8_t byte);               // 0x81..0x9F, 0xE0..0xFC
char16_t Cp932SingleByteToUnit(uint8_t byte);      // a byte that is no lead byte
char16_t Cp932PairToUnit(uint8_t lead, uint8_t trail);  // U+30FB when no entry
// The bytes of one unit: the result is 1 or 2, with the bytes in out[0..].
// A unit with no entry gives 1 and '?'.
int Cp932UnitToBytes(char16_t unit, uint8_t out[2]);

}  // namespace tv

#endif  // TV_PLATFORM_CP932_H_
