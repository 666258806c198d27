// Names as messages and questions show them: a name is the user's (or
// another user's) text, and a control character in it could move the
// cursor, erase a line or change colours on the terminal.
#ifndef TV_PLATFORM_SHOWN_NAME_H_
#define TV_PLATFORM_SHOWN_NAME_H_

#include <string>
#include <string_view>

namespace tv {

// The name with every control character (U+0000-U+001F, U+007F,
// U+0080-U+009F) shown as '?', as ls shows names on a terminal. A byte that
// is not UTF-8 in that C1 range is shown so too: it goes out raw, and some
// terminals take it as a control.
std::u16string ShownName(std::u16string_view name);

// The same for a name held as UTF-8 bytes (tvsh's own messages).
std::string ShownName(std::string_view name);

}  // namespace tv

#endif  // TV_PLATFORM_SHOWN_NAME_H_
