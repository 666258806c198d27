// The code page that text mode reads: the device's code page 932 unless
// the user asks for UTF-8, as most Linux text is.
#ifndef TV_PLATFORM_TEXT_CODE_PAGE_H_
#define TV_PLATFORM_TEXT_CODE_PAGE_H_

#include <optional>
#include <string_view>

#include "platform/wide_reader.h"

namespace tv {

// The environment variable that chooses it.
inline constexpr char kCodePageVariable[] = "TORVELAN_CODEPAGE";

// The text input mode a value of the variable chooses: unset or "932" code
// page 932, "65001" or "UTF-8" (in any case) UTF-8; nullopt for anything
// else, which a tool refuses rather than guess.
std::optional<InputMode> TextModeFor(const std::optional<std::string_view>& value);

}  // namespace tv

#endif  // TV_PLATFORM_TEXT_CODE_PAGE_H_
