// printf-style formatting over UTF-16 for the formats the tools use:
// %d %i %u %x %X %c %s %%, with '-' and '0' flags, a width, and the length
// modifiers l, ll, h (which change nothing: every integer is 64-bit here).
#ifndef TV_PLATFORM_FORMAT_H_
#define TV_PLATFORM_FORMAT_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace tv {

struct FormatArg {
  enum Kind { kInt, kText };
  Kind kind;
  int64_t integer = 0;
  std::u16string_view text;

  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  FormatArg(T value) : kind(kInt), integer(static_cast<int64_t>(value)) {}
  FormatArg(const char16_t* s) : kind(kText), text(s ? s : u"(null)") {}
  FormatArg(std::u16string_view s) : kind(kText), text(s) {}
  FormatArg(const std::u16string& s) : kind(kText), text(s) {}
};

// A conversion with no matching argument formats as nothing; an unknown
// conversion is copied as it stands.
std::u16string FormatWide(std::u16string_view format, std::initializer_list<FormatArg> args);

}  // namespace tv

#endif  // TV_PLATFORM_FORMAT_H_
