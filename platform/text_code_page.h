// The code page that text mode reads: chosen per file by default (UTF-8
// for a file that is UTF-8 with at least one multi-byte sequence, else the
// device's code page 932), or forced by the user.
#ifndef TV_PLATFORM_TEXT_CODE_PAGE_H_
#define TV_PLATFORM_TEXT_CODE_PAGE_H_

#include <memory>
#include <optional>
#include <string_view>

#include "platform/byte_stream.h"
#include "platform/wide_reader.h"

namespace tv {

// The environment variable that chooses it.
inline constexpr char kCodePageVariable[] = "TORVELAN_CODEPAGE";

enum class CodePageSetting { kPerFile, kCp932, kUtf8 };

// The setting a value of the variable gives: unset, empty or "auto" (any
// case) per file, "932" code page 932, "65001", "UTF-8" or "UTF8" (any
// case) UTF-8; nullopt for anything else, which a tool refuses rather than
// guess.
std::optional<CodePageSetting> CodePageSettingFor(const std::optional<std::string_view>& value);

// The text mode of the file *source: kText (code page 932) or kUtf8Text.
// Per file, the whole file is looked at before its first unit is read: a
// file is read again from its start; one that cannot be (a pipe, a FIFO) is
// held, and *source replaced by what was held (a read error comes back
// where it happened).
InputMode ChooseTextMode(CodePageSetting setting, std::unique_ptr<ByteSource>* source);

}  // namespace tv

#endif  // TV_PLATFORM_TEXT_CODE_PAGE_H_
