// UTF-8 to and from UTF-16 with a lossless escape for bytes that are not
// valid UTF-8: such a byte b becomes the lone surrogate U+DC00 + b
// (U+DC80..U+DCFF) and goes back out as that byte, so every Linux file name
// and argument survives the round trip.
#ifndef TV_PLATFORM_UTF16_H_
#define TV_PLATFORM_UTF16_H_

#include <string>
#include <string_view>

namespace tv {

inline bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
inline bool IsEscapedByte(char16_t u) { return u >= 0xDC80 && u <= 0xDCFF; }

std::u16string Utf8ToUtf16(std::string_view bytes);

// Escaped bytes are restored; any other lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Decodes the valid UTF-8 sequence at p (avail bytes readable) into *cp and
// returns its length, or 0 when the bytes there are not one (overlong forms,
// surrogates and values above U+10FFFF are invalid).
size_t DecodeUtf8Sequence(const unsigned char* p, size_t avail, char32_t* cp);

// Appends the UTF-8 form of one code point (no validation).
void AppendUtf8(char32_t code_point, std::string* out);

}  // namespace tv

#endif  // TV_PLATFORM_UTF16_H_
